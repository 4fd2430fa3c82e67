#include "strategies/validators.hpp"

#include "text.hpp"
#include "unicode.hpp"

namespace ombrel {

namespace {

std::unexpected<std::string> empty_message(std::string_view name) {
  std::string m = "empty ";
  m += name;
  m += " version";
  return std::unexpected(std::move(m));
}

std::unexpected<std::string> quoted(std::string_view prefix, std::string_view text) {
  std::string m(prefix);
  m += '\'';
  m += text;
  m += '\'';
  return std::unexpected(std::move(m));
}

std::unexpected<std::string> digit_message(std::string_view name, std::string_view quoted_text) {
  std::string prefix(name);
  prefix += " version must start with a digit: ";
  return quoted(prefix, quoted_text);
}

}  // namespace

Check validate_digit_start(Ecosystem eco, std::string_view input) {
  const std::string_view t = trim(input);
  if (t.empty()) return empty_message(eco.message_name());
  if (!is_digit(t[0])) return digit_message(eco.message_name(), input);
  return {};
}

Check validate_non_empty(Ecosystem eco, std::string_view input) {
  if (trim(input).empty()) {
    // Docker names its versions tags.
    if (eco == Ecosystem::Docker) return std::unexpected(std::string("empty Docker tag"));
    return empty_message(eco.message_name());
  }
  return {};
}

Check validate_composer(std::string_view input) {
  std::string_view t = trim(input);
  t = strip_v(t);
  if (t.empty()) return empty_message("Composer");
  if (!is_digit(t[0])) return digit_message("Composer", input);
  return {};
}

Check validate_arch(std::string_view input) {
  std::string_view t = trim(input);
  if (t.empty()) return empty_message("Arch");
  const std::size_t colon = t.find(':');
  if (colon != std::string_view::npos && digit_run(t) == colon) {
    if (colon + 1 == t.size()) return quoted("invalid Arch version: ", input);
    t.remove_prefix(colon + 1);
  }
  if (!is_alnum(t[0])) return quoted("invalid Arch version: ", input);
  return {};
}

Check validate_cran(std::string_view input) {
  const std::string_view t = trim(input);
  if (t.empty()) return empty_message("R/CRAN");
  if (!is_digit(t[0])) return digit_message("R/CRAN", t);
  for (char c : t)
    if (!is_digit(c) && c != '.' && c != '-')
      return quoted("R/CRAN version must contain only digits, '.', or '-': ", input);
  return {};
}

Check validate_go_prefix(std::string_view input) {
  const std::string_view t = trim(input);
  if (t.size() < 2 || t[0] != 'v' || !is_digit(t[1]))
    return quoted("Go version must start with a lowercase 'v' prefix: ", input);
  return {};
}

Check validate_maven(std::string_view input) {
  if (auto ok = validate_digit_start(Ecosystem::Maven, input); !ok) return ok;
  const std::string_view t = trim(input);
  for (std::size_t i = 0; i < t.size();) {
    const CodePoint c = decode_utf8(t, i);
    if (c.value >= 0x80 && is_numeric(c.value)) {
      std::string prefix = "Maven version contains a non-ASCII numeral '";
      prefix += t.substr(i, c.size);
      prefix += "': ";
      return quoted(prefix, input);
    }
    i += c.size;
  }
  return {};
}

}  // namespace ombrel
