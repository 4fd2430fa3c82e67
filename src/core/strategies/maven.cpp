#include "strategies/maven.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

#include "message.hpp"
#include "text.hpp"
#include "unicode.hpp"

namespace ombrel {

namespace {

using Kind = MavenItem::Kind;

// Known qualifiers, indexed by rank; anything else ranks after all of them.
constexpr std::array<std::string_view, 7> kQualifiers = {"alpha",    "beta", "milestone", "rc",
                                                         "snapshot", "",     "sp"};
constexpr int kReleaseRank = 5;
// Other spellings of known qualifiers; a one-letter one only where a digit follows it.
constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kAliases = {{
    {"a", "alpha"}, {"b", "beta"}, {"m", "milestone"}, {"release", ""}, {"final", ""},
    {"ga", ""}, {"cr", "rc"}}};

constexpr std::size_t index_of(std::string_view qualifier) {
  return static_cast<std::size_t>(std::find(kQualifiers.begin(), kQualifiers.end(), qualifier) -
                                  kQualifiers.begin());
}

// Every spelling of a known qualifier, in a slot found by its length and first byte: a
// lower-cased token is told by one comparison of its first eight bytes (and a ninth).
struct Spelling {
  std::uint64_t head = 0, mask = 0;  // the word's first eight bytes, and which of them it has
  char ninth = 0;
  std::uint8_t size = 0, rank = 0;
};
constexpr std::size_t kMaxSpelling = 9;
constexpr std::size_t spelling_slot(char first, std::size_t size) {
  return (static_cast<unsigned char>(first) + 9 * size) % 32;
}
constexpr std::array<Spelling, 32> kSpellings = [] {
  std::array<Spelling, 32> slots{};
  auto place = [&](std::string_view word, std::string_view qualifier) {
    Spelling& s = slots[spelling_slot(word[0], word.size())];
    if (s.size != 0 || word.size() > kMaxSpelling) throw "a spelling without its own slot";
    std::array<char, 8> head{}, mask{};
    for (std::size_t i = 0; i < std::min<std::size_t>(word.size(), 8); ++i)
      head[i] = word[i], mask[i] = '\xff';
    s = {std::bit_cast<std::uint64_t>(head), std::bit_cast<std::uint64_t>(mask),
         word.size() > 8 ? word[8] : '\0', static_cast<std::uint8_t>(word.size()),
         static_cast<std::uint8_t>(index_of(qualifier))};
  };
  for (std::string_view q : kQualifiers)
    if (!q.empty()) place(q, q);
  for (const auto& [word, qualifier] : kAliases) place(word, qualifier);
  return slots;
}();

bool is_null(const MavenItem& item) {
  return item.kind == Kind::List ? item.items.empty() : item.text.empty();
}

// Drops the trailing null items: zeros, release qualifiers and empty lists, stepping over
// non-empty lists, up to the last number or qualifier that is not null.
void normalize(std::vector<MavenItem>& list) {
  auto tail = list.end();
  while (tail != list.begin() && (tail[-1].kind == Kind::List || is_null(tail[-1]))) --tail;
  list.erase(std::remove_if(tail, list.end(), is_null), list.end());
}

// Kinds that differ order as qualifier < list < number.
int kind_order(Kind k) {
  constexpr std::array<int, 3> order = {2, 0, 1};  // Int, Str, List
  return order[static_cast<std::size_t>(k)];
}

int cmp_qualifier(std::string_view a, std::string_view b) {
  const std::optional<int> ra = qualifier_rank(a), rb = qualifier_rank(b);
  if (ra && rb) return cmp3(*ra, *rb);
  if (ra || rb) return ra ? -1 : 1;
  return cmp_utf16(a, b);  // as Java's String.compareTo
}

// A list of either layout as the ordering reads it: size() items, each read by at(i) as its
// kind, its text and (for a list) the nested list.
template <class L>
struct ItemOf {
  Kind kind;
  std::string_view text;
  L list;
};

struct TreeList {
  const std::vector<MavenItem>* items;
  std::size_t size() const { return items->size(); }
  ItemOf<TreeList> at(std::size_t i) const {
    const MavenItem& item = (*items)[i];
    return {item.kind, item.text, {&item.items}};
  }
};

template <class L>
int cmp_null_of(const ItemOf<L>& item) {
  switch (item.kind) {
    case Kind::Int:
      return item.text.empty() ? 0 : 1;
    case Kind::Str: {
      const std::optional<int> rank = qualifier_rank(item.text);
      return rank ? cmp3(*rank, kReleaseRank) : 1;
    }
    case Kind::List:
      for (std::size_t i = 0; i < item.list.size(); ++i)
        if (const int r = cmp_null_of(item.list.at(i)); r != 0) return r;
      return 0;
  }
  return 0;
}

template <class A, class B>
int cmp_list_of(const A& a, const B& b);

template <class A, class B>
int cmp_item_of(const ItemOf<A>& a, const ItemOf<B>& b) {
  if (a.kind != b.kind) return cmp3(kind_order(a.kind), kind_order(b.kind));
  switch (a.kind) {
    case Kind::Int:  // digits without leading zeros: the longer is greater
      if (a.text.size() != b.text.size()) return cmp3(a.text.size(), b.text.size());
      return sign(a.text.compare(b.text));
    case Kind::Str:
      return cmp_qualifier(a.text, b.text);
    case Kind::List:
      return cmp_list_of(a.list, b.list);
  }
  return 0;
}

template <class A, class B>
int cmp_list_of(const A& a, const B& b) {
  const std::size_t n = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int r = i >= b.size()   ? cmp_null_of(a.at(i))
                  : i >= a.size() ? -cmp_null_of(b.at(i))
                                  : cmp_item_of(a.at(i), b.at(i));
    if (r != 0) return r;
  }
  return 0;
}

// An upper bound of the number of items that parsing the lower-cased text appends, so that the
// item vector is allocated once: every '.' adds at most one, and so does every '-' and every
// change between digits and other characters within a token, each of which opens a list.
std::size_t item_bound(std::string_view text) {
  std::size_t dots = 0, openers = 0;
  auto is_sep = [](char c) { return c == '.' || c == '-'; };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.')
      ++dots;
    else if (c == '-')
      ++openers;
    else if (i > 0 && !is_sep(text[i - 1]) && is_digit(c) != is_digit(text[i - 1]))
      ++openers;
  }
  return dots + std::min(openers, kMavenMaxDepth) + 1;
}

