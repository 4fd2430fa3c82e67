#include "vers_standard.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>
#include <vector>

#include "merge_sort.hpp"
#include "message.hpp"
#include "text.hpp"
#include "unicode.hpp"

namespace ombrel {

namespace {

enum class Scope : std::uint8_t { One, All, None };

struct VersType {
  Ecosystem eco;
  Scope scope = Scope::One;
};

// The library's names and aliases first, as before the standard was read, then purl types and
// the standard's own types; `all` and `none` stand for no ecosystem.
std::expected<VersType, std::string> resolve_type(std::string_view name) {
  if (iequals(name, "all")) return VersType{Ecosystem::Generic, Scope::All};
  if (iequals(name, "none")) return VersType{Ecosystem::Generic, Scope::None};
  auto eco = Ecosystem::from_str(name);
  if (eco) return VersType{*eco};
  const std::string lower = ascii_lower(name);
  if (const auto purl = Ecosystem::from_purl_type(lower)) return VersType{*purl};
  for (const EcosystemRow& row : kEcosystems)
    if (row.vers_type == lower) return VersType{row.id};
  return failure(eco);
}

bool is_hex(char c) {
  return is_digit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int hex_value(char c) {
  return is_digit(c) ? c - '0' : to_lower(c) - 'a' + 10;
}

bool is_escape_at(std::string_view s, std::size_t i) {
  return s[i] == '%' && i + 2 < s.size() && is_hex(s[i + 1]) && is_hex(s[i + 2]);
}

bool is_utf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const CodePoint c = decode_utf8(s, i);
    if (c.value >= 0xD800 && c.value <= 0xDFFF) return false;
    i += c.size;
  }
  return true;
}

bool is_comparator_char(char c) {
  return c == '<' || c == '>' || c == '=' || c == '!';
}

// One version as the range language would not read it: no operator, white space, comma,
// bracket, `*` or `|`, no leading caret or tilde, and no part that is a wildcard `x` or `X`.
bool is_plain_version(std::string_view v) {
  if (v.empty() || v.front() == '^' || v.front() == '~') return false;
  std::size_t part = 0;
  for (std::size_t i = 0; i < v.size(); ++i) {
    const char c = v[i];
    if (is_comparator_char(c) || c == ',' || c == '*' || c == '|' || c == '(' || c == ')' ||
        c == '[' || c == ']' || space_at(v, i))
      return false;
    if (c == '.') part = i + 1;
    const bool part_ends = i + 1 == v.size() || v[i + 1] == '.';
    if ((c == 'x' || c == 'X') && i == part && part_ends) return false;
  }
  return true;
}

struct OpText {
  std::string_view text;
  Op op;
};
// Two-character comparators first, so that they win.
constexpr OpText kComparators[] = {{">=", Op::Ge}, {"<=", Op::Le}, {"!=", Op::Ne},
                                   {"<", Op::Lt},  {">", Op::Gt},  {"=", Op::Eq}};

bool is_lower(Op op) {
  return op == Op::Gt || op == Op::Ge;
}
bool is_upper(Op op) {
  return op == Op::Lt || op == Op::Le;
}

// A constraint as written; its parsed version is the reader's version of the same index.
struct Constraint {
  Op op;
  std::string_view text;     // the whole constraint, for messages
  std::string_view version;  // still percent-encoded
};

// Reads the standard constraints of `text` (the whole VERS text, quoted by every message).
class StandardReader {
 public:
  StandardReader(std::string_view text, Ecosystem eco) : text_(text), eco_(eco) {}

