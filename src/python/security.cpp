// Package URLs, VERS specifiers and OSV advisories.
#include "ext/ext_functions.hpp"
#include "functions.hpp"
#include "osv.hpp"
#include "osv_database.hpp"
#include "parse_cache.hpp"
#include "purl.hpp"
#include "text.hpp"
#include "vers.hpp"

namespace ombrel::py {

namespace {

// Every dictionary key this file reads or writes.
enum Key : std::uint8_t {
  // parse_purl
  kType,
  kNamespace,
  kName,
  kVersion,
  kQualifiers,
  kSubpath,
  kEcosystem,
  // osv_affected (and kType, kName, kEcosystem)
  kPackage,
  kRanges,
  kEvents,
  kIntroduced,
  kFixed,
  kLastAffected,
  kLimit,
  kVersions,
  // the database (and the keys above)
  kId,
  kAffected,
  kWithdrawn,
};
constexpr const char* kKeyNames[] = {
    "type",    "namespace", "name",   "version",    "qualifiers", "subpath",       "ecosystem",
    "package", "ranges",    "events", "introduced", "fixed",      "last_affected", "limit",
    "versions", "id",        "affected", "withdrawn",
};

// The interned key string, made on first use and kept, like the function objects, for the
// life of the process: making and hashing seven fresh keys would cost parse_purl more than
// the parse itself. Borrowed; nullptr with an exception set when it cannot be made.
PyObject* key_object(Key key) {
  static PyObject* keys[std::size(kKeyNames)] = {};
  if (!keys[key]) keys[key] = PyUnicode_InternFromString(kKeyNames[key]);
  return keys[key];
}

PyObject* new_str_or_none(std::optional<std::string_view> s) {
  return s ? new_str(*s) : Py_NewRef(Py_None);
}

// ---- package URLs ----

constexpr Param kPurlParams[] = {{"purl"}};

// A new dict of the seven parse_purl keys, in order, all None. Copying a kept template sizes
// its table once, where seven insertions into an empty dict would grow it on the sixth.
PyObject* new_purl_dict() {
  static PyObject* tmpl = nullptr;
  if (!tmpl) {
    Ref d(PyDict_New());
    if (!d) return nullptr;
    for (const Key k : {kType, kNamespace, kName, kVersion, kQualifiers, kSubpath, kEcosystem}) {
      PyObject* key = key_object(k);
      if (!key || PyDict_SetItem(d.get(), key, Py_None) < 0) return nullptr;
    }
    tmpl = d.release();
  }
  return PyDict_Copy(tmpl);
}

// A lower-case purl type as a str. The types of the ecosystems are made once and shared: most
// purls name one of them.
PyObject* new_purl_type(std::string_view type, std::optional<Ecosystem> eco) {
  if (!eco) return new_str(type);
  constexpr std::size_t kTypes = std::tuple_size_v<decltype(EcosystemRow::purl_types)>;
  static PyObject* kept[Ecosystem::count][kTypes] = {};
  const auto& types = eco->row().purl_types;
  std::size_t i = 0;
  while (types[i] != type) ++i;  // `eco` was found by one of them
  if (!kept[*eco][i]) kept[*eco][i] = new_str(type);
  return kept[*eco][i] ? Py_NewRef(kept[*eco][i]) : nullptr;
}

// A new dict of the parts of `text`.
PyObject* new_purl_parts(std::string_view text) {
  const auto p = PurlView::parse(text);
  if (!p) return raise_value(p.error());
  const std::string type = ascii_lower(p->type);
  const auto eco = Ecosystem::from_purl_type(type);
  std::string scratch;
  std::optional<std::string_view> ns;
  if (!p->namespace_.empty()) ns = p->clean_namespace(scratch);

  Ref dict(new_purl_dict());
  if (!dict) return nullptr;
  // Absent parts keep the template's None.
  auto put = [&](Key key, std::optional<std::string_view> part) {
    return !part || set_item(dict.get(), key_object(key), new_str(*part));
  };
  if (!set_item(dict.get(), key_object(kType), new_purl_type(type, eco)) || !put(kNamespace, ns) ||
      !put(kName, p->name) || !put(kVersion, p->version) || !put(kQualifiers, p->qualifiers) ||
      !put(kSubpath, p->subpath) ||
      (eco && !set_item(dict.get(), key_object(kEcosystem), new_ecosystem_name(*eco))))
    return nullptr;
  return dict.release();
}

// The parts of purls parsed lately, so that a text parsed again and again is cut and made into
// strs once: each call gets a copy of the kept dict, whose values, strs and None, are immutable
// and so shared. A text is kept when it comes to its slot twice running, so that a stream of
// distinct purls costs a hash each and pushes nothing out. Bounded: kSlots dicts, of texts of
// at most kMaxText bytes, compared byte for byte. Making an object may run the garbage
// collector and, through a finalizer, parse_purl again: a slot is read before anything is made
// and written after, and a kept dict is held while it is copied.
class PurlCache {
 public:
  PyObject* parts(std::string_view text) {
    if (text.size() > kMaxText) return new_purl_parts(text);
    const std::uint64_t hash = quick_hash(text);
    Slot& s = slots_[(hash >> 40) % kSlots];
    if (s.dict && s.hash == hash && s.text() == text) {
      const Ref kept(Py_NewRef(s.dict));
      return PyDict_Copy(kept.get());
    }
    if (std::exchange(s.seen, hash) != hash) return new_purl_parts(text);
    Ref made(new_purl_parts(text));
    if (!made) return nullptr;
    Ref copy(PyDict_Copy(made.get()));
    if (!copy) return nullptr;
    const Ref evicted(std::exchange(s.dict, made.release()));
    s.hash = hash;
    s.size = static_cast<std::uint16_t>(text.size());
    std::memcpy(s.bytes, text.data(), text.size());
    return copy.release();
  }