std::unexpected<std::string> too_deep(std::string_view input) {
  return fail("Maven version nests more than ", std::to_string(kMavenMaxDepth), " levels deep: '",
              input, '\'');
}

void render(const std::vector<MavenItem>& list, std::string& out) {
  const std::size_t begin = out.size();
  for (const MavenItem& item : list) {
    if (out.size() > begin) out += item.kind == Kind::List ? '-' : '.';
    switch (item.kind) {
      case Kind::Int:
        out += item.text.empty() ? std::string_view("0") : std::string_view(item.text);
        break;
      case Kind::Str:
        out += item.text;
        break;
      case Kind::List:
        render(item.items, out);
        break;
    }
  }
}

}  // namespace

std::string MavenVersion::canonical() const {
  std::string out;
  render(items, out);
  return out;
}

std::string_view item_text(bool is_digit, std::string_view token, bool followed_by_digit) {
  if (is_digit) {
    token.remove_prefix(std::min(token.find_first_not_of('0'), token.size()));
    return token;
  }
  for (const auto& [word, qualifier] : kAliases)
    if (token == word && (word.size() > 1 || followed_by_digit)) return qualifier;
  return token;
}

MavenItem parse_item(bool is_digit, std::string_view token, bool followed_by_digit) {
  return {is_digit ? Kind::Int : Kind::Str,
          std::string(item_text(is_digit, token, followed_by_digit)),
          {}};
}

std::optional<int> qualifier_rank(std::string_view qualifier) {
  const std::size_t rank = index_of(qualifier);
  if (rank == kQualifiers.size()) return std::nullopt;
  return static_cast<int>(rank);
}

