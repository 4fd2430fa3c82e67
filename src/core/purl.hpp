// Package URLs: their parts, their text and the ecosystem of their type.
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "ecosystem.hpp"

namespace ombrel {

// The parts of a purl as views into its text. The type keeps its case and the namespace may
// still hold empty pieces ("a//b"); `namespace_` is empty when there is none. Python callers
// read this directly to avoid copying every part.
struct PurlView {
  std::string_view type;
  std::string_view namespace_;
  std::string_view name;
  std::optional<std::string_view> version;
  std::optional<std::string_view> qualifiers;
  std::optional<std::string_view> subpath;

  static std::expected<PurlView, std::string> parse(std::string_view text);
  // The namespace with empty pieces dropped; a view of `namespace_` when it has none.
  std::string_view clean_namespace(std::string& scratch) const;
};

struct Purl {
  std::string type;
  std::optional<std::string> namespace_;
  std::string name;
  std::optional<std::string> version;
  std::optional<std::string> qualifiers;
  std::optional<std::string> subpath;

  static std::expected<Purl, std::string> parse(std::string_view text);
  std::string to_purl() const;
  std::optional<Ecosystem> ecosystem() const;
};

// The purl text of its parts; `type` is written as given.
std::string format_purl(std::string_view type, std::optional<std::string_view> namespace_,
                        std::string_view name, std::optional<std::string_view> version,
                        std::optional<std::string_view> qualifiers,
                        std::optional<std::string_view> subpath);

// The same, for a caller that names the parts: the type is lower-cased, and a type or name
// that is blank (empty or white space only) is refused.
std::expected<std::string, std::string> build_purl(std::string_view type,
                                                   std::optional<std::string_view> namespace_,
                                                   std::string_view name,
                                                   std::optional<std::string_view> version,
                                                   std::optional<std::string_view> qualifiers,
                                                   std::optional<std::string_view> subpath);

}  // namespace ombrel
