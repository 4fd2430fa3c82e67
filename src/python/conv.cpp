#include "conv.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <string>

#include "pyversion.hpp"
#include "text.hpp"

namespace ombrel::py {

namespace {

// PyUnicode_Check, without its call for an exact `str`.
bool is_str(PyObject* obj) {
  return Py_IS_TYPE(obj, &PyUnicode_Type) || PyUnicode_Check(obj);
}

}  // namespace

void add_processing_note(std::string_view name) {
  PyObject *type, *value, *tb;
  PyErr_Fetch(&type, &value, &tb);
  PyErr_NormalizeException(&type, &value, &tb);
  if (value) {
    std::string note = "while processing '";
    note += name;
    note += '\'';
    Ref text(new_str(note));
    Ref r(text ? PyObject_CallMethod(value, "add_note", "O", text.get()) : nullptr);
    if (!r) PyErr_Clear();  // the original exception matters more than its note
  }
  PyErr_Restore(type, value, tb);
}

const char* docstring(const Signature& sig) {
  static std::deque<std::string> docs;  // lives as long as the process, like the functions
  std::string d = sig.name;
  d += '(';
  bool first = true;
  auto sep = [&] {
    if (!first) d += ", ";
    first = false;
  };
  if (sig.receiver != Receiver::None) {
    sep();
    d += sig.receiver == Receiver::Self ? "$self" : "$cls";
  }
  for (const Param& p : sig.params) {
    sep();
    d += p.name;
    if (p.kind == Default::Str) (d += "=\"") += p.text, d += '"';
    if (p.kind == Default::None) d += "=None";
  }
  d += ")\n--\n\n";
  if (sig.body) d += sig.body;
  return docs.emplace_back(std::move(d)).c_str();
}

namespace {

std::string fn_name(const Signature& sig) {
  return std::string(sig.name) + "()";
}

bool missing_error(const Signature& sig, PyObject* const* v, std::size_t required) {
  std::string names;
  std::size_t count = 0;
  for (std::size_t i = 0; i < required; ++i) count += v[i] == nullptr;
  std::size_t seen = 0;
  for (std::size_t i = 0; i < required; ++i) {
    if (v[i]) continue;
    ++seen;
    if (seen > 1) names += seen == count ? (count > 2 ? ", and " : " and ") : ", ";
    (names += '\'') += sig.params[i].name, names += '\'';
  }
  std::string msg = fn_name(sig) + " missing " + std::to_string(count) +
                    " required positional argument" + (count > 1 ? "s" : "") + ": " + names;
  raise_type(msg);
  return false;
}

}  // namespace

bool Args::bind(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  sig_ = &sig;
  const std::size_t total = sig.params.size();
  if (total > kMaxParams) {  // a registration mistake, caught on the first call
    PyErr_SetString(PyExc_SystemError, "too many parameters for the argument binder");
    return false;
  }
  std::size_t required = 0;
  for (const Param& p : sig.params) required += p.kind == Default::Required;
  if (static_cast<std::size_t>(nargs) > total) {
    std::string msg = fn_name(sig) + " takes ";
    if (required == total)
      msg += std::to_string(total);
    else
      msg += "from " + std::to_string(required) + " to " + std::to_string(total);
    msg += " positional argument";
    if (total != 1 || required != total) msg += 's';
    msg += " but " + std::to_string(nargs) + (nargs == 1 ? " was" : " were") + " given";
    raise_type(msg);
    return false;
  }
  for (Py_ssize_t i = 0; i < nargs; ++i) v_[i] = args[i];
  if (kwnames) {
    const Py_ssize_t nkw = PyTuple_Size(kwnames);
    for (Py_ssize_t k = 0; k < nkw; ++k) {
      PyObject* key = PyTuple_GetItem(kwnames, k);
      std::size_t i = 0;
      while (i < total && PyUnicode_CompareWithASCIIString(key, sig.params[i].name) != 0) ++i;
      if (i == total) {
        Ref repr(PyObject_Str(key));
        const auto name = repr ? text_of(repr.get()) : std::nullopt;
        if (!name) return false;
        raise_type(fn_name(sig) + " got an unexpected keyword argument '" + std::string(*name) +
                   "'");
        return false;
      }
      if (v_[i]) {
        raise_type(fn_name(sig) + " got multiple values for argument '" + sig.params[i].name + "'");
        return false;
      }
      v_[i] = args[nargs + k];
    }
  }
  for (std::size_t i = 0; i < required; ++i)
    if (!v_[i]) return missing_error(sig, v_, required);
  return true;
}

std::optional<std::string_view> Args::str(std::size_t i) const {
  if (!v_[i]) return sig_->params[i].text;
  auto t = text_of(v_[i]);
  if (!t) add_processing_note(name(i));
  return t;
}

namespace {

// The canonical names, interned once: a name written as a literal in the caller's code is the
// same object, found by its address before any text is read, in a table open-addressed by it.
// The same objects are the names results give.
class InternedNames {
 public:
  InternedNames() {
    for (std::size_t i = 0; i < Ecosystem::count; ++i)
      add(names_[i] = intern(kEcosystems[i].name), i);
    add(intern("auto"), kAuto);
  }
  // The row of the name `obj` is, kAuto for "auto", or kNone when it is none of them.
  std::size_t find(PyObject* obj) const {
    for (std::size_t k = slot(obj);; k = (k + 1) % kSlots) {
      if (slots_[k].name == obj) return slots_[k].row;
      if (!slots_[k].name) return kNone;
    }
  }
  static constexpr std::size_t kAuto = Ecosystem::count, kNone = kAuto + 1;
  // Borrowed; nullptr where it could not be made.
  PyObject* name(Ecosystem eco) const { return names_[eco]; }

