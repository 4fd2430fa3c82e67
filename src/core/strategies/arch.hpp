// Arch Linux package versions: [epoch:]pkgver[-pkgrel], ordered as pacman's vercmp orders them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ombrel {

// Offsets into the parsed text; the version without surrounding white space is [begin, end).
struct ArchParse {
  std::size_t begin = 0;
  std::size_t pkgver = 0;                       // after "epoch:", else begin
  std::size_t pkgrel = std::string_view::npos;  // after the last '-'; npos when there is none
  std::size_t end = 0;
};

void parse_arch_into(std::string_view text, ArchParse& out);
// Epochs by value, then pkgvers, then pkgrels only when both texts have one: "7" equals both
// "7-4" and "7-5", which differ, so this equality is not transitive.
int cmp_arch(const ArchParse& a, std::string_view text_a, const ArchParse& b,
             std::string_view text_b);
// The same text for any two versions that compare equal. The pkgrel is left out, since a
// version without one equals every pkgrel; equal texts then only say the pkgvers are equal.
std::string canonical_arch(const ArchParse& v, std::string_view text);

}  // namespace ombrel
