// Spack's version constraints without the `@`: `1.2:1.4`, `:1.4`, `1.2:`, `=1.2` exactly, and a
// bare `1.2`, which like an upper end holds every version it is a prefix of (1.2 holds 1.2.5
// and 1.2a1); alternatives joined by commas.
#include <cctype>
#include <string>
#include <utility>

#include "../message.hpp"
#include "../text.hpp"
#include "op_lists.hpp"

namespace ombrel {

namespace {

bool is_separator(char c) { return c == '.' || c == '-' || c == '_'; }

// Whether `prefix`'s components begin `text`'s: the text goes on at a component boundary.
bool starts_components(std::string_view text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  if (text.size() == prefix.size()) return true;
  const char next = text[prefix.size()], last = prefix.back();
  return is_separator(next) || is_separator(last) || is_digit(next) != is_digit(last);
}

bool prefix_test(Ecosystem eco, const NativeComparator& c, std::string_view text,
                 const ParsedRepr& version) {
  const int r = compare_for_ecosystem(eco, version, c.bound.parsed);
  if (r == 0 || starts_components(text, c.bound.text)) return true;
  return c.op == Op::Le && r < 0;  // an upper end: below it, or one of its own
}

VersionSet prefix_nearest(Ecosystem eco, const NativeComparator& c) {
  return prefix_set(eco, c, c.op == Op::Eq);
}

// Eq: the versions the bound is a prefix of; Le: those and every version below.
constexpr NativeRule kPrefix{prefix_test, prefix_nearest};

std::expected<NativeComparator, std::string> prefix_comparator(Ecosystem eco, Op op,
                                                               std::string_view text) {
  auto c = native_comparator(eco, op, text);
  if (!c) return c;
  c->rule = &kPrefix;
  set_prefix_end(eco, *c, text);
  return c;
}

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_spack(Ecosystem eco,
                                                                std::string_view text) {
  auto bad = [&](std::string_view what) { return fail("invalid Spack range '", text, "'; ", what); };
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    const std::string_view part = trim(text.substr(start, comma - start));
    NativeList& list = out.alternatives.emplace_back();
    const std::size_t colon = part.find(':');
    if (part.empty()) return bad("empty alternative");
    if (colon == std::string_view::npos) {
      auto c = part.starts_with('=') ? native_comparator(eco, Op::Eq, trim(part.substr(1)))
                                     : prefix_comparator(eco, Op::Eq, part);
      if (!c) return std::unexpected(std::move(c.error()));
      list.push_back(std::move(*c));
    } else {
      const std::string_view lo = trim(part.substr(0, colon)), hi = trim(part.substr(colon + 1));
      if (hi.find(':') != std::string_view::npos) return bad("more than one ':'");
      if (!lo.empty()) {
        auto c = native_comparator(eco, Op::Ge, lo);
        if (!c) return std::unexpected(std::move(c.error()));
        list.push_back(std::move(*c));
      }
      if (!hi.empty()) {
        auto c = prefix_comparator(eco, Op::Le, hi);
        if (!c) return std::unexpected(std::move(c.error()));
        list.push_back(std::move(*c));
      }
    }
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

}  // namespace ombrel
