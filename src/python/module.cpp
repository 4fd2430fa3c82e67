// Module definition and registration.
#include "functions.hpp"
#include "pyversion.hpp"

namespace ombrel::py {

namespace {

// Registration order, which is also the order of __all__ (after `Version`).
PyMethodDef* function_table() {
  static PyMethodDef table[] = {
      method_def<kVersionFn>(),
      method_def<kCompare>(),
      method_def<kCompareSemverStrict>(),
      method_def<kSortVersions>(),
      method_def<kBatchCompare>(),
      method_def<kGt>(),
      method_def<kGe>(),
      method_def<kGte>(),
      method_def<kLt>(),
      method_def<kLe>(),
      method_def<kLte>(),
      method_def<kEq>(),
      method_def<kNe>(),
      method_def<kMaxVersion>(),
      method_def<kMinVersion>(),
      method_def<kStableVersions>(),
      method_def<kLatestStable>(),
      method_def<kSatisfies>(),
      method_def<kRangeContains>(),
      method_def<kRangesIntersect>(),
      method_def<kParsePurl>(),
      method_def<kBuildPurl>(),
      method_def<kPurlEcosystem>(),
      method_def<kBuildVers>(),
      method_def<kVersContains>(),
      method_def<kOsvAffected>(),
      method_def<kBumpMajor>(),
      method_def<kBumpMinor>(),
      method_def<kBumpPatch>(),
      method_def<kBumpPrerelease>(),
      method_def<kNextStable>(),
      {nullptr, nullptr, 0, nullptr},
  };
  return table;
}

}  // namespace

namespace {

int exec_module(PyObject* module) {
  if (!PyModule_Check(module)) {
    PyErr_SetString(PyExc_TypeError, "module expected");
    return -1;
  }
  return add_version_type(module) && add_functions(module, function_table()) ? 0 : -1;
}

PyModuleDef_Slot slots[] = {{Py_mod_exec, reinterpret_cast<void*>(&exec_module)}, {0, nullptr}};

void free_module(void*) {
  forget_purls();
  forget_spare_versions();
}

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "_ombrel", "", 0, nullptr, slots, nullptr, nullptr, &free_module,
};

}  // namespace

}  // namespace ombrel::py

extern "C" PyMODINIT_FUNC PyInit__ombrel(void) {
  return PyModuleDef_Init(&ombrel::py::module_def);
}