  void clear() {
    for (Slot& s : slots_) Ref evicted(std::exchange(s.dict, nullptr));
  }

 private:
  static constexpr std::size_t kSlots = 64, kMaxText = 256;
  struct Slot {
    std::uint64_t hash = 0;  // of the kept text
    std::uint64_t seen = 0;  // of the text that came here last
    PyObject* dict = nullptr;  // owned; null while empty
    std::uint16_t size = 0;
    char bytes[kMaxText];

    std::string_view text() const { return {bytes, size}; }
  };
  std::array<Slot, kSlots> slots_{};
};

PurlCache purl_cache;

PyObject* parse_purl_impl(PyObject*, const Args& args) {
  const auto text = args.str(0);
  if (!text) return nullptr;
  return purl_cache.parts(*text);
}

PyObject* purl_ecosystem_impl(PyObject*, const Args& args) {
  const auto text = args.str(0);
  if (!text) return nullptr;
  const auto p = Purl::parse(*text);
  if (!p) return raise_value(p.error());
  const auto eco = p->ecosystem();
  return new_str_or_none(eco ? std::optional(eco->as_str()) : std::nullopt);
}

constexpr Param kBuildPurlParams[] = {{"package_type"},
                                      {"name"},
                                      {"version", Default::None},
                                      {"namespace", Default::None},
                                      {"qualifiers", Default::None},
                                      {"subpath", Default::None}};

PyObject* build_purl_impl(PyObject*, const Args& args) {
  const auto type = args.str(0);
  if (!type) return nullptr;
  const auto name = args.str(1);
  if (!name) return nullptr;
  std::optional<std::string_view> version, ns, qualifiers, subpath;
  if (!args.str_or_none(2, version) || !args.str_or_none(3, ns) ||
      !args.str_or_none(4, qualifiers) || !args.str_or_none(5, subpath))
    return nullptr;
  const auto purl = build_purl(*type, ns, *name, version, qualifiers, subpath);
  return purl ? new_str(*purl) : raise_value(purl.error());
}

// ---- VERS ----

constexpr Param kBuildVersParams[] = {{"ecosystem"}, {"range"}};

PyObject* build_vers_impl(PyObject*, const Args& args) {
  const auto name = args.str(0);
  if (!name) return nullptr;
  const auto range = args.str(1);
  if (!range) return nullptr;
  const auto vers = format_vers(*name, *range);
  return vers ? new_str(*vers) : raise_value(vers.error());
}

constexpr Param kVersContainsParams[] = {{"vers"}, {"version"}};

PyObject* vers_contains_impl(PyObject*, const Args& args) {
  const auto text = args.str(0);
  if (!text) return nullptr;
  const auto version = args.str(1);
  if (!version) return nullptr;
  const auto hit = ombrel::vers_contains(*text, *version);
  if (!hit) return raise_value(hit.error());
  return new_bool(*hit);
}

constexpr Param kVersCanonicalParams[] = {{"vers"}};
constexpr const char kVersCanonicalDoc[] =
    "The canonical standard VERS text of the versions that `vers` holds,\n"
    "standard or written in the library's range language: the standard\n"
    "type, then the constraints in version order, redundant ones dropped.";

PyObject* vers_canonical_impl(PyObject*, const Args& args) {
  const auto text = args.str(0);
  if (!text) return nullptr;
  const auto vers = Vers::parse(*text);
  if (!vers) return raise_value(vers.error());
  const auto canonical = vers->canonical();
  if (!canonical) return raise_value(canonical.error());
  return new_str(*canonical);
}

// ---- OSV ----

// How a walk over advisory JSON meets a value of the wrong type. `osv_affected` raises the
// TypeError of the mismatch; the database, reading advisories it was handed as data, a
// ValueError that names the advisory and the key.
struct Shape {
  std::string_view advisory;  // the id, for the database; empty for osv_affected
  bool database = false;

