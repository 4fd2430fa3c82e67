#include "strategies/pep440.hpp"

#include <algorithm>

#include "strategies/generic.hpp"
#include "message.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

// The text packaging reads: trimmed of Python's white space, which is trim's set and the
// separators U+001C..U+001F. Only the end is trimmed of those: a text that starts with one is
// refused before it is read.
std::string_view trim_python(std::string_view s) {
  s = trim(s);
  const auto info_sep = [](char c) { return c >= '\x1C' && c <= '\x1F'; };
  while (!s.empty() && info_sep(s.back())) s = trim(s.substr(0, s.size() - 1));
  return s;
}

bool is_separator(char c) {
  return c == '.' || c == '-' || c == '_';
}

// The spellings packaging accepts, in the order it tries them: the first that matches is
// taken, whatever follows it.
constexpr std::string_view kPreWords[] = {"alpha", "a", "beta", "b", "preview", "pre", "c", "rc"};
constexpr std::string_view kPostWords[] = {"post", "rev", "r"};
// Their weights in the generic tag order, which the key is compared by.
const std::int16_t kPostWeight = tag_weight_folded("post");
const std::int16_t kDevWeight = tag_weight_folded("dev");

// A cursor over a trimmed text, for the grammar below.
class Reader {
 public:
  explicit Reader(std::string_view t) : t_(t) {}

  std::size_t pos() const { return i_; }
  void reset(std::size_t i) { i_ = i; }
  bool at_end() const { return i_ == t_.size(); }
  char at(std::size_t k = 0) const { return i_ + k < t_.size() ? t_[i_ + k] : '\0'; }
  void skip(std::size_t n) { i_ += n; }
  void separator() {
    if (is_separator(at())) ++i_;
  }
  bool word(std::string_view lower) {
    if (to_lower(at()) != lower[0] || !iequals(t_.substr(i_, lower.size()), lower)) return false;
    i_ += lower.size();
    return true;
  }
  // The first of `words` that stands here, or nothing (at once when no letter does).
  template <std::size_t N>
  std::string_view one_of(const std::string_view (&words)[N]) {
    if (!is_alpha(at())) return {};
    for (std::string_view w : words)
      if (word(w)) return w;
    return {};
  }
  // A digit run as a number (0 when there is none); one of 64 bits or more keeps its digits,
  // at their offset in the text that `t` lies in.
  Seg number(std::size_t t_offset) {
    const std::size_t start = i_;
    std::uint64_t v = 0;
    for (; i_ < t_.size() && is_digit(t_[i_]); ++i_)
      v = v * 10 + static_cast<std::uint64_t>(t_[i_] - '0');
    if (i_ - start < 20) return Seg::num(v);  // no overflow, and below UINT64_MAX
    const std::string_view run = t_.substr(start, i_ - start);
    if (const auto exact = parse_u64(run); exact && *exact != UINT64_MAX) return Seg::num(*exact);
    return Seg::big(t_offset + start + run.find_first_not_of('0'));
  }
  void alnum_run() {
    while (is_alnum(at())) ++i_;
  }

 private:
  std::string_view t_;
  std::size_t i_ = 0;
};

// Reads `t` (trimmed, inside `text`) as packaging's grammar does: [v][N!]N(.N)*[{a|b|rc}[N]]
// [post[N] | -N][dev[N]][+label], the letters in any case, a '.', '-' or '_' allowed before
// each word and its number. Each optional part is taken whole or not at all and never given
// back to the parts after it. False when `t` is not such a version.
bool read_pep440(std::string_view text, std::string_view t, Pep440Parse& out) {
  Reader r(t);
  const std::size_t at = static_cast<std::size_t>(t.data() - text.data());
  SegVec& key = out.key.segments;
  if (r.at() == 'v' || r.at() == 'V') r.skip(1);
  if (!is_digit(r.at())) return false;
  Seg first = r.number(at);
  if (r.at() == '!') {
    out.epoch = first;
    r.skip(1);
    if (!is_digit(r.at())) return false;
    first = r.number(at);
  }
  key.push_back(first);
  while (r.at() == '.' && is_digit(r.at(1))) {
    r.skip(1);
    key.push_back(r.number(at));
  }
  std::size_t release = key.size();
  while (release > 0 && key[release - 1].value == 0) --release;
  key.set_size(release);
  const auto tagged = [&](std::int16_t weight) {
    key.push_back(Seg::tag(0, 0, weight));
    r.separator();
    key.push_back(r.number(at));
  };
  std::size_t start = r.pos();
  r.separator();
  if (const std::string_view pre = r.one_of(kPreWords); !pre.empty()) {
    tagged(tag_weight_folded(pre));
  } else {
    r.reset(start);
  }
  start = r.pos();
  if (r.at() == '-' && is_digit(r.at(1))) {  // the implicit post-release, 1.0-1
    r.skip(1);
    key.push_back(Seg::tag(0, 0, kPostWeight));
    key.push_back(r.number(at));
  } else if (r.separator(); !r.one_of(kPostWords).empty()) {
    tagged(kPostWeight);
  } else {
    r.reset(start);
  }
  start = r.pos();
  r.separator();
  if (is_alpha(r.at()) && r.word("dev")) {
    tagged(kDevWeight);
  } else {
    r.reset(start);
  }
  if (r.at() == '+') {
    r.skip(1);
    start = r.pos();
    if (!is_alnum(r.at())) return false;
    r.alnum_run();
    while (is_separator(r.at()) && is_alnum(r.at(1))) {
      r.skip(1);
      r.alnum_run();
    }
    out.has_local = true;
    out.label_off = at + start;
    out.label_len = r.pos() - start;
  }
  return r.at_end();
}

