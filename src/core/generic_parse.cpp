#include "generic_parse.hpp"

#include <algorithm>
#include <array>
#include <tuple>

#include "text.hpp"

namespace ombrel {

namespace {

struct TagWeight {
  std::string_view tag;
  std::int16_t weight;
};

// clang-format off
constexpr std::array<TagWeight, 22> kTagWeights{{
    {"~", kTildeWeight},  {"dev", -5},           {"a", 0},               {"alpha", 0},
    {"b", 10},            {"beta", 10},          {"m", 15},              {"milestone", 15},
    {"c", 20},            {"rc", 20},            {"cr", 20},             {"pre", 20},
    {"preview", 20},      {"snapshot", 25},      {"ga", kReleaseWeight}, {"final", kReleaseWeight},
    {"release", kReleaseWeight}, {"^", kCaretWeight},
    {"p", 35},            {"sp", 35},            {"post", 35},           {"patch", 35},
}};
// clang-format on
constexpr std::size_t kLongestTag = 9;  // "milestone"

// A word's length and its first seven bytes in lower case, packed into one integer.
constexpr std::uint64_t word_key(std::string_view s) {
  std::uint64_t k = std::uint64_t{s.size()} << 56;
  for (std::size_t i = 0; i < s.size() && i < 7; ++i)
    k |= std::uint64_t{static_cast<unsigned char>(to_lower(s[i]))} << (8 * i);
  return k;
}

// Finds one of up to 64 distinct lower-case words in text of any ASCII case with one
// multiplication and one or two comparisons: a perfect hash of the words' keys (the top six
// bits of key * multiplier index 64 slots holding the word's position plus one, 0 for none),
// the multiplier searched for at compile time.
template <std::size_t N>
class WordIndex {
 public:
  static constexpr std::size_t npos = N;

  constexpr explicit WordIndex(const std::array<std::string_view, N>& words) : words_(words) {
    while (!place()) multiplier_ += 0x5851F42D4C957F2Eu;  // even: the multiplier stays odd
  }

  std::size_t find(std::string_view s) const {
    const std::uint64_t key = word_key(s);
    const std::size_t slot = slots_[(key * multiplier_) >> kShift];
    if (!slot || keys_[slot - 1] != key) return npos;
    // Equal keys are equal words up to seven bytes; longer words compare their rest.
    if (s.size() > 7 && !iequals(s.substr(7), words_[slot - 1].substr(7))) return npos;
    return slot - 1;
  }

 private:
  static constexpr int kShift = 58;

  constexpr bool place() {
    slots_ = {};
    for (std::size_t i = 0; i < N; ++i) {
      keys_[i] = word_key(words_[i]);
      auto& slot = slots_[(keys_[i] * multiplier_) >> kShift];
      if (slot) return false;
      slot = static_cast<std::uint8_t>(i + 1);
    }
    return true;
  }

