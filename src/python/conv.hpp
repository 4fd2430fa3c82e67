// Argument binding for every function and method, and the conversions that turn Python
// arguments into core values.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "py.hpp"
#include "strategies/registry.hpp"

namespace ombrel::py {

enum class Default : std::uint8_t { Required, Str, None };

struct Param {
  const char* name;
  Default kind = Default::Required;
  std::string_view text = {};  // the default of a Default::Str parameter
};

inline constexpr std::size_t kMaxParams = 6;

// How a callable is presented in its text signature.
enum class Receiver : std::uint8_t { None, Self, Cls };

struct Signature {
  const char* name;
  std::span<const Param> params;
  const char* body = nullptr;  // docstring text after the signature line
  Receiver receiver = Receiver::None;
};

// The docstring: text signature line, "\n--\n\n", then the body. Built once, kept for good.
const char* docstring(const Signature& sig);

class Args {
 public:
  // Binds fast-call arguments to the signature; raises TypeError and returns false on failure.
  bool bind(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames);

  PyObject* operator[](std::size_t i) const { return v_[i]; }  // borrowed; nullptr if omitted
  const char* name(std::size_t i) const { return sig_->params[i].name; }

  // A `str` parameter: the caller's UTF-8 (borrowed) or the default text.
  std::optional<std::string_view> str(std::size_t i) const;
  // An ecosystem parameter, read as read_ecosystem reads its text.
  std::optional<EcosystemArg> ecosystem(std::size_t i, bool auto_allowed = true) const;
  // A `str`-or-None parameter; omitted and None give nullopt. False on error.
  bool str_or_none(std::size_t i, std::optional<std::string_view>& out) const;

 private:
  const Signature* sig_ = nullptr;
  PyObject* v_[kMaxParams] = {};
};

// The ecosystem a canonical name or "auto" stands for when `obj` is that name's interned
// object (as a literal in the caller's code is), found by address alone; nothing otherwise.
std::optional<EcosystemArg> interned_ecosystem(PyObject* obj, bool auto_allowed);
// The canonical name of `eco` as a str: the interned object of that name, shared by every call.
PyObject* new_ecosystem_name(Ecosystem eco);
// UTF-8 of a `str` (borrowed from the object), or TypeError / UnicodeEncodeError.
std::optional<std::string_view> text_of(PyObject* obj);
// TypeError "'<type>' object is not an instance of '<expected>'"; returns nullptr.
PyObject* raise_not_instance(PyObject* obj, const char* expected);

// dict[key] = value, taking the new reference `value`; `key` is borrowed. A nullptr for either
// is a failure to make it, already raised: false, as when storing fails.
inline bool set_item(PyObject* dict, PyObject* key, PyObject* value) {
  Ref owned(value);
  return key && owned && PyDict_SetItem(dict, key, owned.get()) == 0;
}
// `out` = dict[key] (a new reference, since looking up the next key may run Python code that
// removes this one), or empty when the key is missing; false on error. The lookup is the
// dict's own: a subclass's __getitem__ or __missing__ is not called.
inline bool get_item(PyObject* dict, PyObject* key, Ref& out) {
  PyObject* value = key ? PyDict_GetItemWithError(dict, key) : nullptr;
  out = Ref(value ? Py_NewRef(value) : nullptr);
  return value || (key && !PyErr_Occurred());
}

// A sequence argument, read to the end before anything else happens, as owned items. A `str`
// is refused, as is anything that fails the sequence check; `check`, when given, vets each item
// as it arrives. Failures raise with the note naming the argument.
using ItemCheck = bool (*)(PyObject* item);
std::optional<std::vector<Ref>> extract_sequence(PyObject* obj, std::string_view name,
                                                 ItemCheck check = nullptr);
// An item of a list of pairs: a `tuple` of exactly two members; raises otherwise.
bool check_pair(PyObject* item);

// Conversions shared by the module functions. Each raises and returns nothing on failure.
std::optional<std::string_view> extract_raw(PyObject* obj);
// An ecosystem argument, read by EcosystemArg::read.
std::optional<EcosystemArg> read_ecosystem(std::string_view name, bool auto_allowed = true);
// A name or alias where `auto` is not allowed.
std::optional<Ecosystem> eco_from_str(std::string_view name);
// The same, `name` being the text of `obj` (or of a default, when null): an interned canonical
// name is known by its address.
std::optional<Ecosystem> eco_from_str(PyObject* obj, std::string_view name);
// The ecosystem the argument names, or under auto the one `sample` gives: a `Version`'s own, a
// `str`'s detected one, none (nullptr) generic; anything else is refused.
std::optional<Ecosystem> resolve_eco(const EcosystemArg& arg, PyObject* sample);
std::optional<Ecosystem> resolve_eco(std::string_view name, PyObject* sample);
std::optional<ParsedRepr> extract_parsed_for_ecosystem(PyObject* obj, Ecosystem eco);
// The same, made in `out` (left partly filled on failure).
bool extract_parsed_into(PyObject* obj, Ecosystem eco, ParsedRepr& out);
std::optional<ParsedRepr> parse_or_raise(Ecosystem eco, std::string_view text);
// The order of two texts, or of two version arguments (`str` or `Version`), under `eco`:
// -1, 0 or 1, or kRaised with the exception set. (A plain int: an optional returned here
// costs a stall on every call.)
inline constexpr int kRaised = 2;
int compare_texts_or_raise(Ecosystem eco, std::string_view a, std::string_view b);
int compare_objects(Ecosystem eco, PyObject* a, PyObject* b);

}  // namespace ombrel::py
