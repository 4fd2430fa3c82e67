// Debian package versions: [epoch:]upstream[-revision], ordered as dpkg orders them.
#pragma once

#include <string>
#include <string_view>

#include "strategies/epoch_split.hpp"

namespace ombrel {

int verrevcmp(std::string_view a, std::string_view b);
// Appends a text that two strings share exactly when verrevcmp calls them equal.
void append_verrev_canonical(std::string& out, std::string_view s);

// dpkg's ordering of the split.
struct Dpkg {
  static constexpr std::string_view name = "Debian";
  static int compare(std::string_view a, std::string_view b) { return verrevcmp(a, b); }
  static void canonical(std::string_view s, std::string& out) { append_verrev_canonical(out, s); }
};
using DebianVersion = SplitVersion<Dpkg>;

}  // namespace ombrel
