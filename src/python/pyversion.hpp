// The `Version` class: one version text parsed under one ecosystem, immutable.
#pragma once

#include <string_view>

#include "py.hpp"
#include "strategies/registry.hpp"

namespace ombrel::py {

struct VersionObject {
  PyObject_HEAD ParsedVersion parsed;  // the generic parse, kept for every ecosystem
  ParsedRepr repr;                     // the ecosystem's own parse
  Ecosystem ecosystem;                 // never auto
};

// The class object; holds its own reference once the module has created it.
extern PyTypeObject* version_type;

inline bool is_version(PyObject* obj) {
  return version_type && Py_IS_TYPE(obj, version_type);
}
inline VersionObject* as_version(PyObject* obj) {
  return reinterpret_cast<VersionObject*>(obj);
}

// A new Version of `raw` under an ecosystem name or `auto`; raises ValueError on failure.
PyObject* new_version(std::string_view raw, std::string_view ecosystem);

// Creates the class and adds it to the module (and its __all__).
bool add_version_type(PyObject* module);

}  // namespace ombrel::py
