#include "strategies/validators.hpp"

#include "message.hpp"
#include "text.hpp"
#include "unicode.hpp"

namespace ombrel {

namespace {

std::unexpected<std::string> empty_message(std::string_view name) {
  return fail("empty ", name, " version");
}

std::unexpected<std::string> digit_message(std::string_view name, std::string_view quoted_text) {
  return fail(name, " version must start with a digit: '", quoted_text, '\'');
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
    if (eco == Ecosystem::Docker) return fail("empty Docker tag");
    return empty_message(eco.message_name());
  }
  return {};
}

Check validate_composer(Ecosystem eco, std::string_view input) {
  std::string_view t = trim(input);
  // A branch: Composer names it `dev-` and anything.
  if (t.size() >= 4 && iequals(t.substr(0, 4), "dev-")) return {};
  t = strip_v(t);
  if (t.empty()) return empty_message(eco.message_name());
  if (!is_digit(t[0])) return digit_message(eco.message_name(), input);
  return {};
}

Check validate_arch(Ecosystem, std::string_view input) {
  std::string_view t = trim(input);
  if (t.empty()) return empty_message("Arch");
  const std::size_t colon = t.find(':');
  if (colon != std::string_view::npos && digit_run(t) == colon) {
    if (colon + 1 == t.size()) return fail("invalid Arch version: '", input, '\'');
    t.remove_prefix(colon + 1);
  }
  if (!is_alnum(t[0])) return fail("invalid Arch version: '", input, '\'');
  return {};
}

Check validate_cran(Ecosystem eco, std::string_view input) {
  const std::string_view t = trim(input);
  if (t.empty()) return empty_message(eco.message_name());
  if (!is_digit(t[0])) return digit_message(eco.message_name(), t);
  for (char c : t)
    if (!is_digit(c) && c != '.' && c != '-')
      return fail("R/CRAN version must contain only digits, '.', or '-': '", input, '\'');
  return {};
}

Check validate_go_prefix(Ecosystem, std::string_view input) {
  const std::string_view t = trim(input);
  if (t.size() < 2 || t[0] != 'v' || !is_digit(t[1]))
    return fail("Go version must start with a lowercase 'v' prefix: '", input, '\'');
  return {};
}

Check validate_maven(Ecosystem eco, std::string_view input) {
  const std::string_view t = trim(input);
  if (t.empty() || !is_digit(t[0])) return validate_digit_start(eco, input);
  for (std::size_t i = ascii_prefix(t); i < t.size();) {
    if (static_cast<unsigned char>(t[i]) < 0x80) {  // ASCII numerals are the ordinary digits
      ++i;
      continue;
    }
    const CodePoint c = decode_utf8(t, i);
    if (c.value >= 0x80 && is_numeric(c.value))
      return fail("Maven version contains a non-ASCII numeral '", t.substr(i, c.size), "': '",
                  input, '\'');
    i += c.size;
  }
  return {};
}

}  // namespace ombrel
