#include "strategies/pep440.hpp"

#include "strategies/generic.hpp"
#include "message.hpp"
#include "text.hpp"

namespace ombrel {

namespace {


}  // namespace

std::expected<void, std::string> parse_pep440_into(std::string_view text, Pep440Parse& out) {
  std::string_view t = strip_v(trim(text));
  // The first '+', and the first '!' before it, in one scan; a '!' after the '+' can only make
  // the epoch invalid, so it is looked for only then.
  std::size_t plus = 0, bang = t.npos;
  for (; plus < t.size() && t[plus] != '+'; ++plus)
    if (t[plus] == '!' && bang == t.npos) bang = plus;
  if (bang == t.npos && plus < t.size()) bang = t.find('!', plus);
  if (bang != t.npos) {
    const std::string_view epoch = t.substr(0, bang);
    if (epoch.empty() || digit_run(epoch) != epoch.size())
      return fail("invalid PEP 440 epoch: '", epoch, '\'');
    t.remove_prefix(bang + 1);
    plus -= bang + 1;  // the epoch holds digits only, so the '+' lies after it
  }
  if (t.empty() || t[0] == '+') return fail("empty PEP 440 version: '", text, '\'');
  if (!is_digit(t[0])) return fail("PEP 440 version must start with a digit: '", text, '\'');

  parse_generic_into(text, out.base);
  // Epoch already validated above, so `t` is what remains once it is removed.
  if (plus < t.size()) {
    const std::string_view label = t.substr(plus + 1);
    const std::size_t base = static_cast<std::size_t>(label.data() - text.data());
    out.has_local = true;
    tokenise(label, base, false, out.local);
  }
  return {};
}

std::expected<void, std::string> parse_pep440_into(std::string_view text, Pep440Version& out) {
  Pep440Parse p;
  if (auto ok = parse_pep440_into(text, p); !ok) return ok;
  out.base.raw.assign(text);
  static_cast<GenericParse&>(out.base) = std::move(p.base);
  if (p.has_local) out.local.emplace(p.local.begin(), p.local.end());
  return {};
}

std::expected<Pep440Version, std::string> parse_pep440(std::string_view text) {
  Pep440Version v;
  if (auto ok = parse_pep440_into(text, v); !ok) return failure(ok);
  return v;
}

int cmp_pep440(const Pep440View& a, const Pep440View& b) {
  if (int r = cmp_generic(a.base, a.text, b.base, b.text)) return r;
  if (!a.has_local || !b.has_local) return cmp3(a.has_local, b.has_local);
  return cmp_segments({a.local, a.text}, {b.local, b.text});
}

}  // namespace ombrel