std::expected<MavenVersion, std::string> parse_maven(std::string_view input) {
  // Separators and digits are ASCII, which never occurs inside a multi-byte UTF-8 sequence, so
  // walking bytes splits the text at the same places as walking characters: every byte of a
  // non-ASCII character takes the "other character" branch.
  const std::string text = lower_full(trim(input));
  // Items only ever go to the innermost open list, and a list takes no more items once it has
  // opened another, so the items of all open lists sit in one vector, each list a suffix of it.
  std::vector<MavenItem> items;
  items.reserve(item_bound(text));
  std::vector<std::size_t> starts{0};  // where each open list begins in `items`
  bool is_digit = false;
  std::size_t start = 0;
  auto open_list = [&] {
    if (starts.size() == kMavenMaxDepth) return false;
    starts.push_back(items.size());
    return true;
  };
  auto top_empty = [&] { return items.size() == starts.back(); };
  auto add = [&](bool digit, std::size_t end, bool followed_by_digit) {
    items.push_back(
        parse_item(digit, std::string_view(text).substr(start, end - start), followed_by_digit));
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' || c == '-') {
      if (i == start)
        items.push_back({Kind::Int, {}, {}});
      else
        add(is_digit, i, false);
      start = i + 1;
      if (c == '-' && !open_list()) return too_deep(input);
    } else if (ombrel::is_digit(c)) {
      if (!std::exchange(is_digit, true) && i > start) {  // letters to digits
        if (!top_empty() && !open_list()) return too_deep(input);
        add(false, i, true);
        if (!open_list()) return too_deep(input);
        start = i;
      }
    } else {
      if (is_digit && i > start) {  // digits to letters
        add(true, i, false);
        if (!open_list()) return too_deep(input);
        start = i;
      }
      is_digit = false;
    }
  }
  if (start < text.size()) {
    // A trailing qualifier after '.' counts as if it followed '-'.
    if (!is_digit && !top_empty() && !open_list()) return too_deep(input);
    add(is_digit, text.size(), false);
  }
  for (; starts.size() > 1; starts.pop_back()) {
    const auto first = items.begin() + static_cast<std::ptrdiff_t>(starts.back());
    std::vector<MavenItem> list(std::make_move_iterator(first),
                                std::make_move_iterator(items.end()));
    items.erase(first, items.end());
    normalize(list);
    items.push_back({Kind::List, {}, std::move(list)});
  }
  normalize(items);
  return MavenVersion{std::move(items)};
}

