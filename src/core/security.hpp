// Package URLs and VERS range specifiers.
#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "parser.hpp"
#include "ranges.hpp"

namespace ombrel {

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

struct Vers {
  Ecosystem ecosystem;
  RangeSet range;

  static std::expected<Vers, std::string> parse(std::string_view text);
};

}  // namespace ombrel