  std::expected<VersionSet, std::string> read(std::string_view constraints) {
    std::size_t count = 1;
    for (std::size_t i = 0; i < constraints.size(); ++i) {
      count += constraints[i] == '|';
      if (space_at(constraints, i)) return fail("white space is not allowed");
    }
    if (constraints == "*") return VersionSet::all(eco_);
    // The whole syntax first, so that a damaged text costs no parse.
    list_.reserve(count);
    std::size_t start = 0;
    for (std::size_t n = 0; n < count; ++n) {
      const std::size_t bar = std::min(constraints.find('|', start), constraints.size());
      if (auto ok = constraint(constraints.substr(start, bar - start)); !ok)
        return failure(ok);
      start = bar + 1;
    }
    versions_.reserve(count);
    std::string decoded;
    for (const Constraint& c : list_) {
      std::string_view version = c.version;
      if (version.find('%') != version.npos) version = decode(version, decoded);
      if (auto ok = versions_.emplace_back().read(eco_, version); !ok)
        return failure(ok);
    }
    return build();
  }

 private:
  template <class... Parts>
  std::unexpected<std::string> fail(const Parts&... what) const {
    return ombrel::fail("invalid VERS '", text_, "'; ", what...);
  }

  std::expected<void, std::string> constraint(std::string_view piece) {
    if (piece.empty()) return fail("empty constraint");
    if (piece == "*") return fail("'*' must be the only constraint");
    Op op = Op::Eq;
    std::string_view version = piece;
    for (const OpText& o : kComparators) {
      if (!piece.starts_with(o.text)) continue;
      op = o.op;
      version = piece.substr(o.text.size());
      break;
    }
    if (version.empty()) return fail("missing version in constraint '", piece, '\'');
    if (is_comparator_char(version.front()))
      return fail("invalid comparator in constraint '", piece, '\'');
    for (std::size_t i = version.find('%'); i != version.npos; i = version.find('%', i + 1)) {
      const std::string_view escape = version.substr(i, 3);
      if (!is_escape_at(version, i)) return fail("invalid percent escape '", escape, '\'');
      if (std::islower(static_cast<unsigned char>(escape[1])) ||
          std::islower(static_cast<unsigned char>(escape[2])))
        return fail("non-canonical percent escape '", escape,
                    "'; hexadecimal digits are upper case");
    }
    std::string decoded;
    if (version.find('%') != version.npos && is_utf8(version) && !is_utf8(decode(version, decoded)))
      return fail("percent escapes of '", piece, "' do not decode to UTF-8");
    list_.push_back({op, piece, version});
    return {};
  }

  // The bytes of a version whose escapes are well formed, in `out`.
  static std::string_view decode(std::string_view version, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < version.size(); ++i) {
      if (version[i] != '%') {
        out += version[i];
        continue;
      }
      out += char(hex_value(version[i + 1]) * 16 + hex_value(version[i + 2]));
      i += 2;
    }
    return out;
  }

  int cmp(std::uint32_t a, std::uint32_t b) const {
    return compare_for_ecosystem(eco_, versions_[a].parsed, versions_[b].parsed);
  }