 private:
  static constexpr std::size_t kSlots = 64;  // more than twice the names: probes stay short
  struct Slot {
    PyObject* name = nullptr;
    std::size_t row = 0;
  };
  static std::size_t slot(PyObject* obj) {
    return (reinterpret_cast<std::uintptr_t>(obj) >> 4) % kSlots;
  }
  static PyObject* intern(std::string_view name) {
    PyObject* s = PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
    if (s) PyUnicode_InternInPlace(&s);
    if (!s) PyErr_Clear();  // then the name is read as text
    return s;
  }
  void add(PyObject* name, std::size_t row) {
    if (!name) return;
    std::size_t k = slot(name);
    while (slots_[k].name) k = (k + 1) % kSlots;
    slots_[k] = {name, row};
  }
  std::array<Slot, kSlots> slots_{};
  std::array<PyObject*, Ecosystem::count> names_{};
};

const InternedNames& interned_names() {
  static const InternedNames interned;  // kept for the life of the process
  return interned;
}

}  // namespace

PyObject* new_ecosystem_name(Ecosystem eco) {
  PyObject* name = interned_names().name(eco);
  return name ? Py_NewRef(name) : new_str(eco.as_str());
}

// Inlined into the binder's ecosystem reader, the path of every call that names one.
[[gnu::always_inline]] inline std::optional<EcosystemArg> interned_arg(PyObject* obj,
                                                                     bool auto_allowed) {
  const InternedNames& interned = interned_names();
  const std::size_t row = interned.find(obj);
  if (row < Ecosystem::count) return EcosystemArg::of(static_cast<Ecosystem::Id>(row));
  if (row == InternedNames::kNone) return std::nullopt;
  if (auto_allowed) return *EcosystemArg::read("auto");
  return std::nullopt;
}

std::optional<EcosystemArg> interned_ecosystem(PyObject* obj, bool auto_allowed) {
  return interned_arg(obj, auto_allowed);
}

std::optional<EcosystemArg> Args::ecosystem(std::size_t i, bool auto_allowed) const {
  if (v_[i]) {
    if (auto arg = interned_arg(v_[i], auto_allowed)) return arg;
  }
  const auto name = str(i);
  if (!name) return std::nullopt;
  return read_ecosystem(*name, auto_allowed);
}

bool Args::str_or_none(std::size_t i, std::optional<std::string_view>& out) const {
  out.reset();
  if (!v_[i] || v_[i] == Py_None) return true;
  out = str(i);
  return out.has_value();
}

PyObject* raise_not_instance(PyObject* obj, const char* expected) {
  Ref name(PyType_GetName(Py_TYPE(obj)));
  const auto n = name ? text_of(name.get()) : std::nullopt;
  if (!n) return nullptr;
  std::string msg(1, '\'');
  msg += *n;
  msg += "' object is not an instance of '";
  msg += expected;
  msg += '\'';
  return raise_type(msg);
}

std::optional<std::string_view> text_of(PyObject* obj) {
  if (!is_str(obj)) {
    raise_not_instance(obj, "str");
    return std::nullopt;
  }
  Py_ssize_t n = 0;
  const char* s = PyUnicode_AsUTF8AndSize(obj, &n);
  if (!s) return std::nullopt;
  return std::string_view(s, static_cast<std::size_t>(n));
}

namespace {

PyObject* expected_version_or_str() {
  return raise_type("expected Version or str");
}

// A larger length is not trusted for the up-front allocation: a sequence may claim any length.
constexpr Py_ssize_t kMaxCapacityHint = Py_ssize_t{1} << 16;

}  // namespace

std::optional<std::vector<Ref>> extract_sequence(PyObject* obj, std::string_view name,
                                                 ItemCheck check) {
  const auto failed = [&] {
    add_processing_note(name);
    return std::nullopt;
  };
  if (PyUnicode_Check(obj)) {
    raise_type("Can't extract `str` to `Vec`");
    return failed();
  }
  if (!PySequence_Check(obj)) {
    raise_not_instance(obj, "Sequence");
    return failed();
  }
  std::vector<Ref> items;
  const Py_ssize_t len = PySequence_Size(obj);
  if (len < 0) {
    // The length is only a hint, but an interrupt or exit request is not swallowed.
    if (!PyErr_ExceptionMatches(PyExc_Exception)) return failed();
    PyErr_Clear();
  } else {
    items.reserve(static_cast<std::size_t>(std::min(len, kMaxCapacityHint)));
  }
  Ref iter(PyObject_GetIter(obj));
  if (!iter) return failed();
  while (Ref item{PyIter_Next(iter.get())}) {
    if (check && !check(item.get())) return failed();
    items.push_back(std::move(item));
  }
  if (PyErr_Occurred()) return failed();
  return items;
}

bool check_pair(PyObject* item) {
  if (!PyTuple_Check(item)) {
    raise_not_instance(item, "tuple");
    return false;
  }
  const Py_ssize_t len = PyTuple_Size(item);
  if (len == 2) return true;
  raise_type("expected tuple of length 2, but got tuple of length " + std::to_string(len));
  return false;
}

std::optional<std::string_view> extract_raw(PyObject* obj) {
  if (is_version(obj)) return as_version(obj)->raw();
  if (PyUnicode_Check(obj)) return text_of(obj);
  expected_version_or_str();
  return std::nullopt;
}

std::optional<EcosystemArg> read_ecosystem(std::string_view name, bool auto_allowed) {
  auto arg = EcosystemArg::read(name, auto_allowed);
  if (!arg) {
    raise_value(arg.error());
    return std::nullopt;
  }
  return *arg;
}

std::optional<Ecosystem> eco_from_str(std::string_view name) {
  const auto arg = read_ecosystem(name, false);
  if (!arg) return std::nullopt;
  return arg->resolve({});
}

std::optional<Ecosystem> eco_from_str(PyObject* obj, std::string_view name) {
  if (obj)
    if (const auto arg = interned_arg(obj, false)) return arg->resolve({});
  return eco_from_str(name);
}

std::optional<Ecosystem> resolve_eco(const EcosystemArg& arg, PyObject* sample) {
  // The sample is read only when it decides.
  if (!arg.is_auto() || !sample) return arg.resolve({});
  if (is_version(sample)) return arg.resolve(as_version(sample)->ecosystem);
  if (PyUnicode_Check(sample)) {
    const auto text = text_of(sample);
    if (!text) return std::nullopt;
    return arg.resolve(*text);
  }
  expected_version_or_str();
  return std::nullopt;
}

std::optional<Ecosystem> resolve_eco(std::string_view name, PyObject* sample) {
  const auto arg = EcosystemArg::read(name);
  if (!arg) {
    raise_value(arg.error());
    return std::nullopt;
  }
  return resolve_eco(*arg, sample);
}

std::optional<ParsedRepr> parse_or_raise(Ecosystem eco, std::string_view text) {
  auto r = parse_for_ecosystem(eco, text);
  if (!r) {
    raise_value(r.error());
    return std::nullopt;
  }
  return std::move(*r);
}

int compare_texts_or_raise(Ecosystem eco, std::string_view a, std::string_view b) {
  const auto r = compare_texts(eco, a, b);
  if (r) return *r;
  raise_value(r.error());
  return kRaised;
}

namespace {

// The text a version argument is ordered by: a `str`'s UTF-8 or a Version's text, which parses
// under any ecosystem as it would as a `str`. False, with nothing raised, for anything else and
// for text that cannot be encoded: those fail where they stand in the order of the checks.
bool version_text(PyObject* obj, std::string_view& out) {
  if (is_version(obj)) {
    out = as_version(obj)->raw();
    return true;
  }
  if (!is_str(obj)) return false;
  Py_ssize_t n = 0;
  const char* s = PyUnicode_AsUTF8AndSize(obj, &n);
  if (!s) {
    PyErr_Clear();
    return false;
  }
  out = {s, static_cast<std::size_t>(n)};
  return true;
}

}  // namespace

int compare_objects(Ecosystem eco, PyObject* a, PyObject* b) {
  // The common case is ordered without a kept parse of either.
  std::string_view ta, tb;
  if (version_text(a, ta) && version_text(b, tb)) return compare_texts_or_raise(eco, ta, tb);
  const auto pa = extract_parsed_for_ecosystem(a, eco);
  if (!pa) return kRaised;
  const auto pb = extract_parsed_for_ecosystem(b, eco);
  if (!pb) return kRaised;
  return compare_for_ecosystem(eco, *pa, *pb);
}

bool extract_parsed_into(PyObject* obj, Ecosystem eco, ParsedRepr& out) {
  std::string_view text;
  if (is_version(obj)) {
    text = as_version(obj)->raw();
  } else if (!is_str(obj)) {
    expected_version_or_str();
    return false;
  } else if (const auto t = text_of(obj)) {
    text = *t;
  } else {
    return false;
  }
  if (auto ok = parse_into(eco, text, out); !ok) {
    raise_value(ok.error());
    return false;
  }
  return true;
}

std::optional<ParsedRepr> extract_parsed_for_ecosystem(PyObject* obj, Ecosystem eco) {
  std::optional<ParsedRepr> out(std::in_place);
  if (!extract_parsed_into(obj, eco, *out)) return std::nullopt;
  return out;
}

}  // namespace ombrel::py
