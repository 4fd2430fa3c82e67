#include "autodetect.hpp"

#include "text.hpp"

namespace ombrel {

namespace {

bool contains(std::string_view s, std::string_view needle) {
  return s.find(needle) != std::string_view::npos;
}


}  // namespace

Ecosystem autodetect_ecosystem(std::string_view text) {
  const std::string s = ascii_lower(text);
  const std::string_view v = s;
  if (contains(v, "!")) return Ecosystem::Pep440;
  if (contains(v, "~")) return Ecosystem::Debian;
  if (contains(v, "^")) return Ecosystem::Rpm;
  if (contains(v, ".post") || contains(v, ".dev")) return Ecosystem::Pep440;
  if (v.ends_with("+incompatible")) return Ecosystem::Go;
  if (v.ends_with("-snapshot")) return Ecosystem::Maven;
  if (contains(v, "py") && contains(v, "_")) return Ecosystem::Conda;
  for (auto m : {"_alpha", "_beta", "_p", "_rc", "_pre"})
    if (contains(v, m)) return Ecosystem::Alpine;
  if (contains(v, "+deb") || contains(v, "+ubuntu")) return Ecosystem::Debian;
  for (std::string_view m : {".el", ".fc", ".amzn"}) {
    const std::size_t at = v.find(m);
    if (at != std::string_view::npos && at + m.size() < v.size() && is_digit(v[at + m.size()]))
      return Ecosystem::Rpm;
  }
  if (v.size() >= 3) {
    for (std::size_t i = 0; i + 2 < v.size(); ++i) {
      if (!is_digit(v[i])) continue;
      if ((v[i + 1] == 'a' || v[i + 1] == 'b') && is_digit(v[i + 2])) return Ecosystem::Pep440;
      if (i + 3 < v.size() && v[i + 1] == 'r' && v[i + 2] == 'c' && is_digit(v[i + 3]))
        return Ecosystem::Pep440;
    }
  }
  const std::size_t r = v.rfind("-r");
  if (r != std::string_view::npos && r != 0 && r + 2 < v.size() &&
      digit_run(v, r + 2) == v.size() - r - 2)
    return Ecosystem::Alpine;
  if (!contains(v, "-") && !contains(v, "_")) {
    std::size_t start = 0;
    while (true) {
      const std::size_t dot = v.find('.', start);
      const std::string_view piece =
          v.substr(start, dot == std::string_view::npos ? v.npos : dot - start);
      if (piece == "rc" || piece == "pre" || piece.starts_with("beta") ||
          piece.starts_with("alpha"))
        return Ecosystem::Ruby;
      if (dot == std::string_view::npos) break;
      start = dot + 1;
    }
  }
  const std::size_t lead = digit_run(v);
  if (lead > 0 && contains(v, ".")) {
    if (auto year = parse_u64(v.substr(0, lead));
        year && *year <= UINT32_MAX && *year >= 1990 && *year <= 2100)
      return Ecosystem::Calver;
  }
  return Ecosystem::Generic;
}

}  // namespace ombrel
