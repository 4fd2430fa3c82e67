#include "op_lists.hpp"

#include <utility>

#include "../message.hpp"
#include "../text.hpp"

namespace ombrel {

std::vector<std::string_view> split_on(std::string_view s, char sep) {
  std::vector<std::string_view> out;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = s.find(sep, start);
    if (at == std::string_view::npos) {
      out.push_back(s.substr(start));
      return out;
    }
    out.push_back(s.substr(start, at - start));
    start = at + 1;
  }
}

std::string_view trim_ascii(std::string_view s) {
  auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

std::string increment_decimal(std::string_view digits) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  std::string out(digits);
  for (std::size_t i = out.size(); i-- > 0;) {
    if (out[i] != '9') {
      ++out[i];
      return out;
    }
    out[i] = '0';
  }
  return "1" + out;
}

std::string bumped(std::span<const std::string_view> nums, std::size_t keep, std::size_t width) {
  std::string out;
  for (std::size_t i = 0; i < width; ++i) {
    if (i) out += '.';
    if (i + 1 < keep) out += nums[i];
    else if (i + 1 == keep) out += increment_decimal(nums[i]);
    else out += '0';
  }
  return out;
}

std::string past_prefix(std::string_view bound) {
  std::size_t b = bound.size();
  while (b > 0 && is_digit(bound[b - 1])) --b;
  std::string out(bound);
  if (b == bound.size()) return out;
  std::size_t i = out.size();  // the width kept: 1.09 to 1.10
  while (i > b && out[i - 1] == '9') out[--i] = '0';
  if (i == b) out.insert(out.begin() + b, '1');
  else ++out[i - 1];
  return out;
}

void set_prefix_end(Ecosystem eco, NativeComparator& c, std::string_view prefix) {
  const std::string past = past_prefix(prefix);
  if (past != prefix)
    if (auto ok = c.extra.read(eco, past); !ok) c.extra.text.clear();
}

VersionSet prefix_set(Ecosystem eco, const NativeComparator& c, bool from_bound) {
  using End = VersionSet::End;
  std::vector<SetVersion> versions{c.bound};
  VersionSet::Span span;
  if (from_bound) span.lower = End{0, true};
  span.upper = End{0, true};
  if (!c.extra.text.empty()) {
    versions.push_back(c.extra);
    span.upper = End{1, false};
  }
  return VersionSet::build(eco, std::move(versions), {span});
}

std::vector<std::string_view> leading_numbers(std::string_view s) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (true) {
    const std::size_t n = digit_run(s, i);
    if (!n) break;
    out.push_back(s.substr(i, n));
    i += n;
    if (i >= s.size() || s[i] != '.') break;
    ++i;
  }
  return out;
}

std::expected<void, std::string> push_comparator(Ecosystem eco, NativeList& list, Op op,
                                                 std::string_view version) {
  auto c = native_comparator(eco, op, version);
  if (!c) return failure(c);
  list.push_back(std::move(*c));
  return {};
}

VersionSet half_open(Ecosystem eco, const SetVersion& lower, const SetVersion& upper) {
  using End = VersionSet::End;
  return VersionSet::build(eco, {lower, upper}, {{End{0, true}, End{1, false}}});
}

std::string prefix_end(std::string_view v) {
  if (v.empty()) return {};
  const char last = v.back();
  if (is_digit(last)) {
    std::size_t start = v.size();
    while (start > 0 && is_digit(v[start - 1])) --start;
    // Leading zeros kept: apk and Portage compare such a number as text ("1.01" < "1.1").
    const std::string_view digits = v.substr(start);
    std::string next = increment_decimal(digits);
    if (next.size() < digits.size()) next.insert(0, digits.size() - next.size(), '0');
    return std::string(v.substr(0, start)) + next;
  }
  if (is_lower(last) && last != 'z' && v.size() >= 2 && is_digit(v[v.size() - 2]))
    return std::string(v.substr(0, v.size() - 1)) + static_cast<char>(last + 1);
  return {};
}

VersionSet prefix_span(Ecosystem eco, const NativeComparator& c) {
  if (!c.extra.text.empty()) return half_open(eco, c.bound, c.extra);
  NativeComparator exact = c;
  exact.rule = nullptr;
  exact.op = Op::Eq;
  NativeConstraint one{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {{exact}}};
  return one.to_set();
}

}  // namespace ombrel