  std::array<std::string_view, N> words_;
  std::array<std::uint64_t, N> keys_{};
  std::array<std::uint8_t, 64> slots_{};
  std::uint64_t multiplier_ = 0x9E3779B97F4A7C15u;
};

template <class Table, class Field>
constexpr auto words_of(const Table& table, Field field) {
  std::array<std::string_view, std::tuple_size_v<Table>> words{};
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = table[i].*field;
  return words;
}

constexpr WordIndex kTagIndex(words_of(kTagWeights, &TagWeight::tag));


}  // namespace

std::optional<std::int32_t> tag_weight(std::string_view tag) {
  for (const auto& t : kTagWeights)
    if (t.tag == tag) return t.weight;
  return std::nullopt;
}

std::int16_t tag_weight_folded(std::string_view tag) {
  if (tag.size() > kLongestTag) return Seg::kUnlisted;
  const std::size_t i = kTagIndex.find(tag);
  return i == kTagIndex.npos ? Seg::kUnlisted : kTagWeights[i].weight;
}

std::string_view SegSpan::digits(const Seg& s) const {
  const std::size_t off = s.len() - 1;
  return text.substr(off, digit_run(text, off));
}

std::string_view tag_word(std::int16_t weight) {
  for (const auto& t : kTagWeights)
    if (t.weight == weight) return t.tag;
  return {};
}

std::string GenericParse::tag_text(std::string_view text, const Seg& s) {
  return ascii_lower(text.substr(s.value, s.len()));
}

namespace {

// A digit run of more than 19 digits (fewer always fit in 64 bits): leading zeros do not
// count against the limit, and a value that is still too large saturates.
std::uint64_t long_digits_value(std::string_view run) {
  run.remove_prefix(std::min(run.find_first_not_of('0'), run.size() - 1));
  return parse_u64(run).value_or(UINT64_MAX);
}

// The tokeniser proper; `Markers` as in tokenise. Segments are written straight into the
// vector's storage through locals, which the compiler can keep in registers.
template <bool Markers>
TokenFlags tokenise_as(std::string_view s, std::size_t base, SegVec& out) {
  // Plain integers: flag bytes spilled one by one and read back as a pair would stall.
  unsigned pre = 0, post = 0;
  std::size_t count = out.size(), capacity = out.capacity();
  Seg* segs = out.data();
  const auto emit = [&](const Seg& seg) {
    if (count == capacity) {
      out.set_size(count);
      out.reserve(capacity * 2);
      segs = out.data();
      capacity = out.capacity();
    }
    segs[count++] = seg;
  };
  const char* const begin = s.data();
  const char* const end = begin + s.size();
  const char* p = begin;
  while (p < end) {
    const char c = *p;
    if (is_digit(c)) {
      const char* q = p + 1;
      std::uint64_t v = static_cast<std::uint64_t>(c - '0');
      for (; q < end && is_digit(*q); ++q) v = v * 10 + static_cast<std::uint64_t>(*q - '0');
      if (q - p > 19) v = long_digits_value({p, static_cast<std::size_t>(q - p)});
      emit(Seg::num(v));
      p = q;
    } else if (is_alpha(c)) {
      const char* q = p + 1;
      while (q < end && is_alpha(*q) && static_cast<std::uint64_t>(q - p) < Seg::kMaxLen) ++q;
      const std::size_t len = static_cast<std::size_t>(q - p);
      const std::int16_t w = tag_weight_folded({p, len});
      if (w != Seg::kUnlisted) {
        pre |= w < kReleaseWeight;
        post |= w > kReleaseWeight;
      }
      emit(Seg::tag(base + static_cast<std::size_t>(p - begin), len, w));
      p = q;
    } else if (Markers && (c == '~' || c == '^')) {
      const bool tilde = c == '~';
      const std::int16_t w = tilde ? kTildeWeight : kCaretWeight;
      emit(Seg::tag(base + static_cast<std::size_t>(p - begin), 1, w));
      (tilde ? pre : post) = 1;
      ++p;
    } else {
      ++p;  // separators and every other byte end the run and produce nothing
    }
  }
  out.set_size(count);
  return {pre != 0, post != 0};
}

}  // namespace

TokenFlags tokenise(std::string_view s, std::size_t base, bool markers, SegVec& out) {
  return markers ? tokenise_as<true>(s, base, out) : tokenise_as<false>(s, base, out);
}

void parse_generic_into(std::string_view text, GenericParse& out) {
  std::string_view t = trim(text);
  t = strip_v(t);
  // An epoch is the digits before the first ':' or '!'; only a digit run can be one.
  const std::size_t sep = digit_run(t);
  if (sep > 0 && sep < t.size() && (t[sep] == ':' || t[sep] == '!')) {
    if (auto e = parse_u64(t.substr(0, sep))) {
      out.epoch = *e;
      t.remove_prefix(sep + 1);
    }
  }
  const std::size_t plus = t.find('+');
  const std::size_t base = static_cast<std::size_t>(t.data() - text.data());
  if (plus != std::string_view::npos) {
    out.build_off = base + plus + 1;
    out.build_len = t.size() - plus - 1;
    t = t.substr(0, plus);
  }
  const TokenFlags f = tokenise(t, base, true, out.segments);
  out.is_prerelease = f.pre;
  out.is_postrelease = f.post;
}

ParsedVersion parse_generic(std::string_view text) {
  ParsedVersion pv;
  pv.raw.assign(text);
  parse_generic_into(text, pv);
  return pv;
}

}  // namespace ombrel
