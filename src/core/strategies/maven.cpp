#include "strategies/maven.hpp"

#include <algorithm>
#include <array>
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

struct FlatList {
  const MavenFlat* v;
  std::size_t level;
  const MavenFlat::Level& own() const { return v->levels[level]; }
  std::size_t size() const { return std::size_t{own().count} + own().nested; }
  ItemOf<FlatList> at(std::size_t i) const {
    if (i == own().count) return {Kind::List, {}, {v, level + 1}};
    const MavenFlat::Item& item = v->items[own().begin + i];
    return {item.kind, item.text(), {v, level}};
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
  std::string_view q = token;
  if (followed_by_digit && token.size() == 1) {
    if (token == "a") q = "alpha";
    if (token == "b") q = "beta";
    if (token == "m") q = "milestone";
  } else if (token == "release" || token == "final" || token == "ga") {
    q = "";
  } else if (token == "cr") {
    q = "rc";
  }
  return q;
}

MavenItem parse_item(bool is_digit, std::string_view token, bool followed_by_digit) {
  return {is_digit ? Kind::Int : Kind::Str,
          std::string(item_text(is_digit, token, followed_by_digit)),
          {}};
}

std::optional<int> qualifier_rank(std::string_view qualifier) {
  const auto it = std::find(kQualifiers.begin(), kQualifiers.end(), qualifier);
  if (it == kQualifiers.end()) return std::nullopt;
  return static_cast<int>(it - kQualifiers.begin());
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

// The walk of parse_maven over a short text, each opened list a new level.
bool MavenFlat::read(std::string_view input) {
  const std::string_view trimmed = trim(input);
  const std::size_t size = trimmed.size();
  if (size > kMaxText) return false;
  std::size_t count = 0, depth = 0;  // items read; the innermost open list
  levels[0] = {0, 0, false};
  bool is_digit = false;
  std::size_t start = 0;
  auto open_list = [&] { levels[++depth] = {static_cast<std::uint8_t>(count), 0, false}; };
  auto top_empty = [&] { return count == levels[depth].begin; };
  auto add = [&](bool digit, std::size_t end, bool followed_by_digit) {
    const char* p = lowered + start;
    std::size_t n = end - start;
    if (digit) {
      while (n > 0 && *p == '0') ++p, --n;  // as item_text: the digits without leading zeros
    } else {
      const std::string_view q = item_text(false, {p, n}, followed_by_digit);
      p = q.data(), n = q.size();
    }
    items[count++] = {p, static_cast<std::uint8_t>(n), digit ? Kind::Int : Kind::Str};
  };
  // The walk lowers each byte as it reads it, and leaves a text that is not ASCII to the tree.
  for (std::size_t i = 0; i < size; ++i) {
    const char c = to_lower(trimmed[i]);
    if (static_cast<unsigned char>(c) >= 0x80) return false;
    lowered[i] = c;
    if (c == '.' || c == '-') {
      if (i == start)
        items[count++] = {lowered, 0, Kind::Int};
      else
        add(is_digit, i, false);
      start = i + 1;
      if (c == '-') open_list();
    } else if (ombrel::is_digit(c)) {
      if (!std::exchange(is_digit, true) && i > start) {  // letters to digits
        if (!top_empty()) open_list();
        add(false, i, true);
        open_list();
        start = i;
      }
    } else {
      if (is_digit && i > start) {  // digits to letters
        add(true, i, false);
        open_list();
        start = i;
      }
      is_digit = false;
    }
  }
  if (start < size) {
    if (!is_digit && !top_empty()) open_list();
    add(is_digit, size, false);
  }
  // Innermost first, as normalize: the trailing null items go, and a list left empty goes
  // from the list that holds it.
  bool nested = false;
  for (std::size_t k = depth + 1; k-- > 0;) {
    Level& level = levels[k];
    std::size_t n = (k == depth ? count : levels[k + 1].begin) - level.begin;
    while (n > 0 && items[level.begin + n - 1].size == 0) --n;  // zero or a release qualifier
    level.count = static_cast<std::uint8_t>(n);
    level.nested = nested;
    nested = n > 0 || nested;
  }
  return true;
}

int cmp_list(const std::vector<MavenItem>& a, const std::vector<MavenItem>& b) {
  return cmp_list_of(TreeList{&a}, TreeList{&b});
}

int cmp_item_null(const MavenItem& item) {
  return cmp_null_of(ItemOf<TreeList>{item.kind, item.text, {&item.items}});
}

int cmp_maven(const MavenView& a, const MavenView& b) {
  const FlatList fa{a.flat, 0}, fb{b.flat, 0};
  const TreeList ta{a.tree ? &a.tree->items : nullptr}, tb{b.tree ? &b.tree->items : nullptr};
  if (a.flat) return b.flat ? cmp_list_of(fa, fb) : cmp_list_of(fa, tb);
  return b.flat ? cmp_list_of(ta, fb) : cmp_list_of(ta, tb);
}

}  // namespace ombrel
