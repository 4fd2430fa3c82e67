// apk dependency constraints as `apk add 'name>=1.2'` and /etc/apk/world write them: an
// optional package name, an operator and a version with nothing between them. `~` (also
// spelled `~=` and `=~`) is apk's fuzzy match: the version's tokens begin with the bound's,
// so `~1.2` holds 1.2, 1.2.9, 1.2a, 1.2_rc1 and 1.2-r3 but not 1.20.
#include <algorithm>
#include <iterator>
#include <utility>

#include "../message.hpp"
#include "../strategies/alpine.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

constexpr OpSpelling kApkOps[] = {{"=", Op::Eq}, {"<", Op::Lt}, {"<=", Op::Le},
                                  {">", Op::Gt}, {">=", Op::Ge}};
// The fuzzy match's spellings.
constexpr std::string_view kFuzzy[] = {"~", "~=", "=~"};

bool operator_char(char c) { return c == '<' || c == '>' || c == '=' || c == '~'; }

// apk's package names and the provided names of `so:`, `cmd:` and `pc:`: a letter or digit,
// then letters, digits and `._+-:`.
bool apk_name(std::string_view s) {
  if (s.empty() || !is_alnum(s[0])) return false;
  for (char c : s)
    if (!is_alnum(c) && c != '.' && c != '_' && c != '+' && c != '-' && c != ':') return false;
  return true;
}

bool fuzzy_test(Ecosystem, const NativeComparator& c, std::string_view text, const ParsedRepr&) {
  return alpine_fuzzy_match(text, c.bound.text);
}

// The VERS text keeps the bound up to prefix_end, without the bound's pre-releases.
constexpr NativeRule kFuzzyRule{&fuzzy_test, &prefix_span};

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_alpine(Ecosystem eco,
                                                                 std::string_view text) {
  auto bad = [&](std::string_view what) { return fail("invalid apk dependency '", text, "'; ", what); };
  const std::string_view s = trim_ascii(text);
  std::size_t at = 0;
  while (at < s.size() && !operator_char(s[at])) ++at;
  if (at == s.size()) return bad("expected an operator (=, <, <=, >, >=, ~)");
  if (at > 0 && !apk_name(s.substr(0, at)))
    return bad(message("invalid package name '", s.substr(0, at), "'"));
  std::size_t end = at;
  while (end < s.size() && operator_char(s[end])) ++end;
  const std::string_view spelled = s.substr(at, end - at);
  const bool fuzzy = std::ranges::find(kFuzzy, spelled) != std::end(kFuzzy);
  Op op = Op::Eq;
  if (!fuzzy && read_op(spelled, kApkOps, op) != spelled.size())
    return bad(message("unknown operator '", spelled, "'"));
  const std::string_view version = s.substr(end);
  if (!alpine_valid(version)) return bad(message("invalid Alpine version '", version, "'"));
  auto c = native_comparator(eco, op, version);
  if (!c) return failure(c);
  if (fuzzy) {
    c->rule = &kFuzzyRule;
    const std::string next = prefix_end(version);
    // A hash compares as text: nothing is known to end the fuzzy matches of a bound with one.
    if (!next.empty() && version.find('~') == std::string_view::npos)
      if (auto ok = c->extra.read(eco, next); !ok) return failure(ok);
  }
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  out.alternatives.emplace_back(1, std::move(*c));
  return out;
}

}  // namespace ombrel