  bool dict(PyObject* obj, std::string_view what) const {
    return PyDict_Check(obj) || fail(obj, "dict", "an object", what);
  }
  bool list(PyObject* obj, std::string_view what) const {
    return PyList_Check(obj) || fail(obj, "list", "a list", what);
  }
  std::optional<std::string_view> text(PyObject* obj, std::string_view what) const {
    if (!PyUnicode_Check(obj) && !fail(obj, "str", "a string", what)) return std::nullopt;
    return text_of(obj);
  }
  bool fail(PyObject* obj, const char* type, std::string_view json, std::string_view what) const {
    if (!database) {
      raise_not_instance(obj, type);
      return false;
    }
    std::string m(advisory);
    if (!m.empty()) m += ": ";
    ((m += what) += " is not ") += json;
    raise_value(m);
    return false;
  }
};

std::string quoted_key(Key key) {
  std::string q(1, '\'');
  return (q += kKeyNames[key]) += '\'';
}

// `out` = dict[key] checked to be a str, or nothing when the key is missing; false on error.
bool get_text(PyObject* dict, Key key, const Shape& shape, std::optional<std::string_view>& out,
              std::vector<Ref>& keep) {
  Ref value;
  if (!get_item(dict, key_object(key), value)) return false;
  out.reset();
  if (!value) return true;
  out = shape.text(value.get(), quoted_key(key));
  if (!out) return false;
  keep.push_back(std::move(value));
  return true;
}

// The keys of an event, in the order of OsvEventKind.
constexpr Key kEventKeys[] = {kIntroduced, kFixed, kLastAffected, kLimit};

// Reads a range's type and events into `out` as views into the values, which `keep` holds (a
// key's __eq__ may run Python code that empties the containers); false on error.
bool read_range(PyObject* range, const Shape& shape, OsvRange& out, std::vector<Ref>& keep) {
  if (!shape.dict(range, "a range")) return false;
  std::optional<std::string_view> type;
  if (!get_text(range, kType, shape, type, keep)) return false;
  if (type) out.type = osv_range_type(*type);
  Ref events;
  if (!get_item(range, key_object(kEvents), events)) return false;
  if (!events) return true;
  if (!shape.list(events.get(), "'events'")) return false;
  for (Py_ssize_t i = 0; i < PyList_Size(events.get()); ++i) {
    Ref event(Py_NewRef(PyList_GetItem(events.get(), i)));
    if (!shape.dict(event.get(), "an event")) return false;
    // One pass over the event's items (an event has one or two) rather than a lookup per
    // kind; its values are then taken in kind order, whatever the dict's order.
    PyObject* values[4] = {};
    Py_ssize_t pos = 0;
    PyObject *key, *value;
    while (PyDict_Next(event.get(), &pos, &key, &value)) {
      if (!PyUnicode_Check(key)) continue;
      Py_ssize_t n = 0;
      const char* k = PyUnicode_AsUTF8AndSize(key, &n);
      if (!k) return false;
      const std::string_view name(k, static_cast<std::size_t>(n));
      for (std::size_t kind = 0; kind < std::size(kEventKeys); ++kind)
        if (name == kKeyNames[kEventKeys[kind]]) values[kind] = value;
    }
    // Borrowed from the event: nothing has run Python code since.
    for (std::size_t kind = 0; kind < std::size(kEventKeys); ++kind) {
      if (!values[kind]) continue;
      const auto text = shape.text(values[kind], quoted_key(kEventKeys[kind]));
      if (!text) return false;
      keep.emplace_back(Py_NewRef(values[kind]));
      out.events.push_back({static_cast<OsvEventKind>(kind), *text});
    }
  }
  return true;
}

// `out` = dict[key] checked to be a list, or empty when the key is missing; false on error.
bool get_list(PyObject* dict, Key key, const Shape& shape, Ref& out, std::string_view what) {
  return get_item(dict, key_object(key), out) && (!out || shape.list(out.get(), what));
}

// The entry's package as views (either may be missing), or false on error.
bool read_package(PyObject* affected, const Shape& shape, std::optional<std::string_view>& eco,
                  std::optional<std::string_view>& name, std::vector<Ref>& keep) {
  Ref package;
  if (!get_item(affected, key_object(kPackage), package)) return false;
  eco.reset();
  name.reset();
  if (!package) return true;
  if (!shape.dict(package.get(), "'package'")) return false;
  return get_text(package.get(), kEcosystem, shape, eco, keep) &&
         (!shape.database || get_text(package.get(), kName, shape, name, keep));
}

// Whether some range of the entry holds `version`, each range read and then evaluated in turn;
// nothing on error.
std::optional<bool> in_ranges(PyObject* affected, Ecosystem eco, std::string_view version) {
  const Shape shape;
  Ref ranges;
  if (!get_list(affected, kRanges, shape, ranges, "'ranges'")) return std::nullopt;
  if (!ranges) return false;
  for (Py_ssize_t i = 0; i < PyList_Size(ranges.get()); ++i) {
    Ref range(Py_NewRef(PyList_GetItem(ranges.get(), i)));
    OsvRange events;
    std::vector<Ref> keep;
    if (!read_range(range.get(), shape, events, keep)) return std::nullopt;
    const auto hit = osv_range_contains(events, eco, version);
    if (!hit) {
      raise_value(hit.error());
      return std::nullopt;
    }
    if (*hit) return true;
  }
  return false;
}

// Whether the entry's "versions" list holds `version` byte for byte; nothing on error.
std::optional<bool> in_versions(PyObject* affected, std::string_view version) {
  const Shape shape;
  Ref versions;
  if (!get_list(affected, kVersions, shape, versions, "'versions'")) return std::nullopt;
  if (!versions) return false;
  for (Py_ssize_t i = 0; i < PyList_Size(versions.get()); ++i) {
    Ref entry(Py_NewRef(PyList_GetItem(versions.get(), i)));
    const auto text = shape.text(entry.get(), "a version");
    if (!text) return std::nullopt;
    if (*text == version) return true;
  }
  return false;
}

constexpr Param kOsvParams[] = {{"version"}, {"affected"}, {"ecosystem", Default::None}};

constexpr const char kOsvDoc[] =
    "Whether `version` is affected according to one OSV \"affected\" entry (a dict\n"
    "as decoded from JSON).\n"
    "\n"
    "Rules:\n"
    "  - Range types: \"GIT\" ranges (commits) are passed over; \"SEMVER\" ranges\n"
    "    are ordered by SemVer 2.0 precedence, a leading \"v\" accepted; any\n"
    "    other type, or none, by the ecosystem.\n"
    "  - Each range's events are walked in version order (introduced \"0\"\n"
    "    first, equal versions as listed): an introduced at or below the\n"
    "    version makes it affected, a fixed at or below it unaffected, a\n"
    "    last_affected below it unaffected. A fixed or last_affected that comes\n"
    "    first reads as if introduced \"0\" preceded it. With limit events, the\n"
    "    version must also lie below one of them.\n"
    "  - A range of only introduced \"0\" holds every version, unparsed; one\n"
    "    with no introduced, fixed or last_affected is passed over. Otherwise\n"
    "    every event value is read, and one the ordering cannot read raises.\n"
    "  - The package's ecosystem is read up to its first `:` (\"Debian:12\")\n"
    "    and OSV's names are mapped ignoring case (\"PyPI\" is pep440,\n"
    "    \"crates.io\" crates, \"Ubuntu\" debian, \"Red Hat\" rpm, ...). An\n"
    "    explicit `ecosystem` argument is taken as given.\n"
    "\n"
    "The \"versions\" list matches by exact text.";

PyObject* osv_affected_impl(PyObject*, const Args& args) {
  const auto version = args.str(0);
  if (!version) return nullptr;
  PyObject* affected = args[1];
  if (!PyDict_Check(affected)) {
    raise_not_instance(affected, "dict");
    add_processing_note(args.name(1));
    return nullptr;
  }
  std::optional<std::string_view> name;
  if (!args.str_or_none(2, name)) return nullptr;

  std::optional<Ecosystem> eco;
  if (name) {
    eco = eco_from_str(*name);
  } else {
    std::optional<std::string_view> package_eco, package_name;
    std::vector<Ref> keep;
    if (!read_package(affected, Shape{}, package_eco, package_name, keep)) return nullptr;
    auto resolved = package_eco ? osv_ecosystem(*package_eco) : Ecosystem(Ecosystem::Generic);
    if (!resolved) return raise_value(resolved.error());
    eco = *resolved;
  }
  if (!eco) return nullptr;
  auto hit = in_ranges(affected, *eco, *version);
  if (hit && !*hit) hit = in_versions(affected, *version);
  return hit ? new_bool(*hit) : nullptr;
}

// ---- OSV database ----

// Reads one advisory into `out`, as views held by `keep`; raises ValueError on a shape that is
// not an advisory's.
bool read_advisory(PyObject* obj, OsvAdvisory& out, std::vector<Ref>& keep) {
  Shape shape{{}, true};
  if (!shape.dict(obj, "the advisory")) return false;
  std::optional<std::string_view> id;
  if (!get_text(obj, kId, shape, id, keep)) return false;
  if (!id) {
    raise_value("the advisory has no 'id'");
    return false;
  }
  out.id = shape.advisory = *id;
  Ref withdrawn;
  if (!get_item(obj, key_object(kWithdrawn), withdrawn)) return false;
  out.withdrawn = static_cast<bool>(withdrawn);
  Ref affected;
  if (!get_list(obj, kAffected, shape, affected, "'affected'")) return false;
  for (Py_ssize_t i = 0; affected && i < PyList_Size(affected.get()); ++i) {
    Ref entry(Py_NewRef(PyList_GetItem(affected.get(), i)));
    if (!shape.dict(entry.get(), "an entry of 'affected'")) return false;
    std::optional<std::string_view> eco, name;
    if (!read_package(entry.get(), shape, eco, name, keep)) return false;
    OsvAffected& a = out.affected.emplace_back();
    a.ecosystem = eco.value_or("");
    a.name = name.value_or("");
    Ref ranges, versions;
    if (!get_list(entry.get(), kRanges, shape, ranges, "'ranges'") ||
        !get_list(entry.get(), kVersions, shape, versions, "'versions'"))
      return false;
    for (Py_ssize_t r = 0; ranges && r < PyList_Size(ranges.get()); ++r) {
      Ref range(Py_NewRef(PyList_GetItem(ranges.get(), r)));
      if (!read_range(range.get(), shape, a.ranges.emplace_back(), keep)) return false;
    }
    for (Py_ssize_t v = 0; versions && v < PyList_Size(versions.get()); ++v) {
      Ref version(Py_NewRef(PyList_GetItem(versions.get(), v)));
      const auto text = shape.text(version.get(), "an entry of 'versions'");
      if (!text) return false;
      a.versions.push_back(*text);
      keep.push_back(std::move(version));
    }
  }
  return true;
}

struct OsvIndexObject {
  PyObject_HEAD OsvDatabase db;
};

OsvDatabase& db_of(PyObject* self) {
  return reinterpret_cast<OsvIndexObject*>(self)->db;
}

PyObject* index_new(PyTypeObject* type, PyObject* args, PyObject* kwds) {
  if (PyTuple_Size(args) != 0 || (kwds && PyDict_Size(kwds) != 0))
    return raise_type("_OsvIndex() takes no arguments");
  return guarded([&]() -> PyObject* {
    PyObject* obj = PyType_GenericAlloc(type, 0);
    if (obj) new (&db_of(obj)) OsvDatabase();
    return obj;
  });
}

void index_dealloc(PyObject* self) {
  db_of(self).~OsvDatabase();
  PyTypeObject* type = Py_TYPE(self);
  reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free))(self);
  Py_DECREF(type);
}

