#include "vers_standard.hpp"

#include <cctype>
#include <cstdint>
#include <utility>
#include <vector>

#include "merge_sort.hpp"
#include "text.hpp"
#include "unicode.hpp"

namespace ombrel {

namespace {

// Indexed by Ecosystem.
constexpr std::string_view kVersTypes[Ecosystem::count] = {
    "generic", "semver", "pypi",  "deb",     "rpm",       "gem",  "maven",   "golang",
    "npm",     "nuget",  "composer", "cargo", "hex",      "swift", "calver", "apk",
    "oci",     "conda",  "alpm",  "ebuild",  "cran",      "spack", "pub",    "julia",
    "terraform", "helm", "cpan",  "nix",     "homebrew",  "freebsd",
};

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
  if (const auto purl = purl_type_ecosystem(lower)) return VersType{*purl};
  for (std::size_t i = 0; i < Ecosystem::count; ++i)
    if (kVersTypes[i] == lower) return VersType{Ecosystem::Id(i)};
  return std::unexpected(std::move(eco.error()));
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

struct Constraint {
  Op op;
  std::string_view text;  // as written, for messages
  SetVersion version;
};

// Reads the standard constraints of `text` (the whole VERS text, quoted by every message).
class StandardReader {
 public:
  StandardReader(std::string_view text, Ecosystem eco) : text_(text), eco_(eco) {}

  std::expected<VersionSet, std::string> read(std::string_view constraints) {
    for (std::size_t i = 0; i < constraints.size(); ++i)
      if (space_at(constraints, i)) return fail("white space is not allowed");
    std::size_t count = 1;
    for (const char c : constraints) count += c == '|';
    std::vector<Constraint> list;
    list.reserve(count);
    std::size_t start = 0;
    for (std::size_t n = 0; n < count; ++n) {
      const std::size_t bar = std::min(constraints.find('|', start), constraints.size());
      const std::string_view piece = constraints.substr(start, bar - start);
      if (piece == "*" && count == 1) return VersionSet::all(eco_);
      auto c = constraint(piece);
      if (!c) return std::unexpected(std::move(c.error()));
      list.push_back(std::move(*c));
      start = bar + 1;
    }
    return build(list);
  }

 private:
  std::unexpected<std::string> fail(std::string_view what) const {
    std::string m = "invalid VERS '";
    m.append(text_).append("'; ").append(what);
    return std::unexpected(std::move(m));
  }
  std::unexpected<std::string> fail(std::string_view head, std::string_view quoted,
                                    std::string_view tail = "'") const {
    std::string what(head);
    what.append(quoted).append(tail);
    return fail(what);
  }

  std::expected<Constraint, std::string> constraint(std::string_view piece) const {
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
    if (version.empty()) return fail("missing version in constraint '", piece);
    if (is_comparator_char(version.front())) return fail("invalid comparator in constraint '", piece);
    std::string decoded;
    if (version.find('%') != version.npos) {
      if (auto ok = decode(piece, version, decoded); !ok) return std::unexpected(std::move(ok.error()));
      version = decoded;
    }
    auto v = SetVersion::parse(eco_, version);
    if (!v) return std::unexpected(std::move(v.error()));
    return Constraint{op, piece, std::move(*v)};
  }

  // Percent-decodes `version` once into `out`: every `%` starts two hexadecimal digits in
  // upper case, and what they give is UTF-8.
  std::expected<void, std::string> decode(std::string_view piece, std::string_view version,
                                          std::string& out) const {
    out.reserve(version.size());
    for (std::size_t i = 0; i < version.size(); ++i) {
      if (version[i] != '%') {
        out += version[i];
        continue;
      }
      const std::string_view escape = version.substr(i, 3);
      if (!is_escape_at(version, i)) return fail("invalid percent escape '", escape);
      if (std::islower(static_cast<unsigned char>(escape[1])) ||
          std::islower(static_cast<unsigned char>(escape[2])))
        return fail("non-canonical percent escape '", escape,
                    "'; hexadecimal digits are upper case");
      out += char(hex_value(version[i + 1]) * 16 + hex_value(version[i + 2]));
      i += 2;
    }
    for (std::size_t i = 0; i < out.size();) {
      const CodePoint c = decode_utf8(out, i);
      if (c.value >= 0xD800 && c.value <= 0xDFFF)
        return fail("percent escapes of '", piece, "' do not decode to UTF-8");
      i += c.size;
    }
    return {};
  }

  int cmp(const Constraint& a, const Constraint& b) const {
    return compare_for_ecosystem(eco_, a.version.parsed, b.version.parsed);
  }