namespace {

// What a byte of a lower-cased ASCII text is to the walk; kEnd is the stop byte after it.
enum ByteClass : std::uint8_t { kOther, kDigit, kDot, kDash, kEnd };
constexpr std::array<ByteClass, 256> kByteClass = [] {
  std::array<ByteClass, 256> c{};
  for (char d = '0'; d <= '9'; ++d) c[static_cast<unsigned char>(d)] = kDigit;
  c['.'] = kDot;
  c['-'] = kDash;
  for (std::size_t b = 0x80; b < c.size(); ++b) c[b] = kEnd;
  return c;
}();
ByteClass byte_class(const char* p) {
  return kByteClass[static_cast<unsigned char>(*p)];
}
bool is_separator(const char* p) {
  return byte_class(p) == kDot || byte_class(p) == kDash;
}

// A token's order, within its kind and across kinds, in one number: qualifiers by rank (below
// every list), then the opening of a list, then numbers by value (above every list). Tokens
// with equal keys are equal, unless the key says that their texts decide.
struct Key {
  static constexpr std::uint64_t kRelease = kReleaseRank;  // "" and its spellings
  static constexpr std::uint64_t kOtherQualifier = kQualifiers.size();  // then by text
  static constexpr std::uint64_t kList = std::uint64_t{1} << 62;
  static constexpr std::uint64_t kZero = std::uint64_t{2} << 62;  // a number is kZero + value
  static constexpr std::size_t kMaxDigits = 18;  // more, and the digits decide
  static constexpr std::uint64_t kLongNumber = kZero + (std::uint64_t{1} << 61);
  static constexpr std::uint64_t kEnd = ~std::uint64_t{0};  // a text read to its end
};

constexpr bool is_null(std::uint64_t key) {
  return key == Key::kZero || key == Key::kRelease;
}

constexpr std::uint64_t kOnes = 0x0101010101010101, kHighBits = 0x80 * kOnes;

// Eight bytes below 0x80 lower-cased at once: no byte carries into the next one.
constexpr std::uint64_t lower_word(std::uint64_t x) {
  return x | (((x + (0x80 - 'A') * kOnes) & ~(x + (0x7F - 'Z') * kOnes) & kHighBits) >> 2);
}

// The bytes of a text from `p`, at most eight, as memory holds them, with zeros for the bytes
// after `end`. Only bytes of the text, which starts at `begin`, are read.
std::uint64_t load_word(const char* begin, const char* p, const char* end) {
  std::uint64_t w = 0;
  if (end - p >= 8) {
    std::memcpy(&w, p, 8);
  } else if (end - begin >= 8 && p != end) {  // the text's last word, shifted
    std::memcpy(&w, end - 8, 8);
    const auto before = static_cast<unsigned>(8 * (8 - (end - p)));
    w = std::endian::native == std::endian::little ? w >> before : w << before;
  } else {
    std::memcpy(&w, p, static_cast<std::size_t>(end - p));
  }
  return w;
}

// The key of a qualifier token, as item_text and qualifier_rank read it, from its first eight
// bytes lower-cased (which may run past the token) and its ninth.
std::uint64_t qualifier_key(std::uint64_t head, char ninth, std::size_t size,
                            bool followed_by_digit) {
  if (size > kMaxSpelling || (size == 1 && !followed_by_digit)) return Key::kOtherQualifier;
  char first;
  std::memcpy(&first, &head, 1);
  const Spelling& s = kSpellings[spelling_slot(first, size)];
  if (s.size != size || (head & s.mask) != s.head || (size > 8 && ninth != s.ninth))
    return Key::kOtherQualifier;
  return s.rank;
}

// The tree of a MavenFlat as one run of tokens. Each '-' and each change between digits and
// letters opens a list that takes every later item, so the tree is a chain of lists: a list's
// items, normalised, then a token that opens the list it holds, if it holds one, and that
// list's items.
struct Tokens {
  struct Token {
    std::uint64_t key;
    std::uint8_t begin, size;  // in `text`: a number's digits without leading zeros, or a word
  };
  explicit Tokens(const MavenFlat* text) : text(text) {}

  const MavenFlat* text;
  std::size_t count = 0, level = 0;  // tokens read; where the innermost open list's items begin
  // Each byte adds at most two tokens (an item and the opening of a list), the end one item.
  Token at[2 * MavenFlat::kMaxText + 1];

  std::string_view text_of(const Token& t) const { return {text->lowered + t.begin, t.size}; }

  // The walk of parse_maven, a token at a time, from the start of a token to `stop` (the start
  // of a token too) or the end. A list takes no more items once it has opened another, so it
  // is normalised as soon as it opens one.
  void walk(std::size_t from, std::size_t stop) {
    const char* const base = text->lowered;
    const char* const end = base + text->size;
    // Held apart from the members, which the byte-wide stores of a token may alias.
    std::size_t n = count, open = level;
    auto open_list = [&] {
      while (n > open && is_null(at[n - 1].key)) --n;
      at[n++] = {Key::kList, 0, 0};
      open = n;
    };
    auto add = [&](std::uint64_t key, const char* begin, const char* end) {
      at[n++] = {key, static_cast<std::uint8_t>(begin - base),
                 static_cast<std::uint8_t>(end - begin)};
    };
    for (const char *p = base + from, *last = base + std::min(stop, text->size); p != last;) {
      const char* q = p;
      switch (byte_class(p)) {
        case kDot:
        case kDash:  // an empty token: a zero
          add(Key::kZero, p, p);
          break;
        case kDigit: {
          while (*q == '0') ++q;  // as item_text: the digits without leading zeros
          const char* const digits = q;
          std::uint64_t value = 0;
          for (; byte_class(q) == kDigit; ++q)
            value = value * 10 + static_cast<unsigned char>(*q - '0');
          const bool is_long = static_cast<std::size_t>(q - digits) > Key::kMaxDigits;
          add(is_long ? Key::kLongNumber : Key::kZero + value, digits, q);
          if (byte_class(q) == kOther) {  // digits to letters
            open_list();
            p = q;
            continue;
          }
          break;
        }
        default: {
          while (byte_class(q) == kOther) ++q;
          // Before digits, or at the end, a qualifier that follows an item opens a list.
          const bool before_digit = byte_class(q) == kDigit;
          if ((before_digit || q == end) && open != n) open_list();
          std::uint64_t head;
          std::memcpy(&head, p, sizeof head);  // the buffer holds eight bytes past any token
          add(qualifier_key(head, p[8], static_cast<std::size_t>(q - p), before_digit), p, q);
          if (before_digit) {  // letters to digits
            open_list();
            p = q;
            continue;
          }
        }
      }
      if (q == end) break;
      if (*q == '-') open_list();
      p = q + 1;
    }
    count = n;
    level = open;
  }