Py_ssize_t index_length(PyObject* self) {
  return static_cast<Py_ssize_t>(db_of(self).size());
}

constexpr Param kExtendParams[] = {{"advisories"}};

// Every advisory is read before any is added, so that a bad one adds none.
PyObject* extend_impl(PyObject* self, const Args& args) {
  PyObject* list = args[0];
  if (!PyList_Check(list)) return raise_not_instance(list, "list");
  std::vector<Ref> items, keep;
  items.reserve(static_cast<std::size_t>(PyList_Size(list)));
  for (Py_ssize_t i = 0; i < PyList_Size(list); ++i)
    items.emplace_back(Py_NewRef(PyList_GetItem(list, i)));
  std::vector<OsvAdvisory> advisories(items.size());
  for (std::size_t i = 0; i < items.size(); ++i)
    if (!read_advisory(items[i].get(), advisories[i], keep)) return nullptr;
  for (const OsvAdvisory& a : advisories) db_of(self).add(a);
  return Py_NewRef(Py_None);
}

PyObject* ids_or_raise(const std::expected<std::vector<std::string>, std::string>& ids) {
  if (!ids) return raise_value(ids.error());
  Ref list(PyList_New(static_cast<Py_ssize_t>(ids->size())));
  if (!list) return nullptr;
  for (std::size_t i = 0; i < ids->size(); ++i) {
    PyObject* id = new_str((*ids)[i]);
    if (!id) return nullptr;
    PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), id);
  }
  return list.release();
}