  // Orders the constraints by version, drops the redundant ones as the standard's
  // simplification does, and reads what is left as signposts.
  std::expected<VersionSet, std::string> build(std::vector<Constraint>& list) const {
    std::vector<std::uint32_t> order(list.size());
    bool sorted = true;
    for (std::size_t i = 0; i < list.size(); ++i) {
      order[i] = std::uint32_t(i);
      sorted = sorted && (i == 0 || cmp(list[i - 1], list[i]) < 0);
    }
    if (!sorted)
      stable_merge_sort(
          order, [&](std::uint32_t a, std::uint32_t b) { return cmp(list[a], list[b]) < 0; },
          [](std::uint32_t) {}, order.size());
    for (std::size_t k = 1; k < order.size(); ++k) {
      const Constraint &a = list[order[k - 1]], &b = list[order[k]];
      if (cmp(a, b) == 0) {
        std::string what = "constraints '";
        what.append(a.text).append("' and '").append(b.text).append("' name the same version");
        return fail(what);
      }
    }
    // A `>` or `>=` swallows the `=`, `>` and `>=` after it; a `<` or `<=` swallows the `=`,
    // `<` and `<=` before it.
    std::vector<std::uint32_t> kept;
    std::vector<SetVersion> left_out;
    bool signposts = false;
    for (const std::uint32_t i : order) {
      const Op op = list[i].op;
      if (op == Op::Ne) {
        left_out.push_back(std::move(list[i].version));
        continue;
      }
      signposts = signposts || is_lower(op) || is_upper(op);
      if (!kept.empty() && is_lower(list[kept.back()].op) && (op == Op::Eq || is_lower(op)))
        continue;
      while (is_upper(op) && !kept.empty() && !is_lower(list[kept.back()].op)) kept.pop_back();
      kept.push_back(i);
    }
    if (!signposts && !left_out.empty()) return VersionSet::all_but(eco_, std::move(left_out));
    std::vector<VersionSet::Span> spans;
    spans.reserve(kept.size());
    VersionSet::End open;  // the lower end of the span under way
    bool opened = false;
    for (const std::uint32_t i : kept) {
      Constraint& c = list[i];
      if (is_lower(c.op)) {
        open = {std::move(c.version), c.op == Op::Ge};
        opened = true;
      } else if (is_upper(c.op)) {
        spans.push_back({opened ? std::move(open) : VersionSet::End{},
                         {std::move(c.version), c.op == Op::Le}});
        opened = false;
      } else {
        spans.push_back({{c.version, true}, {std::move(c.version), true}});
      }
    }
    if (opened) spans.push_back({std::move(open), {}});
    VersionSet set = VersionSet::from_spans(eco_, std::move(spans));
    if (left_out.empty()) return set;
    return set.intersect(VersionSet::all_but(eco_, std::move(left_out)));
  }

  std::string_view text_;
  Ecosystem eco_;
};

}  // namespace

std::string_view vers_type(Ecosystem eco) {
  return kVersTypes[eco];
}

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
  if (!t) return std::unexpected(std::move(t.error()));
  Vers v{t->eco, {}, std::nullopt, t->scope != Scope::One};
  if (v.any_type) {
    if (constraints != "*") {
      std::string m = "invalid VERS '";
      m.append(text).append("'; type '").append(ascii_lower(type)).append("' takes only '*'");
      return std::unexpected(std::move(m));
    }
    v.standard = t->scope == Scope::All ? VersionSet::all(v.ecosystem) : VersionSet(v.ecosystem);
    return v;
  }
  if (is_standard_constraints(constraints)) {
    auto set = StandardReader(text, v.ecosystem).read(constraints);
    if (!set) return std::unexpected(std::move(set.error()));
    v.standard = std::move(*set);
    return v;
  }
  auto range = RangeSet::parse(constraints);
  if (!range) return std::unexpected(std::move(range.error()));
  v.range = std::move(*range);
  return v;
}

std::expected<bool, std::string> Vers::contains(std::string_view version) const {
  if (standard) return standard->contains(version);
  return range.contains(ecosystem, version);
}

std::expected<std::string, std::string> Vers::canonical() const {
  const std::string_view type = any_type ? "all" : vers_type(ecosystem);
  if (standard) return standard->to_vers(type);
  auto set = VersionSet::from_range(ecosystem, range);
  if (!set) return std::unexpected(std::move(set.error()));
  return set->to_vers(type);
}

}  // namespace ombrel
