// The schemes and the one template that makes a strategy of each: a scheme is a parse and an
// ordering; SchemeStrategy gives it its owned, in-place and on-the-stack forms behind the
// check of its ecosystem. Included by the ecosystem table alone, which holds the strategy
// objects: everything here has internal linkage, so that the compiler may inline into each
// strategy what it calls, as it would in one source file.
#pragma once

#include <type_traits>

#include "message.hpp"
#include "text.hpp"
#include "strategies/generic.hpp"
#include "strategies/registry.hpp"
#include "strategies/validators.hpp"

namespace ombrel {
namespace {

namespace scheme_detail {

template <class T>
const T& as(const ParsedRepr& r) {
  return *std::get_if<T>(&r);  // callers only pair values of the strategy's own variant
}

// A parser's result moved into `out`.
template <class T>
Check moved(std::expected<T, std::string>&& r, T& out) {
  if (!r) return failure(r);
  out = std::move(*r);
  return {};
}

// The prefix of an order by the epoch, then cmp_segments: where both sides have numbers up to
// a position, the first that differ decide (a number beyond the effective length is a
// trailing 0, which orders as the end of the list does against a number). It ends after a
// number of 64 bits or more, which may keep digits that order it against another.
inline OrderPrefix segments_prefix(std::uint64_t epoch, std::span<const Seg> segs) {
  OrderPrefix p{epoch, {}, 0};
  while (p.count < p.nums.size() && p.count < segs.size() && segs[p.count].is_num()) {
    p.nums[p.count] = segs[p.count].value;
    if (segs[p.count++].value == UINT64_MAX) break;
  }
  return p;
}

// The key of a prefix: what cmp_prefix decides, and nothing after it.
inline void write_prefix(OrderKeyWriter& w, const OrderPrefix& p) {
  w.number(p.epoch);
  for (std::size_t i = 0; i < p.count; ++i) w.number(p.nums[i]);
  w.stop();
}

}  // namespace scheme_detail

// A scheme is a parse into one alternative of ParsedRepr (`Owned`, made in place), a parse of a
// text that the caller keeps (`Local`, which lives on the stack and copies nothing out of the
// text), and one ordering of the `View` that both give (a local parse with its text).
// Optional members say more of an owned parse: `generic` the generic parse it holds,
// `canonical` its canonical text (equal for two parses exactly when they compare equal; a
// scheme whose equality the generic parse does not follow needs one, as the hash is built on
// it), `local_label` a label ordered after it.
//
// The schemes whose parse points into the text: `Owned` is the parse `P` with that text, `raw`.
template <class P, class O, void (*ParseInto)(std::string_view, P&),
          int (*Cmp)(const P&, std::string_view, const P&, std::string_view)>
struct TextScheme {
  using Owned = O;
  using Local = P;
  struct View {
    const P& parse;
    std::string_view text;
  };
  // Flattened: the copy of the text is the bulk of the work, and the compiler otherwise calls
  // out to the general string replacement for it.
  [[gnu::flatten]] static Check parse(std::string_view text, Owned& out) {
    out.raw.assign(text);
    ParseInto(text, out);
    return {};
  }
  static Check parse_local(std::string_view text, Local& out) {
    ParseInto(text, out);
    return {};
  }
  static constexpr bool kReadsEveryText = true;  // what a check asks is its validator's alone
  static View view(const Owned& v) { return {v, v.raw}; }
  static View view(const Local& v, std::string_view text) { return {v, text}; }
  static int compare(const View& a, const View& b) { return Cmp(a.parse, a.text, b.parse, b.text); }
};

struct GenericScheme : TextScheme<GenericParse, ParsedVersion, parse_generic_into, cmp_generic> {
  static const ParsedVersion* generic(const Owned& v) { return &v; }
  // cmp_generic orders by the epoch, then segment by segment; where both sides have numbers
  // up to a position, the first that differ decide (a number beyond the effective length is a
  // trailing 0, which orders as the end of the list does against a number).
  static OrderPrefix prefix(const GenericParse& v) {
    return scheme_detail::segments_prefix(v.epoch, v.segments.span());
  }
  static void key(const View& v, OrderKeyWriter& w) {
    w.number(v.parse.epoch);
    write_segments(w, {v.parse.segments.span(), v.text});
  }
};

struct SemverScheme {
  using Owned = StrictSemver;
  using Local = SemverView;
  static Check parse(std::string_view text, Owned& out) {
    return scheme_detail::moved(parse_semver_strict(text), out);
  }
  static Check parse_local(std::string_view text, Local& out) {
    return parse_semver_into(text, out);
  }
  static SemverView view(const Owned& v) { return v.view(); }
  static const SemverView& view(const Local& v, std::string_view) { return v; }
  static int compare(const SemverView& a, const SemverView& b) { return cmp_semver_strict(a, b); }
  static OrderPrefix prefix(const Owned& v) { return {0, {v.major, v.minor, v.patch}, 3}; }
  // A release above its pre-releases; identifiers in turn, numeric ones (by value) below the
  // others (as bytes, shorter first), fewer below more.
  static void key(const SemverView& v, OrderKeyWriter& w) {
    enum : std::uint8_t { kEnd = 1, kNumeric = 2, kText = 3 };
    w.number(v.major);
    w.number(v.minor);
    w.number(v.patch);
    if (!v.prerelease) return w.byte(2);
    w.byte(1);
    const std::string_view pre = *v.prerelease;
    for (std::size_t i = 0; i <= pre.size() && w.open();) {
      std::size_t e = pre.find('.', i);
      if (e == pre.npos) e = pre.size();
      const std::string_view id = pre.substr(i, e - i);
      if (const auto n = parse_u64(id)) {
        w.byte(kNumeric);
        w.number(*n);
      } else {
        w.byte(kText);
        for (std::size_t k = 0; k < id.size() && w.open(); ++k)
          w.byte(static_cast<std::uint8_t>(id[k]));
        w.byte(0);
      }
      i = e + 1;
    }
    w.byte(kEnd);
  }
};

// Debian and RPM: the [epoch:]main[-tail] split, ordered by `Kind`.
template <class Kind>
struct SplitScheme {
  using Owned = SplitVersion<Kind>;
  using Local = EpochSplit;
  static Check parse(std::string_view text, Owned& out) {
    return scheme_detail::moved(parse_split<Kind>(text), out);
  }
  static Check parse_local(std::string_view text, Local& out) {
    return parse_split_into<Kind>(text, out);
  }
  static EpochSplit view(const Owned& v) { return v.view(); }
  static const EpochSplit& view(const Local& v, std::string_view) { return v; }
  static int compare(const EpochSplit& a, const EpochSplit& b) { return cmp_split<Kind>(a, b); }
  static OrderPrefix prefix(const Owned& v) { return {v.epoch, {}, 0}; }
  static std::string canonical(const Owned& v) { return split_canonical<Kind>(v.view()); }
};
using DebianScheme = SplitScheme<Dpkg>;
using RpmScheme = SplitScheme<Rpmvercmp>;

struct Pep440Scheme {
  using Owned = Pep440Version;
  using Local = Pep440Parse;
  static Check parse(std::string_view text, Owned& out) { return parse_pep440_into(text, out); }
  static Check parse_local(std::string_view text, Local& out) {
    return parse_pep440_into(text, out);
  }
  static Pep440View view(const Owned& v) { return v.view(); }
  static Pep440View view(const Local& v, std::string_view text) { return v.view(text); }
  static int compare(const Pep440View& a, const Pep440View& b) { return cmp_pep440(a, b); }
  static OrderPrefix prefix(const Owned& v) {
    const Pep440View view = v.view();
    OrderPrefix p = scheme_detail::segments_prefix(view.epoch.value, view.key);
    if (view.epoch.value == UINT64_MAX) p.count = 0;  // epochs it cannot tell apart
    return p;
  }
  // The epoch, the key segments, then no label below a label (labels are left to compare).
  static void key(const Pep440View& v, OrderKeyWriter& w) {
    if (v.epoch.value == UINT64_MAX) {  // may keep digits beyond 64 bits
      w.byte(OrderKeyWriter::kLongNumber + 8);
      return w.stop();
    }
    w.number(v.epoch.value);
    write_segments(w, {v.key, v.text});
    w.byte(v.has_local ? 2 : 1);
    if (v.has_local) w.stop();
  }
  static std::string canonical(const Owned& v) { return pep440_canonical(v.view()); }
  static const ParsedVersion* generic(const Owned& v) { return &v.base; }
  static std::optional<SegSpan> local_label(const Owned& v) {
    if (!v.local) return std::nullopt;
    return v.local_view();
  }
};

// Maven: a short ASCII text is read into a fixed buffer on the stack; a longer one, and a kept
// version, have the item tree. The ordering reads either.
struct MavenScheme {
  using Owned = MavenVersion;
  struct Local {
    MavenFlat flat;
    std::optional<MavenVersion> tree;  // when the text is not one the buffer takes
  };
  static Check parse(std::string_view text, Owned& out) {
    return scheme_detail::moved(parse_maven(text), out);
  }
  static Check parse_local(std::string_view text, Local& out) {
    if (out.flat.read(text)) return {};
    return scheme_detail::moved(parse_maven(text), out.tree.emplace());
  }
  static MavenView view(const Owned& v) { return {nullptr, &v}; }
  static MavenView view(const Local& v, std::string_view) {
    return v.tree ? MavenView{nullptr, &*v.tree} : MavenView{&v.flat, nullptr};
  }
  static int compare(const MavenView& a, const MavenView& b) { return cmp_maven(a, b); }
  static bool takes(std::string_view text) { return is_short_maven_text(text); }
  static std::optional<int> order_texts(std::string_view a, std::string_view b) {
    return cmp_maven_texts(a, b);
  }
  static OrderPrefix prefix(const Owned&) { return {}; }
  static std::string canonical(const Owned& v) { return v.canonical(); }
};

// Arch, Alpine and Gentoo: offsets into the text, read again while comparing. Their parse
// never fails; the ecosystem's check in front of it is what refuses a text.
template <class P, void (*ParseInto)(std::string_view, P&),
          int (*Cmp)(const P&, std::string_view, const P&, std::string_view),
          std::string (*Canonical)(const P&, std::string_view)>
struct OffsetScheme : TextScheme<P, OwnedParse<P>, ParseInto, Cmp> {
  static OrderPrefix prefix(const OwnedParse<P>&) { return {}; }
  // Equal for two parses exactly when they compare equal (Arch: when their pkgvers do).
  static std::string canonical(const OwnedParse<P>& v) { return Canonical(v, v.raw); }
};
using ArchScheme = OffsetScheme<ArchParse, parse_arch_into, cmp_arch, canonical_arch>;
using AlpineScheme = OffsetScheme<AlpineParse, parse_alpine_into, cmp_alpine, canonical_alpine>;
using GentooScheme = OffsetScheme<GentooParse, parse_gentoo_into, cmp_gentoo, canonical_gentoo>;

// The schemes that copy one tool's comparison over a piece list (strategies/pieces.hpp). Their
// parsers read any text: the ecosystem's check in front decides what is refused.
template <class T, void (*ParseInto)(std::string_view, PieceParse&),
          int (*Cmp)(const SegSpan&, const SegSpan&), std::string (*Canonical)(const SegSpan&)>
struct PieceScheme {
  using Owned = T;
  using Local = PieceParse;
  static Check parse(std::string_view text, Owned& out) {
    out.raw.assign(text);
    ParseInto(out.raw, out);
    return {};
  }
  static Check parse_local(std::string_view text, Local& out) {
    ParseInto(text, out);
    return {};
  }
  static SegSpan view(const Owned& v) { return v.view(); }
  static SegSpan view(const Local& v, std::string_view text) { return v.view(text); }
  static int compare(const SegSpan& a, const SegSpan& b) { return Cmp(a, b); }
  // Each of these orders its pieces in turn, numbers by value, so that leading numbers that
  // differ decide as the prefix says.
  static OrderPrefix prefix(const Owned& v) {
    OrderPrefix p;
    while (p.count < p.nums.size() && p.count < v.pieces.size() && v.pieces[p.count].is_num())
      p.nums[p.count] = v.pieces[p.count].value, ++p.count;
    return p;
  }
  // Equal for two parses exactly when `compare` says they are equal.
  static std::string canonical(const Owned& v) { return Canonical(v.view()); }
};
using RubyScheme = PieceScheme<RubyVersion, parse_ruby_into, cmp_ruby, canonical_ruby>;
using NixScheme = PieceScheme<NixVersion, parse_nix_into, cmp_nix, canonical_nix>;
using CpanScheme = PieceScheme<CpanVersion, parse_cpan_into, cmp_cpan, canonical_cpan>;
using ComposerScheme =
    PieceScheme<ComposerVersion, parse_composer_into, cmp_composer, canonical_composer>;

// A strategy is a scheme behind the check of its ecosystem.
template <class Scheme, Validator Validate = no_check>
class SchemeStrategy final : public VersionStrategy {
  using Owned = typename Scheme::Owned;
  using Local = typename Scheme::Local;
  // Whether the scheme keys its order in full (else its key is its prefix's).
  static constexpr bool kTextKeys =
      requires(const Owned& v, OrderKeyWriter& w) { Scheme::key(Scheme::view(v), w); };

