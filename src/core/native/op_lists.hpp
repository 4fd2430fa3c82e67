// Pieces shared by the syntaxes that are lists of `operator version` comparators (Gem
// requirements, Terraform and Cargo constraints, CPAN and R relations, ...).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "native.hpp"

namespace ombrel {

struct OpSpelling {
  std::string_view text;
  Op op;
};

// Pieces of `s` between the separators, empty ones kept.
std::vector<std::string_view> split_on(std::string_view s, char sep);

// Trims ASCII white space (space, \t, \n, \v, \f, \r) only, as the regular expressions of
// Ruby, Go and Perl read `\s` on byte strings.
std::string_view trim_ascii(std::string_view s);

// The longest spelling of `table` that starts `s`; its length (0 when none) and its op. A
// spelling is any struct with `text` and `op`.
template <class Spelling, class O>
std::size_t read_op(std::string_view s, std::span<const Spelling> table, O& op) {
  std::size_t best = 0;
  for (const Spelling& o : table)
    if (o.text.size() > best && s.starts_with(o.text)) {
      best = o.text.size();
      op = o.op;
    }
  return best;
}
template <class Spelling, std::size_t N, class O>
std::size_t read_op(std::string_view s, const Spelling (&table)[N], O& op) {
  return read_op(s, std::span<const Spelling>(table, N), op);
}

// The decimal number one more than `digits` (any length, leading zeros dropped).
std::string increment_decimal(std::string_view digits);

// The version that ends a `~>`, `~` or `^` span: the first `keep` numbers of `nums`, the last
// of them plus one, padded with ".0" up to `width` numbers.
std::string bumped(std::span<const std::string_view> nums, std::size_t keep, std::size_t width);

// The first version past every one that starts with `bound`'s components, its last number
// plus one (1.4 to 1.5); `bound` itself when it does not end in a number.
std::string past_prefix(std::string_view bound);

// Sets `c.extra` to past_prefix(prefix), left empty when that is `prefix` itself or the
// ecosystem cannot read it.
void set_prefix_end(Ecosystem eco, NativeComparator& c, std::string_view prefix);

// The versions from `c.bound` (from below when not `from_bound`) to `c.extra` (open), or
// through the bound when `c.extra` is empty: a prefix match's nearest interval.
VersionSet prefix_set(Ecosystem eco, const NativeComparator& c, bool from_bound);

// Runs of digits split on dots from the start of `s`, as long as they go.
std::vector<std::string_view> leading_numbers(std::string_view s);

// A comparator on a text the syntax has built; its failure is the ecosystem's parse message.
std::expected<void, std::string> push_comparator(Ecosystem eco, NativeList& list, Op op,
                                                 std::string_view version);

// The interval from `lower` (closed) to `upper` (open) as a set.
VersionSet half_open(Ecosystem eco, const SetVersion& lower, const SetVersion& upper);

// For a prefix match (apk's `~1.2`, Portage's `=1.2*`): the least version above every version
// that `v` begins at a component's end, i.e. `v` with its last number one higher ("1.3",
// "1.2_rc2", "1.2-r2") or its last letter the next one ("1.2b"); empty when `v` ends
// otherwise.
std::string prefix_end(std::string_view v);
// A prefix match's nearest interval: from its bound up to its `extra` (prefix_end), or the
// bound alone when it has none.
VersionSet prefix_span(Ecosystem eco, const NativeComparator& c);

}  // namespace ombrel
