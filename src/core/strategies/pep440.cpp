#include "strategies/pep440.hpp"

#include "strategies/generic.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

// Drops a `v` that stands before a digit.
std::string_view strip_v(std::string_view t) {
  if (t.size() >= 2 && (t[0] == 'v' || t[0] == 'V') && is_digit(t[1])) t.remove_prefix(1);
  return t;
}

std::unexpected<std::string> quoted(std::string_view prefix, std::string_view text) {
  std::string m(prefix);
  m += text;
  m += '\'';
  return std::unexpected(std::move(m));
}

}  // namespace

std::expected<Pep440Version, std::string> parse_pep440(std::string_view text) {
  std::string_view t = strip_v(trim(text));
  if (const std::size_t bang = t.find('!'); bang != t.npos) {
    const std::string_view epoch = t.substr(0, bang);
    if (epoch.empty() || digit_run(epoch) != epoch.size())
      return quoted("invalid PEP 440 epoch: '", epoch);
    t.remove_prefix(bang + 1);
  }
  if (t.empty() || t[0] == '+') return quoted("empty PEP 440 version: '", text);
  if (!is_digit(t[0])) return quoted("PEP 440 version must start with a digit: '", text);

  Pep440Version v{parse_generic(text), std::nullopt};
  // Epoch already validated above, so `t` is what remains once it is removed.
  if (const std::size_t plus = t.find('+'); plus != t.npos) {
    const std::string_view label = t.substr(plus + 1);
    const std::size_t base = static_cast<std::size_t>(label.data() - text.data());
    v.local.emplace();
    tokenise(label, base, false, *v.local);
  }
  return v;
}

int cmp_pep440(const Pep440Version& a, const Pep440Version& b) {
  if (int r = cmp_generic(a.base, b.base)) return r;
  if (!a.local || !b.local) return cmp3(a.local.has_value(), b.local.has_value());
  return cmp_segments(a.local_view(), b.local_view());
}

}  // namespace ombrel