 public:
  constexpr explicit SchemeStrategy(Ecosystem eco) : eco_(eco) {}

  std::expected<ParsedRepr, std::string> parse(std::string_view text) const override {
    ParsedRepr r;
    if (auto ok = parse_into(text, r); !ok) return failure(ok);
    return r;
  }
  Check parse_into(std::string_view text, ParsedRepr& out) const override {
    if (auto ok = Validate(eco_, text); !ok) return ok;
    return Scheme::parse(text, out.emplace<Owned>());
  }
  int compare(const ParsedRepr& a, const ParsedRepr& b) const override {
    return Scheme::compare(Scheme::view(scheme_detail::as<Owned>(a)),
                           Scheme::view(scheme_detail::as<Owned>(b)));
  }
  std::expected<int, std::string> compare_texts(std::string_view a,
                                                std::string_view b) const override {
    // A scheme may order two texts it takes without the check and read of each.
    if constexpr (requires { Scheme::order_texts(a, b); })
      if (const std::optional<int> ord = Scheme::order_texts(a, b)) return *ord;
    Local la, lb;
    if (auto ok = local(a, la); !ok) return failure(ok);
    if (auto ok = local(b, lb); !ok) return failure(ok);
    return Scheme::compare(Scheme::view(la, a), Scheme::view(lb, b));
  }
  Check check(std::string_view text) const override {
    if constexpr (requires { Scheme::kReadsEveryText; }) {
      return Validate(eco_, text);
    } else {
      // And may tell some texts it takes at a glance.
      if constexpr (requires { Scheme::takes(text); })
        if (Scheme::takes(text)) return {};
      Local l;
      return local(text, l);
    }
  }
  std::expected<int, std::string> compare_with_text(const ParsedRepr& a,
                                                    std::string_view b) const override {
    Local lb;
    if (auto ok = local(b, lb); !ok) return failure(ok);
    return Scheme::compare(Scheme::view(scheme_detail::as<Owned>(a)), Scheme::view(lb, b));
  }
  OrderPrefix order_prefix(const ParsedRepr& a) const override {
    return Scheme::prefix(scheme_detail::as<Owned>(a));
  }
  OrderKey order_key(const ParsedRepr& a) const override {
    const Owned& v = scheme_detail::as<Owned>(a);
    OrderKeyWriter w;
    if constexpr (kTextKeys)
      Scheme::key(Scheme::view(v), w);
    else
      scheme_detail::write_prefix(w, Scheme::prefix(v));
    return w.done();
  }
  std::expected<OrderKey, std::string> text_order_key(std::string_view text) const override {
    if constexpr (kTextKeys) {
      Local l;
      if (auto ok = local(text, l); !ok) return failure(ok);
      OrderKeyWriter w;
      Scheme::key(Scheme::view(l, text), w);
      return w.done();
    } else {
      return OrderKey{};
    }
  }
  const ParsedVersion* generic_parse(const ParsedRepr& a) const override {
    if constexpr (requires(const Owned& v) { Scheme::generic(v); })
      return Scheme::generic(scheme_detail::as<Owned>(a));
    else
      return nullptr;
  }
  std::optional<std::string> canonical(const ParsedRepr& a) const override {
    if constexpr (requires(const Owned& v) { Scheme::canonical(v); })
      return Scheme::canonical(scheme_detail::as<Owned>(a));
    else
      return std::nullopt;
  }
  std::optional<SegSpan> local_label(const ParsedRepr& a) const override {
    if constexpr (requires(const Owned& v) { Scheme::local_label(v); })
      return Scheme::local_label(scheme_detail::as<Owned>(a));
    else
      return std::nullopt;
  }

