// The Version class.
#include "pyversion.hpp"

#include <cstring>
#include <expected>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "functions.hpp"
#include "text.hpp"
#include "version_key.hpp"

namespace ombrel::py {

PyTypeObject* version_type = nullptr;

namespace {

// Construction.

// The ecosystem a text is kept under: the named one when the text parses under it, under auto
// the detected one, or generic when the guess does not fit the text.
std::expected<Ecosystem, std::string> ecosystem_for(std::string_view raw, const EcosystemArg& arg) {
  const Ecosystem eco = arg.resolve(raw);
  if (auto ok = check_text(eco, raw); !ok) {
    if (!arg.is_auto()) return std::unexpected(std::move(ok.error()));
    return Ecosystem(Ecosystem::Generic);
  }
  return eco;
}

// The memory of lately freed Versions, kept for the next ones made: most are made and dropped
// in a loop, where the allocator's round trip is a good part of their cost. The interpreter's
// lock guards it; it holds a few blocks at most.
struct SpareVersions {
  static constexpr int kMax = 32;
  void* block[kMax];
  int count = 0;
};
SpareVersions spare_versions;

PyObject* wrap(std::string_view raw, Ecosystem eco) {
  char* heap = nullptr;
  if (raw.size() > VersionObject::kInlineText) {
    heap = static_cast<char*>(PyMem_Malloc(raw.size()));
    if (!heap) return PyErr_NoMemory();
  }
  // Every field is set below, so the memory is not cleared first; the class is not a
  // container of objects, so it needs none of the collector's bookkeeping either.
  void* memory = spare_versions.count > 0 ? spare_versions.block[--spare_versions.count]
                                          : PyObject_Malloc(sizeof(VersionObject));
  if (!memory) {
    PyMem_Free(heap);
    return PyErr_NoMemory();
  }
  // Takes a reference to the class, which dealloc gives back.
  PyObject* obj = PyObject_Init(static_cast<PyObject*>(memory), version_type);
  VersionObject* v = as_version(obj);
  v->hash = -1;
  v->size = raw.size();
  v->ecosystem = eco;
  char* text = heap ? (v->heap_text = heap) : v->inline_text;
  if (!raw.empty()) std::memcpy(text, raw.data(), raw.size());
  return obj;
}

void version_dealloc(PyObject* self) {
  VersionObject* v = as_version(self);
  if (v->size > VersionObject::kInlineText) PyMem_Free(v->heap_text);
  PyTypeObject* type = Py_TYPE(self);
  if (spare_versions.count < SpareVersions::kMax)
    spare_versions.block[spare_versions.count++] = self;
  else
    PyObject_Free(self);  // as wrap allocated it
  Py_DECREF(type);
}

// The kept parses a Version had before it kept only its text: its generic parse and its
// ecosystem's own, for what reads more than an order.
struct Parses {
  ParsedVersion parsed;
  ParsedRepr repr;
};

Parses parses_of(const VersionObject* v) {
  auto repr = parse_for_ecosystem(v->ecosystem, v->raw());
  if (!repr) throw std::logic_error("a kept version text no longer parses: " + repr.error());
  const ParsedVersion* made = v->ecosystem.strategy().generic_parse(*repr);
  ParsedVersion parsed = made ? *made : parse_generic(v->raw());
  return {std::move(parsed), std::move(*repr)};
}

constexpr Param kNewParams[] = {{"version"}, {"ecosystem", Default::Str, "auto"}};

// The constructor, `parse` and `try_parse`; only the last turns a rejection into None.
// Argument type errors raise in all three.
template <bool OrNone>
PyObject* construct_impl(PyObject*, const Args& args) {
  const auto raw = args.str(0);
  if (!raw) return nullptr;
  if (!OrNone) {
    const auto arg = args.ecosystem(1);
    return arg ? new_version(*raw, *arg) : nullptr;
  }
  const auto name = args.str(1);
  if (!name) return nullptr;
  const auto arg = EcosystemArg::read(*name);
  if (!arg) return Py_NewRef(Py_None);  // an unknown name is a rejection too
  const auto eco = ecosystem_for(*raw, *arg);
  return eco ? wrap(*raw, *eco) : Py_NewRef(Py_None);
}

const Function kNew{{"Version", kNewParams}, construct_impl<false>};
const Function kParse{
    {"parse", kNewParams,
     "Classmethod alternative to the constructor; raises `ValueError` on invalid input.",
     Receiver::Cls},
    construct_impl<false>};
const Function kTryParse{
    {"try_parse", kNewParams, "Fallible parse; returns None instead of raising on invalid input."},
    construct_impl<true>};

// tp_new receives a tuple and a dict; the binder takes the fast-call form.
PyObject* version_new(PyTypeObject* type, PyObject* args, PyObject* kwds) {
  return guarded([&]() -> PyObject* {
    const Py_ssize_t nargs = PyTuple_Size(args);
    const Py_ssize_t nkw = kwds ? PyDict_Size(kwds) : 0;
    if (nargs < 0 || nkw < 0) return nullptr;
    // The usual call, a `str` alone or with a canonical name written as a literal, needs none
    // of the binder's checks; anything else, or text that cannot be encoded, goes through it.
    if (nkw == 0 && (nargs == 1 || nargs == 2)) {
      PyObject* text = PyTuple_GetItem(args, 0);
      static const EcosystemArg kAuto = *EcosystemArg::read("auto");
      const auto arg =
          nargs == 1 ? kAuto : interned_ecosystem(PyTuple_GetItem(args, 1), true);
      Py_ssize_t n = 0;
      const char* s = arg && PyUnicode_CheckExact(text) ? PyUnicode_AsUTF8AndSize(text, &n) : nullptr;
      if (s) return new_version({s, static_cast<std::size_t>(n)}, *arg);
      PyErr_Clear();
    }
    SmallVec<PyObject*, kMaxParams> values;  // borrowed from the tuple and the dict
    values.reserve(static_cast<std::size_t>(nargs + nkw));
    for (Py_ssize_t i = 0; i < nargs; ++i) values.push_back(PyTuple_GetItem(args, i));
    Ref kwnames;
    if (nkw > 0) {
      kwnames = Ref(PyTuple_New(nkw));
      if (!kwnames) return nullptr;
      Py_ssize_t pos = 0, k = 0;
      PyObject *key, *value;
      while (PyDict_Next(kwds, &pos, &key, &value)) {
        PyTuple_SetItem(kwnames.get(), k++, Py_NewRef(key));
        values.push_back(value);
      }
    }
    return call<kNew>(reinterpret_cast<PyObject*>(type), values.data(), nargs, kwnames.get());
  });
}

// Accessors.

std::string_view raw_of(PyObject* self) {
  return as_version(self)->raw();
}

// The generic parse of a Version's text, made on the stack, with that text.
struct GenericOf : GenericParse {
  std::string_view raw;
  explicit GenericOf(PyObject* self) : raw(raw_of(self)) { parse_generic_into(raw, *this); }
};

PyObject* segment_object(const GenericOf& pv, const Seg& s) {
  if (s.is_num()) return PyLong_FromUnsignedLongLong(s.value);
  return new_str(GenericParse::tag_text(pv.raw, s));
}

// A tuple of `n` items made by `item(i)`, each a new reference or nullptr on failure.
template <class F>
PyObject* tuple_of(std::size_t n, F&& item) {
  Ref out(PyTuple_New(static_cast<Py_ssize_t>(n)));
  if (!out) return nullptr;
  for (std::size_t i = 0; i < n; ++i) {
    PyObject* value = item(i);
    if (!value) return nullptr;
    PyTuple_SetItem(out.get(), static_cast<Py_ssize_t>(i), value);
  }
  return out.release();
}

PyObject* get_raw(PyObject* self, void*) {
  return new_str(raw_of(self));
}
PyObject* get_ecosystem(PyObject* self, void*) {
  return new_str(as_version(self)->ecosystem.as_str());
}
PyObject* get_epoch(PyObject* self, void*) {
  return PyLong_FromUnsignedLongLong(GenericOf(self).epoch);
}
PyObject* get_build(PyObject* self, void*) {
  const GenericOf pv(self);
  return new_str(pv.build_in(pv.raw));
}
PyObject* get_is_prerelease(PyObject* self, void*) {
  return new_bool(GenericOf(self).is_prerelease);
}
PyObject* get_is_postrelease(PyObject* self, void*) {
  return new_bool(GenericOf(self).is_postrelease);
}
PyObject* get_is_stable(PyObject* self, void*) {
  return new_bool(!GenericOf(self).is_prerelease);
}
PyObject* get_count(PyObject* self, void*) {
  return PyLong_FromSize_t(GenericOf(self).segments.size());
}

template <std::size_t K>
PyObject* get_component(PyObject* self, void*) {
  return PyLong_FromUnsignedLongLong(GenericOf(self).number_at(K));
}

PyObject* version_str(PyObject* self) {
  return new_str(raw_of(self));
}

PyObject* version_repr(PyObject* self) {
  return guarded([&] {
    std::string text = "Version('";
    text += raw_of(self);
    text += "')";
    return new_str(text);
  });
}

Py_ssize_t version_length(PyObject* self) {
  return static_cast<Py_ssize_t>(GenericOf(self).segments.size());
}

int version_bool(PyObject* self) {
  return !GenericOf(self).segments.empty();
}

PyObject* index_error(long long idx, std::size_t count) {
  return raise(PyExc_IndexError, "segment index " + std::to_string(idx) +
                                     " out of range (version has " + std::to_string(count) +
                                     " segments)");
}

PyObject* version_subscript(PyObject* self, PyObject* key) {
  return guarded([&]() -> PyObject* {
    if (!PyLong_Check(key)) {
      raise_not_instance(key, "int");
      add_processing_note("idx");
      return nullptr;
    }
    const long long idx = PyLong_AsLongLong(key);
    if (idx == -1 && PyErr_Occurred()) {
      add_processing_note("idx");
      return nullptr;
    }
    const GenericOf pv(self);
    const auto count = static_cast<long long>(pv.segments.size());
    const long long pos = idx < 0 ? idx + count : idx;
    if (pos < 0 || pos >= count) return index_error(idx, pv.segments.size());
    return segment_object(pv, pv.segments[static_cast<std::size_t>(pos)]);
  });
}

// Legacy iteration and `in` come through here: the position goes on as a Python int.
PyObject* version_item(PyObject* self, Py_ssize_t i) {
  Ref key(PyLong_FromSsize_t(i));
  return key ? version_subscript(self, key.get()) : nullptr;
}

PyObject* segments_impl(PyObject* self, const Args&) {
  const GenericOf pv(self);
  return tuple_of(pv.segments.size(),
                  [&](std::size_t i) { return segment_object(pv, pv.segments[i]); });
}

// The leading numbers, up to the first tag.
PyObject* release_impl(PyObject* self, const Args&) {
  const GenericOf pv(self);
  const SegVec& segs = pv.segments;
  std::size_t n = 0;
  while (n < segs.size() && segs[n].is_num()) ++n;
  return tuple_of(n, [&](std::size_t i) { return PyLong_FromUnsignedLongLong(segs[i].value); });
}

// Ordering and hashing.

PyObject* version_richcompare(PyObject* self, PyObject* other, int op) {
  return guarded([&]() -> PyObject* {
    const VersionObject* v = as_version(self);
    int order;
    if (is_version(other)) {
      const VersionObject* w = as_version(other);
      order = compare_across(v->ecosystem, v->raw(), w->ecosystem, w->raw());
    } else if (PyUnicode_Check(other)) {
      const auto text = text_of(other);
      if (!text) return nullptr;
      order = compare_texts_or_raise(v->ecosystem, v->raw(), *text);
      if (order == kRaised) return nullptr;
    } else {
      Py_RETURN_NOTIMPLEMENTED;
    }
    Py_RETURN_RICHCOMPARE(order, 0, op);
  });
}

Py_hash_t version_hash_slot(PyObject* self) {
  try {
    VersionObject* v = as_version(self);
    if (v->hash == -1) {
      const Parses p = parses_of(v);
      v->hash = static_cast<Py_hash_t>(version_hash(v->ecosystem, p.parsed, p.repr));
    }
    return v->hash;
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
    return -1;
  } catch (const std::exception& e) {
    raise(PyExc_SystemError, e.what());
    return -1;
  }
}

constexpr Param kCompareParams[] = {{"other"}, {"ecosystem", Default::None}};

PyObject* compare_impl(PyObject* self, const Args& args) {
  std::optional<std::string_view> name;
  if (!args.str_or_none(1, name)) return nullptr;
  const VersionObject* v = as_version(self);
  Ecosystem eco = v->ecosystem;  // no name: as under auto, its own
  if (name) {
    const auto arg = read_ecosystem(*name);
    if (!arg) return nullptr;
    eco = arg->resolve(v->ecosystem);
  }
  const auto left = parse_or_raise(eco, v->raw());
  if (!left) return nullptr;
  const auto right = extract_parsed_for_ecosystem(args[0], eco);
  if (!right) return nullptr;
  return new_int(compare_for_ecosystem(eco, *left, *right));
}

PyObject* key_item(const KeyItem& item) {
  Ref kind(PyLong_FromLong(item.kind));
  Ref value(PyLong_FromLongLong(item.value));
  Ref text(new_str(ascii_lower(item.text)));
  if (!kind || !value || !text) return nullptr;
  return PyTuple_Pack(3, kind.get(), value.get(), text.get());
}

PyObject* sort_key_impl(PyObject* self, const Args&) {
  const VersionObject* v = as_version(self);
  const Parses p = parses_of(v);
  const std::vector<KeyItem> items = sort_key(v->ecosystem, p.parsed, p.repr);
  return tuple_of(items.size(), [&](std::size_t i) { return key_item(items[i]); });
}

// Serialisation.

PyObject* to_dict_impl(PyObject* self, const Args&) {
  const VersionObject* v = as_version(self);
  const GenericOf pv(self);
  Ref d(PyDict_New());
  if (!d) return nullptr;
  // The key is made only once its value is.
  const auto put = [&](const char* key, PyObject* value) {
    Ref k(value ? PyUnicode_InternFromString(key) : nullptr);
    return set_item(d.get(), k.get(), value);
  };
  const bool ok = put("raw", new_str(pv.raw)) && put("ecosystem", new_str(v->ecosystem.as_str())) &&
                  put("epoch", PyLong_FromUnsignedLongLong(pv.epoch)) &&
                  put("major", PyLong_FromUnsignedLongLong(pv.number_at(0))) &&
                  put("minor", PyLong_FromUnsignedLongLong(pv.number_at(1))) &&
                  put("patch", PyLong_FromUnsignedLongLong(pv.number_at(2))) &&
                  put("build", new_str(pv.build_in(pv.raw))) &&
                  put("is_prerelease", new_bool(pv.is_prerelease)) &&
                  put("is_postrelease", new_bool(pv.is_postrelease));
  return ok ? d.release() : nullptr;
}

constexpr Param kFromDictParams[] = {{"data"}};

PyObject* from_dict_impl(PyObject*, const Args& args) {
  PyObject* data = args[0];
  if (!PyDict_Check(data)) {
    raise_not_instance(data, "dict");
    add_processing_note(args.name(0));
    return nullptr;
  }
  const auto lookup = [&](const char* key, Ref& out) {
    Ref k(PyUnicode_FromString(key));
    return get_item(data, k.get(), out);
  };
  Ref raw_obj, eco_obj;
  if (!lookup("raw", raw_obj)) return nullptr;
  if (!raw_obj) return raise_value("missing 'raw' key");
  const auto raw = text_of(raw_obj.get());
  if (!raw) return nullptr;
  if (!lookup("ecosystem", eco_obj)) return nullptr;
  std::string_view eco = "auto";
  if (eco_obj) {
    const auto name = text_of(eco_obj.get());
    if (!name) return nullptr;
    eco = *name;
  }
  return new_version(*raw, eco);
}

PyObject* reduce_impl(PyObject* self, const Args&) {
  const VersionObject* v = as_version(self);
  Ref raw(new_str(v->raw()));
  Ref eco(new_str(v->ecosystem.as_str()));
  if (!raw || !eco) return nullptr;
  Ref ctor_args(PyTuple_Pack(2, raw.get(), eco.get()));
  if (!ctor_args) return nullptr;
  return PyTuple_Pack(2, reinterpret_cast<PyObject*>(Py_TYPE(self)), ctor_args.get());
}

const Function kSegments{{"segments", {}, nullptr, Receiver::Self}, segments_impl};
const Function kRelease{{"release", {}, nullptr, Receiver::Self}, release_impl};
const Function kCompareMethod{{"compare", kCompareParams, nullptr, Receiver::Self}, compare_impl};
const Function kToDict{{"to_dict", {}, nullptr, Receiver::Self}, to_dict_impl};
const Function kFromDict{
    {"from_dict", kFromDictParams, "Reconstruct a Version from the dict produced by `to_dict()`.",
     Receiver::Cls},
    from_dict_impl};
const Function kReduce{{"__reduce__",
                        {},
                        "Pickle support. Restores via `Version(raw, ecosystem)` so the parsed\n"
                        "state is rebuilt identically.",
                        Receiver::Self},
                       reduce_impl};
const Function kSortKey{{"sort_key", {}, nullptr, Receiver::Self}, sort_key_impl};

// The type.

PyMethodDef* method_table() {
  static PyMethodDef table[] = {
      method_def<kSegments>(),
      method_def<kRelease>(),
      method_def<kCompareMethod>(),
      method_def<kToDict>(),
      method_def<kFromDict>(METH_CLASS),
      method_def<kParse>(METH_CLASS),
      method_def<kTryParse>(METH_STATIC),
      method_def<kReduce>(),
      method_def<kSortKey>(),
      {nullptr, nullptr, 0, nullptr},
  };
  return table;
}

PyGetSetDef getset_table[] = {
    {"raw", get_raw, nullptr, nullptr, nullptr},
    {"ecosystem", get_ecosystem, nullptr, nullptr, nullptr},
    {"epoch", get_epoch, nullptr, nullptr, nullptr},
    {"build", get_build, nullptr, nullptr, nullptr},
    {"is_prerelease", get_is_prerelease, nullptr, nullptr, nullptr},
    {"is_postrelease", get_is_postrelease, nullptr, nullptr, nullptr},
    {"is_stable", get_is_stable, nullptr, nullptr, nullptr},
    {"count", get_count, nullptr, nullptr, nullptr},
    {"major", get_component<0>, nullptr, nullptr, nullptr},
    {"minor", get_component<1>, nullptr, nullptr, nullptr},
    {"patch", get_component<2>, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

template <class F>
void* slot_fn(F f) {
  return reinterpret_cast<void*>(f);
}

}  // namespace

PyObject* new_version(std::string_view raw, const EcosystemArg& arg) {
  // A plain release under a named ecosystem is kept as it stands, with no message to make.
  if (!arg.is_auto())
    if (const Ecosystem named = arg.resolve({}); plain_parts(named.row().plain, raw))
      return wrap(raw, named);
  const auto eco = ecosystem_for(raw, arg);
  return eco ? wrap(raw, *eco) : raise_value(eco.error());
}

PyObject* new_version(std::string_view raw, std::string_view ecosystem) {
  const auto arg = read_ecosystem(ecosystem);
  return arg ? new_version(raw, *arg) : nullptr;
}

void forget_spare_versions() {
  while (spare_versions.count > 0) PyObject_Free(spare_versions.block[--spare_versions.count]);
}

bool add_version_type(PyObject* module) {
  PyType_Slot slots[] = {
      {Py_tp_new, slot_fn(&version_new)},
      {Py_tp_dealloc, slot_fn(&version_dealloc)},
      {Py_tp_str, slot_fn(&version_str)},
      {Py_tp_repr, slot_fn(&version_repr)},
      {Py_tp_hash, slot_fn(&version_hash_slot)},
      {Py_tp_richcompare, slot_fn(&version_richcompare)},
      {Py_mp_length, slot_fn(&version_length)},
      {Py_mp_subscript, slot_fn(&version_subscript)},
      {Py_sq_item, slot_fn(&version_item)},
      {Py_nb_bool, slot_fn(&version_bool)},
      {Py_tp_methods, method_table()},
      {Py_tp_getset, getset_table},
      {Py_tp_doc, const_cast<char*>(docstring(kNew.sig))},
      {0, nullptr},
  };
  PyType_Spec spec = {"ombrel.Version", static_cast<int>(sizeof(VersionObject)), 0,
                      Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE, slots};
  PyObject* type = PyType_FromSpec(&spec);
  if (!type) return false;
  // The class outlives any one module object: instances keep it alive, and the conversions
  // recognise instances by it.
  PyTypeObject* previous =
      std::exchange(version_type, reinterpret_cast<PyTypeObject*>(Py_NewRef(type)));
  Py_XDECREF(reinterpret_cast<PyObject*>(previous));
  return add_export(module, "Version", type);
}

}  // namespace ombrel::py