PyObject* query_impl(PyObject* self, const Args& args) {
  const auto purl = args.str(0);
  if (!purl) return nullptr;
  const auto package = osv_package_of_purl(*purl);
  if (!package) return raise_value(package.error());
  return ids_or_raise(db_of(self).query(*package));
}

constexpr Param kQueryPackageParams[] = {{"ecosystem"}, {"name"}, {"version"}};

PyObject* query_package_impl(PyObject* self, const Args& args) {
  const auto eco = args.str(0);
  if (!eco) return nullptr;
  const auto name = args.str(1);
  if (!name) return nullptr;
  const auto version = args.str(2);
  if (!version) return nullptr;
  return ids_or_raise(db_of(self).query(osv_package(*eco, *name, *version)));
}

const Function kExtend{{"extend", kExtendParams, nullptr, Receiver::Self}, extend_impl};
const Function kQuery{{"query", kPurlParams, nullptr, Receiver::Self}, query_impl};
const Function kQueryPackage{{"query_package", kQueryPackageParams, nullptr, Receiver::Self},
                             query_package_impl};

template <class F>
void* slot_fn(F f) {
  return reinterpret_cast<void*>(f);
}

}  // namespace

void forget_purls() {
  purl_cache.clear();
}

const Function kParsePurl{{"parse_purl", kPurlParams}, parse_purl_impl};
const Function kBuildPurl{{"build_purl", kBuildPurlParams}, build_purl_impl};
const Function kPurlEcosystem{{"purl_ecosystem", kPurlParams}, purl_ecosystem_impl};
const Function kBuildVers{{"build_vers", kBuildVersParams}, build_vers_impl};
const Function kVersContains{{"vers_contains", kVersContainsParams}, vers_contains_impl};
const Function kVersCanonical{{"vers_canonical", kVersCanonicalParams, kVersCanonicalDoc},
                              vers_canonical_impl};
const Function kOsvAffected{{"osv_affected", kOsvParams, kOsvDoc}, osv_affected_impl};

bool add_osv_index_type(PyObject* module) {
  static PyMethodDef methods[] = {method_def<kExtend>(), method_def<kQuery>(),
                                  method_def<kQueryPackage>(), {nullptr, nullptr, 0, nullptr}};
  PyType_Slot slots[] = {
      {Py_tp_new, slot_fn(&index_new)},
      {Py_tp_dealloc, slot_fn(&index_dealloc)},
      {Py_sq_length, slot_fn(&index_length)},
      {Py_tp_methods, methods},
      {Py_tp_doc, const_cast<char*>("OSV advisories indexed by package (see ombrel.OsvDatabase).")},
      {0, nullptr},
  };
  PyType_Spec spec = {"ombrel._ext._OsvIndex", static_cast<int>(sizeof(OsvIndexObject)), 0,
                      Py_TPFLAGS_DEFAULT | Py_TPFLAGS_IMMUTABLETYPE, slots};
  Ref type(PyType_FromSpec(&spec));
  return type && PyModule_AddObjectRef(module, "_OsvIndex", type.get()) == 0;
}

}  // namespace ombrel::py
