// Package URLs, VERS specifiers and OSV advisories.
#include "functions.hpp"
#include "osv.hpp"
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
  // osv_affected (and kEcosystem)
  kPackage,
  kRanges,
  kEvents,
  kIntroduced,
  kFixed,
  kLastAffected,
  kLimit,
  kVersions,
};
constexpr const char* kKeyNames[] = {
    "type",    "namespace", "name",   "version",    "qualifiers", "subpath",       "ecosystem",
    "package", "ranges",    "events", "introduced", "fixed",      "last_affected", "limit",
    "versions",
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

// The name of the ecosystem of a lower-case purl type, if it has one.
std::optional<std::string_view> ecosystem_name(std::string_view type) {
  const auto eco = Ecosystem::from_purl_type(type);
  if (!eco) return std::nullopt;
  return eco->as_str();
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

PyObject* parse_purl_impl(PyObject*, const Args& args) {
  const auto text = args.str(0);
  if (!text) return nullptr;
  const auto p = PurlView::parse(*text);
  if (!p) return raise_value(p.error());
  const std::string type = ascii_lower(p->type);
  std::string scratch;
  std::optional<std::string_view> ns;
  if (!p->namespace_.empty()) ns = p->clean_namespace(scratch);

  Ref dict(new_purl_dict());
  if (!dict) return nullptr;
  // Absent parts keep the template's None.
  auto put = [&](Key key, std::optional<std::string_view> part) {
    return !part || set_item(dict.get(), key_object(key), new_str(*part));
  };
  if (!put(kType, type) || !put(kNamespace, ns) || !put(kName, p->name) ||
      !put(kVersion, p->version) || !put(kQualifiers, p->qualifiers) ||
      !put(kSubpath, p->subpath) || !put(kEcosystem, ecosystem_name(type)))
    return nullptr;
  return dict.release();
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
  const auto vers = Vers::parse(*text);
  if (!vers) return raise_value(vers.error());
  const auto hit = vers->contains(*version);
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

// Type checks that raise the TypeError of a mismatch.
bool is_dict(PyObject* obj) {
  if (PyDict_Check(obj)) return true;
  raise_not_instance(obj, "dict");
  return false;
}
bool is_list(PyObject* obj) {
  if (PyList_Check(obj)) return true;
  raise_not_instance(obj, "list");
  return false;
}

std::optional<Ecosystem> entry_ecosystem(PyObject* affected) {
  Ref package;
  if (!get_item(affected, key_object(kPackage), package)) return std::nullopt;
  if (!package) return Ecosystem(Ecosystem::Generic);
  if (!is_dict(package.get())) return std::nullopt;
  Ref name;
  if (!get_item(package.get(), key_object(kEcosystem), name)) return std::nullopt;
  if (!name) return Ecosystem(Ecosystem::Generic);
  const auto text = text_of(name.get());
  if (!text) return std::nullopt;
  auto eco = osv_ecosystem(*text);
  if (!eco) {
    raise_value(eco.error());
    return std::nullopt;
  }
  return *eco;
}

// Reads a range's events into `out` as views into the event values, which `keep` holds (a
// key's __eq__ may run Python code that empties the containers); false on error.
bool read_range(PyObject* range, OsvRange& out, std::vector<Ref>& keep) {
  if (!is_dict(range)) return false;
  Ref type;
  if (!get_item(range, kType, type)) return false;
  if (type) {
    const auto text = text_of(type.get());
    if (!text) return false;
    out.type = osv_range_type(*text);
  }
  Ref events;
  if (!get_item(range, key_object(kEvents), events)) return false;
  if (!events) return true;
  if (!is_list(events.get())) return false;
  for (Py_ssize_t i = 0; i < PyList_Size(events.get()); ++i) {
    Ref event(Py_NewRef(PyList_GetItem(events.get(), i)));
    if (!is_dict(event.get())) return false;
    for (const auto& [key, kind] : {std::pair{kIntroduced, OsvEventKind::Introduced},
                                   std::pair{kFixed, OsvEventKind::Fixed},
                                   std::pair{kLastAffected, OsvEventKind::LastAffected},
                                   std::pair{kLimit, OsvEventKind::Limit}}) {
      Ref value;
      if (!get_item(event.get(), key_object(key), value)) return false;
      if (!value) continue;
      const auto text = text_of(value.get());
      if (!text) return false;
      out.events.push_back({kind, *text});
      keep.push_back(std::move(value));
    }
  }
  return true;
}

// Whether some range of the entry holds `version`; nothing on error.
std::optional<bool> in_ranges(PyObject* affected, Ecosystem eco, std::string_view version) {
  Ref ranges;
  if (!get_item(affected, key_object(kRanges), ranges)) return std::nullopt;
  if (!ranges) return false;
  if (!is_list(ranges.get())) return std::nullopt;
  for (Py_ssize_t i = 0; i < PyList_Size(ranges.get()); ++i) {
    Ref range(Py_NewRef(PyList_GetItem(ranges.get(), i)));
    OsvRange events;
    std::vector<Ref> keep;
    if (!read_range(range.get(), events, keep)) return std::nullopt;
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
  Ref versions;
  if (!get_item(affected, key_object(kVersions), versions)) return std::nullopt;
  if (!versions) return false;
  if (!is_list(versions.get())) return std::nullopt;
  for (Py_ssize_t i = 0; i < PyList_Size(versions.get()); ++i) {
    Ref entry(Py_NewRef(PyList_GetItem(versions.get(), i)));
    const auto text = text_of(entry.get());
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
    "  - Each range's events are read in order as a sequence of intervals.\n"
    "    `introduced` opens one (and is ignored while one is open); `fixed`\n"
    "    closes it below the bound, `last_affected` at the bound. A closing\n"
    "    event with no interval open starts from no lower bound if the range\n"
    "    has no interval yet, and is ignored otherwise. An interval still open\n"
    "    at the end has no upper bound. Introduced \"0\" means no lower bound.\n"
    "  - An interval bounded by nothing (introduced \"0\", never closed) holds\n"
    "    every version; a range whose events carry none of these keys is\n"
    "    passed over.\n"
    "  - The package's ecosystem is read up to its first `:` (\"Debian:12\");\n"
    "    ignoring case, \"PyPI\" is pep440, \"Ubuntu\" is debian, and\n"
    "    \"Rocky Linux\", \"AlmaLinux\" and \"Red Hat\" are rpm. An explicit\n"
    "    `ecosystem` argument is taken as given.\n"
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

  const auto eco = name ? eco_from_str(*name) : entry_ecosystem(affected);
  if (!eco) return nullptr;
  auto hit = in_ranges(affected, *eco, *version);
  if (hit && !*hit) hit = in_versions(affected, *version);
  return hit ? new_bool(*hit) : nullptr;
}

}  // namespace

const Function kParsePurl{{"parse_purl", kPurlParams}, parse_purl_impl};
const Function kBuildPurl{{"build_purl", kBuildPurlParams}, build_purl_impl};
const Function kPurlEcosystem{{"purl_ecosystem", kPurlParams}, purl_ecosystem_impl};
const Function kBuildVers{{"build_vers", kBuildVersParams}, build_vers_impl};
const Function kVersContains{{"vers_contains", kVersContainsParams}, vers_contains_impl};
const Function kVersCanonical{{"vers_canonical", kVersCanonicalParams, kVersCanonicalDoc},
                              vers_canonical_impl};
const Function kOsvAffected{{"osv_affected", kOsvParams, kOsvDoc}, osv_affected_impl};

}  // namespace ombrel::py