  // After the walk: a list left empty goes from the list that holds it, whose trailing nulls
  // then go too.
  void finish() {
    while (count > 0 && (at[count - 1].key == Key::kList || is_null(at[count - 1].key))) --count;
  }

  // The tokens of a walk over another text that agrees with this one up to where it stopped.
  void take_walk(const Tokens& other) {
    std::memcpy(at, other.at, other.count * sizeof(Token));
    count = other.count;
    level = other.level;
  }
};

// A token against the end of a list, as cmp_null_of: an opened list holds the tokens after it.
int cmp_null_key(std::uint64_t key) {
  if (key >= Key::kZero) return key != Key::kZero;
  return key == Key::kList ? 0 : cmp3(key, Key::kRelease);
}

// Two runs of tokens, as cmp_list_of compares the chains of lists they write.
int cmp_tokens(const Tokens& a, const Tokens& b) {
  const std::size_t n = std::min(a.count, b.count);
  for (std::size_t i = 0; i < n; ++i) {
    const Tokens::Token &x = a.at[i], &y = b.at[i];
    if (x.key != y.key) return x.key < y.key ? -1 : 1;
    if (x.key == Key::kOtherQualifier) [[unlikely]] {
      if (const int r = sign(a.text_of(x).compare(b.text_of(y))); r != 0) return r;
    } else if (x.key == Key::kLongNumber) [[unlikely]] {
      if (const int r = cmp_digit_runs(a.text_of(x), b.text_of(y)); r != 0) return r;
    }
  }
  for (std::size_t i = n; i < a.count; ++i)
    if (const int r = cmp_null_key(a.at[i].key); r != 0) return r;
  for (std::size_t i = n; i < b.count; ++i)
    if (const int r = cmp_null_key(b.at[i].key); r != 0) return -r;
  return 0;
}

// Where two texts stop agreeing byte for byte (at most the shorter one's size).
std::size_t agreeing_prefix(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t w = 0; w < n; w += 8) {
    const std::uint64_t x = load_word(a.data(), a.data() + w, a.data() + n);
    const std::uint64_t y = load_word(b.data(), b.data() + w, b.data() + n);
    if (x != y) {
      const int bit = std::endian::native == std::endian::little ? std::countr_zero(x ^ y)
                                                                  : std::countl_zero(x ^ y);
      return w + static_cast<std::size_t>(bit) / 8;
    }
  }
  return n;
}

int cmp_flat(const MavenFlat& a, const MavenFlat& b) {
  std::size_t shared = agreeing_prefix({a.lowered, a.size}, {b.lowered, b.size});
  if (shared == a.size && shared == b.size) return 0;  // the same text
  // The walk's state after a separator depends on the bytes before it alone: the two texts
  // are walked once up to the last separator they agree on.
  while (shared > 0 && !is_separator(a.lowered + shared - 1)) --shared;
  Tokens ta(&a), tb(&b);
  ta.walk(0, shared);
  tb.take_walk(ta);
  ta.walk(shared, a.size);
  tb.walk(shared, b.size);
  ta.finish();
  tb.finish();
  return cmp_tokens(ta, tb);
}

// A short ASCII text read a token at a time, as Tokens::walk reads it, but keeping no tokens and
// so trimming none: two texts read in lockstep are ordered by the first tokens that differ
// where neither can be trimmed, most often long before either is read whole.
struct TokenCursor {
  struct Token {
    std::uint64_t key;
    const char *begin, *end;  // as in Tokens::Token, in the text as written
  };

