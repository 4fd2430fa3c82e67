// Each ecosystem's own range syntax: containment, filtering and the standard VERS text.
#include "../conv.hpp"
#include "../functions.hpp"
#include "ext_functions.hpp"
#include "native/native.hpp"
#include "vers_standard.hpp"

namespace ombrel::py {
namespace {

// The constraint, or null, raised, when the ecosystem or the constraint is refused. `kept` holds
// it while it is used. A text tested one version at a time is kept for the next call with the
// same text; one that is read for a whole list or once is read afresh, so as not to push out
// the texts that repeat.
using Kept = std::shared_ptr<const std::expected<NativeConstraint, std::string>>;
const NativeConstraint* constraint_or_raise(std::string_view text, PyObject* eco_arg,
                                            std::string_view eco_name, bool repeats, Kept& kept) {
  const auto eco = eco_from_str(eco_arg, eco_name);
  if (!eco) return nullptr;
  kept = repeats ? parse_native_kept(*eco, text)
                 : std::make_shared<const Kept::element_type>(parse_native(*eco, text));
  if (!*kept) {
    raise_value(kept->error());
    return nullptr;
  }
  return &**kept;
}

// Whether `item` (a `str` or a `Version`) satisfies `c`: 0 or 1, or kRaised.
int test_item(const NativeConstraint& c, PyObject* item, ParsedRepr& scratch) {
  const auto text = extract_raw(item);
  if (!text) return kRaised;
  if (const int hit = c.contains_plain(*text); hit != kNotPlain) return hit;
  if (!extract_parsed_into(item, c.eco, scratch)) return kRaised;
  return c.contains(*text, scratch) ? 1 : 0;
}

PyObject* native_satisfies_impl(PyObject*, const Args& args) {
  const auto ecosystem = args.str(2);
  if (!ecosystem) return nullptr;
  const auto text = args.str(1);
  if (!text) return nullptr;
  Kept kept;
  const NativeConstraint* c = constraint_or_raise(*text, args[2], *ecosystem, true, kept);
  if (!c) return nullptr;
  ParsedRepr parsed;
  const int hit = test_item(*c, args[0], parsed);
  return hit == kRaised ? nullptr : new_bool(hit == 1);
}

PyObject* native_filter_impl(PyObject*, const Args& args) {
  const auto ecosystem = args.str(2);
  if (!ecosystem) return nullptr;
  const auto text = args.str(1);
  if (!text) return nullptr;
  const auto items = extract_sequence(args[0], "versions");
  if (!items) return nullptr;
  Kept kept;
  const NativeConstraint* c = constraint_or_raise(*text, args[2], *ecosystem, false, kept);
  if (!c) return nullptr;
  Ref out(PyList_New(0));
  if (!out) return nullptr;
  ParsedRepr parsed;
  for (const Ref& item : *items) {
    const int hit = test_item(*c, item.get(), parsed);
    if (hit == kRaised) return nullptr;
    if (hit == 1 && PyList_Append(out.get(), item.get()) < 0) return nullptr;
  }
  return out.release();
}

PyObject* vers_from_native_impl(PyObject*, const Args& args) {
  const auto ecosystem = args.str(0);
  if (!ecosystem) return nullptr;
  const auto text = args.str(1);
  if (!text) return nullptr;
  Kept kept;
  const NativeConstraint* c = constraint_or_raise(*text, args[0], *ecosystem, false, kept);
  if (!c) return nullptr;
  return new_str(c->to_set().to_vers(c->eco.row().vers_type));
}

constexpr Param kSatisfiesParams[] = {{"version"}, {"constraint"}, {"ecosystem"}};
constexpr Param kFilterParams[] = {{"versions"}, {"constraint"}, {"ecosystem"}};
constexpr Param kFromNativeParams[] = {{"ecosystem"}, {"constraint"}};

constexpr const char kSatisfiesDoc[] =
    "Whether `version` satisfies `constraint` written in `ecosystem`'s own range\n"
    "syntax, with that ecosystem's rules for pre-releases, partial versions and defaults.";
constexpr const char kFilterDoc[] =
    "The items of `versions` (`str` or `Version`, in input order) that satisfy\n"
    "`constraint` written in `ecosystem`'s own range syntax.";
constexpr const char kFromNativeDoc[] =
    "The canonical standard VERS text of the versions `constraint`, written in\n"
    "`ecosystem`'s own range syntax, holds; `vers:none/*` when it holds none.";

}  // namespace

const Function kNativeSatisfies{{"native_satisfies", kSatisfiesParams, kSatisfiesDoc},
                                native_satisfies_impl};
const Function kNativeFilter{{"native_filter", kFilterParams, kFilterDoc}, native_filter_impl};
const Function kVersFromNative{{"vers_from_native", kFromNativeParams, kFromNativeDoc},
                               vers_from_native_impl};

}  // namespace ombrel::py