 private:
  Check local(std::string_view text, Local& out) const {
    if (auto ok = Validate(eco_, text); !ok) return ok;
    return Scheme::parse_local(text, out);
  }

  Ecosystem eco_;
};

using GenericStrategy = SchemeStrategy<GenericScheme>;
using SemverStrategy = SchemeStrategy<SemverScheme>;
using GoStrategy = SchemeStrategy<SemverScheme, validate_go_prefix>;
using Pep440Strategy = SchemeStrategy<Pep440Scheme>;
using DebianStrategy = SchemeStrategy<DebianScheme>;
using RpmStrategy = SchemeStrategy<RpmScheme>;
using MavenStrategy = SchemeStrategy<MavenScheme, validate_maven>;
using ArchStrategy = SchemeStrategy<ArchScheme, validate_arch>;
using AlpineStrategy = SchemeStrategy<AlpineScheme, validate_digit_start>;
using GentooStrategy = SchemeStrategy<GentooScheme, validate_digit_start>;
// The light ecosystems: a check of the raw text naming the ecosystem, then the generic scheme.
using DigitStart = SchemeStrategy<GenericScheme, validate_digit_start>;
using NonEmpty = SchemeStrategy<GenericScheme, validate_non_empty>;
using ComposerStrategy = SchemeStrategy<ComposerScheme, validate_composer>;
using CranStrategy = SchemeStrategy<GenericScheme, validate_cran>;
using RubyStrategy = SchemeStrategy<RubyScheme, validate_digit_start>;
using NixStrategy = SchemeStrategy<NixScheme, validate_non_empty>;
using CpanStrategy = SchemeStrategy<CpanScheme, validate_non_empty>;

// The strategy object of one ecosystem.
template <class Strategy, Ecosystem::Id Eco>
constexpr Strategy kStrategy{Eco};

}  // namespace
}  // namespace ombrel