// A part of a local label: a run of ASCII letters and digits (every other byte separates
// parts), and whether it is a number.
struct LabelPart {
  std::string_view text;
  bool number;
};

LabelPart next_part(std::string_view label, std::size_t& i) {
  while (i < label.size() && !is_alnum(label[i])) ++i;
  const std::size_t start = i;
  bool digits = true;
  for (; i < label.size(); ++i) {
    if (is_digit(label[i])) continue;
    if (!is_alpha(label[i])) break;
    digits = false;
  }
  return {label.substr(start, i - start), digits};
}

std::string_view drop_zeros(std::string_view digits) {
  return digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
}

// Local labels as PEP 440 orders them: part by part, a number above a word, numbers by value
// (of any size), words by their lower-case bytes; a label that runs out first is lower.
int cmp_labels(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (true) {
    const auto [x0, nx] = next_part(a, i);
    const auto [y0, ny] = next_part(b, j);
    std::string_view x = x0, y = y0;
    if (x.empty() || y.empty()) return cmp3(!x.empty(), !y.empty());
    if (nx != ny) return nx ? 1 : -1;
    if (nx) {
      x = drop_zeros(x), y = drop_zeros(y);
      if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    }
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t k = 0; k < n; ++k) {
      const auto cx = static_cast<unsigned char>(to_lower(x[k]));
      const auto cy = static_cast<unsigned char>(to_lower(y[k]));
      if (cx != cy) return cx < cy ? -1 : 1;
    }
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  }
}

// Removes the run of zeros that stands right before the first tag.
void drop_release_zeros(SegVec& segs) {
  const auto tag = std::ranges::find_if(segs, [](const Seg& s) { return s.is_tag(); });
  auto zeros = tag;
  while (zeros != segs.begin() && zeros[-1].is_num() && zeros[-1].value == 0) --zeros;
  if (zeros == tag) return;
  const Seg* const end = std::copy(tag, segs.end(), zeros);
  segs.set_size(static_cast<std::size_t>(end - segs.begin()));
}

bool same_segments(std::span<const Seg> a, std::span<const Seg> b) {
  return std::ranges::equal(a, b, [](const Seg& x, const Seg& y) {
    return x.kind == y.kind && x.value == y.value && x.weight == y.weight && x.len() == y.len();
  });
}

}  // namespace

std::expected<void, std::string> parse_pep440_into(std::string_view text, Pep440Parse& out) {
  // A PEP 440 version passes every check below.
  if (read_pep440(text, trim_python(text), out)) {
    out.pep440 = true;
    return {};
  }
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

  // Not a PEP 440 version: the generic parse orders it, less the zeros that end its release
  // (as for a PEP 440 version, so that `1.0.0~rc1` meets `1.0-1` where `1.0~rc1` does), and the
  // label follows the first '+'.
  out.key.epoch = 0;
  out.key.segments.set_size(0);
  parse_generic_into(text, out.key);
  out.epoch = Seg::num(out.key.epoch);
  drop_release_zeros(out.key.segments);
  out.has_local = plus < t.size();
  out.label_off = out.has_local ? static_cast<std::size_t>(t.data() - text.data()) + plus + 1 : 0;
  out.label_len = out.has_local ? t.size() - plus - 1 : 0;
  return {};
}

std::expected<void, std::string> parse_pep440_into(std::string_view text, Pep440Version& out) {
  Pep440Parse p;
  if (auto ok = parse_pep440_into(text, p); !ok) return ok;
  out.base.raw.assign(text);
  parse_generic_into(text, out.base);
  out.epoch = p.epoch;
  if (!same_segments(p.key.segments.span(), out.base.segments.span())) {
    out.key.assign(p.key.segments.begin(), p.key.segments.end());
    out.own_key = true;
  }
  out.label_off = p.label_off;
  out.label_len = p.label_len;
  if (p.has_local) {
    SegVec local;
    tokenise(out.label(), p.label_off, false, local);
    out.local.emplace(local.begin(), local.end());
  }
  return {};
}

std::expected<Pep440Version, std::string> parse_pep440(std::string_view text) {
  Pep440Version v;
  if (auto ok = parse_pep440_into(text, v); !ok) return failure(ok);
  return v;
}

int cmp_pep440(const Pep440View& a, const Pep440View& b) {
  if (int r = cmp_numbers({{}, a.text}, a.epoch, {{}, b.text}, b.epoch)) return r;
  if (int r = cmp_segments({a.key, a.text}, {b.key, b.text})) return r;
  if (!a.has_local || !b.has_local) return cmp3(a.has_local, b.has_local);
  return cmp_labels(a.label, b.label);
}

std::string pep440_canonical(const Pep440View& v) {
  std::string out;
  const SegSpan key{v.key.first(effective_len(v.key)), v.text};
  const auto number = [&](const Seg& s) {
    if (s.has_digits())
      out += key.digits(s);
    else
      out += std::to_string(s.value);
  };
  if (v.epoch.value) {
    number(v.epoch);
    out += '!';
  }
  for (const Seg& s : key.segs) {
    if (&s != key.segs.data()) out += '.';
    if (s.is_num())
      number(s);
    else if (s.listed())
      out += tag_word(s.weight);
    else
      out += ascii_lower(key.tag_bytes(s));
  }
  if (!v.has_local) return out;
  out += '+';
  std::size_t i = 0;
  for (auto part = next_part(v.label, i); !part.text.empty(); part = next_part(v.label, i)) {
    if (out.back() != '+') out += '.';
    if (!part.number)
      out += ascii_lower(part.text);
    else
      out += drop_zeros(part.text).empty() ? std::string_view("0") : drop_zeros(part.text);
  }
  return out;
}

}  // namespace ombrel