  const char *begin, *p, *end;
  bool filled;           // whether the innermost open list holds an item
  bool opening = false;  // whether a list opens before the next item

  Token next() {
    if (p == end) return {Key::kEnd, p, p};
    if (opening) {
      opening = filled = false;
      return {Key::kList, p, p};
    }
    const char* q = p;
    Token t;
    switch (byte_class(p)) {
      case kDot:
      case kDash:
        t = {Key::kZero, p, p};
        break;
      case kDigit: {
        while (q != end && *q == '0') ++q;
        const char* const digits = q;
        std::uint64_t value = 0;
        for (; q != end && byte_class(q) == kDigit; ++q)
          value = value * 10 + static_cast<unsigned char>(*q - '0');
        const bool is_long = static_cast<std::size_t>(q - digits) > Key::kMaxDigits;
        t = {is_long ? Key::kLongNumber : Key::kZero + value, digits, q};
        if (q != end && byte_class(q) == kOther) return opened_after(t, q);
        break;
      }
      default: {
        while (q != end && byte_class(q) == kOther) ++q;
        const bool before_digit = q != end && byte_class(q) == kDigit;
        if ((before_digit || q == end) && filled) {  // the qualifier is read again after it
          filled = false;
          return {Key::kList, p, p};
        }
        const auto size = static_cast<std::size_t>(q - p);
        const char ninth = size > 8 ? to_lower(p[8]) : '\0';
        t = {qualifier_key(lower_word(load_word(begin, p, end)), ninth, size, before_digit), p, q};
        if (before_digit) return opened_after(t, q);
      }
    }
    filled = true;
    if (q == end) {
      p = end;
    } else {
      opening = *q == '-';
      p = q + 1;
    }
    return t;
  }

  // Whether the token just read stays in the text's run: a null one goes when its list opens
  // another, or the text ends, before a token that is not null.
  bool keeps(const Token& t) const {
    if (!is_null(t.key)) return true;
    for (TokenCursor ahead = *this;;) {
      const std::uint64_t key = ahead.next().key;
      if (key == Key::kEnd || key == Key::kList) return false;
      if (!is_null(key)) return true;
    }
  }

  // The order of the text's rest, from `t` on, against the end of a list, as cmp_tokens reads
  // the tokens that one run has past the other.
  int cmp_rest_null(Token t) {
    for (; t.key != Key::kEnd; t = next())
      if (const int r = cmp_null_key(t.key); r != 0) return r;
    return 0;
  }

 private:
  Token opened_after(const Token& t, const char* q) {
    filled = opening = true;
    p = q;
    return t;
  }
};

// Two texts' tokens with one key, ordered by their texts where the key leaves it to them.
int cmp_token_texts(const TokenCursor::Token& x, const TokenCursor::Token& y) {
  if (x.key == Key::kLongNumber) return cmp_digit_runs({x.begin, x.end}, {y.begin, y.end});
  if (x.key != Key::kOtherQualifier) return 0;
  for (const char *p = x.begin, *q = y.begin; p != x.end || q != y.end; ++p, ++q) {
    if (p == x.end || q == y.end) return p == x.end ? -1 : 1;
    if (const char c = to_lower(*p), d = to_lower(*q); c != d)
      return static_cast<unsigned char>(c) < static_cast<unsigned char>(d) ? -1 : 1;
  }
  return 0;
}

// is_short_maven_text of a trimmed text: at most MavenFlat::kMaxText bytes of ASCII, a digit
// first.
bool is_short_text(std::string_view t) {
  if (t.empty() || !is_digit(t[0]) || t.size() > MavenFlat::kMaxText) return false;
  const char *p = t.data(), *end = p + t.size();
  std::uint64_t high = 0;
  for (; end - p > 8; p += 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    high |= w;
  }
  return ((high | load_word(t.data(), p, end)) & kHighBits) == 0;
}