  // Orders the constraints by version, drops the redundant ones as the standard's
  // simplification does, and reads what is left as signposts.
  std::expected<VersionSet, std::string> build() {
    const auto n = std::uint32_t(list_.size());
    SmallVec<std::uint32_t, kInline> order;
    order.reserve(n);
    bool sorted = true;
    for (std::uint32_t i = 0; i < n; ++i) {
      order.push_back(i);
      sorted = sorted && (i == 0 || cmp(i - 1, i) < 0);
    }
    if (!sorted) {
      std::vector<std::uint32_t> by_version(order.begin(), order.end());
      stable_merge_sort(
          by_version, [&](std::uint32_t a, std::uint32_t b) { return cmp(a, b) < 0; },
          [](std::uint32_t) {}, n);
      std::copy(by_version.begin(), by_version.end(), order.begin());
    }
    for (std::size_t k = 1; k < n && !sorted; ++k) {
      if (cmp(order[k - 1], order[k]) != 0) continue;
      return fail("constraints '", list_[order[k - 1]].text, "' and '", list_[order[k]].text,
                  "' name the same version");
    }
    // A `>` or `>=` swallows the `=`, `>` and `>=` after it; a `<` or `<=` swallows the `=`,
    // `<` and `<=` before it. The front of `order` keeps what is left.
    std::size_t kept = 0;
    std::vector<std::uint32_t> excluded;
    bool signposts = false;
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint32_t i = order[k];
      const Op op = list_[i].op;
      if (op == Op::Ne) {
        excluded.push_back(i);
        continue;
      }
      signposts = signposts || is_lower(op) || is_upper(op);
      if (kept > 0 && is_lower(list_[order[kept - 1]].op) && (op == Op::Eq || is_lower(op)))
        continue;
      while (is_upper(op) && kept > 0 && !is_lower(list_[order[kept - 1]].op)) --kept;
      order[kept++] = i;
    }
    std::vector<VersionSet::Span> spans;
    if (!signposts && !excluded.empty()) {
      spans.emplace_back();
      return VersionSet::build(eco_, std::move(versions_), std::move(spans), excluded);
    }
    spans.reserve(kept + 1);
    VersionSet::End open;  // the lower end of the span under way
    for (std::size_t k = 0; k < kept; ++k) {
      const std::uint32_t i = order[k];
      const Op op = list_[i].op;
      const VersionSet::End end{i, op == Op::Ge || op == Op::Le || op == Op::Eq};
      if (is_lower(op)) {
        open = end;
      } else if (is_upper(op)) {
        spans.push_back({open, end});
        open = {};
      } else {
        spans.push_back({end, end});
      }
    }
    if (open.bounded()) spans.push_back({open, {}});
    return VersionSet::build(eco_, std::move(versions_), std::move(spans), excluded);
  }

  // Room for the constraints of most texts without a heap block.
  static constexpr std::size_t kInline = 8;
  SmallVec<Constraint, kInline> list_;
  std::vector<SetVersion> versions_;
  std::string_view text_;
  Ecosystem eco_;
};

}  // namespace

bool is_standard_constraints(std::string_view c) {
  for (std::size_t i = 0; i < c.size(); ++i) {
    if (c[i] == '%' && is_escape_at(c, i)) return true;
    if (c[i] != '|') continue;
    std::size_t run = 1;
    while (i + run < c.size() && c[i + run] == '|') ++run;
    if (run == 1) return true;
    i += run - 1;
  }
  if (c.starts_with('=') && !c.starts_with("==")) c.remove_prefix(1);
  return is_plain_version(c);
}

std::expected<Vers, std::string> read_vers(std::string_view text, std::string_view type,
                                           std::string_view constraints) {
  const auto t = resolve_type(type);
  if (!t) return failure(t);
  Vers v{t->eco, {}, std::nullopt, t->scope != Scope::One};
  if (v.any_type) {
    if (constraints != "*") {
      return fail("invalid VERS '", text, "'; type '", ascii_lower(type), "' takes only '*'");
    }
    v.standard = t->scope == Scope::All ? VersionSet::all(v.ecosystem) : VersionSet(v.ecosystem);
    return v;
  }
  if (is_standard_constraints(constraints)) {
    auto set = StandardReader(text, v.ecosystem).read(constraints);
    if (!set) return failure(set);
    v.standard = std::move(*set);
    return v;
  }
  auto range = RangeSet::parse(constraints);
  if (!range) return failure(range);
  v.range = std::move(*range);
  return v;
}

std::expected<bool, std::string> Vers::contains(std::string_view version) const {
  if (standard) return standard->contains(version);
  return range.contains(ecosystem, version);
}

std::expected<std::string, std::string> Vers::canonical() const {
  const std::string_view type = any_type ? "all" : ecosystem.row().vers_type;
  if (standard) return standard->to_vers(type);
  auto set = VersionSet::from_range(ecosystem, range);
  if (!set) return failure(set);
  return set->to_vers(type);
}

}  // namespace ombrel