// A list of a run of tokens: the items from `begin`, up to and with the token that opens the
// list it holds.
struct FlatList {
  const Tokens* v = nullptr;
  std::size_t begin = 0, n = 0;
  static FlatList at_token(const Tokens* v, std::size_t begin) {
    std::size_t end = begin;
    while (end < v->count && v->at[end++].key != Key::kList) {
    }
    return {v, begin, end - begin};
  }
  std::size_t size() const { return n; }
  ItemOf<FlatList> at(std::size_t i) const {
    const Tokens::Token& t = v->at[begin + i];
    if (t.key == Key::kList) return {Kind::List, {}, at_token(v, begin + i + 1)};
    if (t.key >= Key::kZero) return {Kind::Int, v->text_of(t), {}};
    return {Kind::Str, t.key == Key::kOtherQualifier ? v->text_of(t) : kQualifiers[t.key], {}};
  }
};

}  // namespace

bool MavenFlat::read(std::string_view input) {
  const std::string_view t = trim(input);
  size = t.size();
  if (size > kMaxText) return false;
  std::memcpy(lowered, t.data(), size);
  std::memset(lowered + size, 0, 8);
  std::uint64_t high = 0;
  for (std::size_t w = 0; w < size; w += 8) {
    std::uint64_t x;
    std::memcpy(&x, lowered + w, 8);
    high |= x;
    x = lower_word(x);
    std::memcpy(lowered + w, &x, 8);
  }
  if (high & kHighBits) return false;  // left to the tree
  lowered[size] = '\x80';
  return true;
}

int cmp_list(const std::vector<MavenItem>& a, const std::vector<MavenItem>& b) {
  return cmp_list_of(TreeList{&a}, TreeList{&b});
}

int cmp_item_null(const MavenItem& item) {
  return cmp_null_of(ItemOf<TreeList>{item.kind, item.text, {&item.items}});
}

bool is_short_maven_text(std::string_view text) {
  return is_short_text(trim(text));
}

std::optional<int> cmp_maven_texts(std::string_view a, std::string_view b) {
  a = trim(a);
  b = trim(b);
  if (!is_short_text(a) || !is_short_text(b)) return std::nullopt;
  // The walk's state after a separator depends on the bytes before it alone: the tokens up to
  // the last separator the texts agree on are the same, and after it the innermost list holds
  // an item exactly when the separator is a '.'.
  std::size_t shared = agreeing_prefix(a, b);
  if (shared == a.size() && shared == b.size()) return 0;
  while (shared > 0 && !is_separator(a.data() + shared - 1)) --shared;
  const bool filled = shared > 0 && a[shared - 1] == '.';
  TokenCursor ca{a.data(), a.data() + shared, a.data() + a.size(), filled};
  TokenCursor cb{b.data(), b.data() + shared, b.data() + b.size(), filled};
  for (;;) {
    const TokenCursor::Token x = ca.next(), y = cb.next();
    if (x.key == y.key) {
      if (x.key == Key::kEnd) return 0;
      if (const int r = cmp_token_texts(x, y); r != 0) return r;
      continue;
    }
    if (x.key == Key::kEnd) return -cb.cmp_rest_null(y);
    if (y.key == Key::kEnd) return ca.cmp_rest_null(x);
    if (x.key == Key::kList || y.key == Key::kList || !ca.keeps(x) || !cb.keeps(y)) break;
    return x.key < y.key ? -1 : 1;
  }
  // A list that one text opens, or a null that one text may still trim: the whole runs decide.
  MavenFlat fa, fb;
  fa.read(a);
  fb.read(b);
  return cmp_flat(fa, fb);
}

int cmp_maven(const MavenView& a, const MavenView& b) {
  if (a.flat && b.flat) return cmp_flat(*a.flat, *b.flat);
  if (!a.flat && !b.flat) return cmp_list_of(TreeList{&a.tree->items}, TreeList{&b.tree->items});
  Tokens t(a.flat ? a.flat : b.flat);
  t.walk(0, t.text->size);
  t.finish();
  const FlatList flat = FlatList::at_token(&t, 0);
  return a.flat ? cmp_list_of(flat, TreeList{&b.tree->items})
                : cmp_list_of(TreeList{&a.tree->items}, flat);
}

}  // namespace ombrel
