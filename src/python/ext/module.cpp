// The package's second extension module, `ombrel._ext`: the capabilities that go beyond the
// core module's fixed surface. It shares the argument binder, the conversions and the one
// error path with `ombrel._ombrel`, and recognises that module's `Version` objects.
#include "../functions.hpp"
#include "../pyversion.hpp"
#include "ext_functions.hpp"

namespace ombrel::py {

namespace {

// Registration order, which is also the order of __all__.
PyMethodDef* ext_function_table() {
  static PyMethodDef table[] = {
      method_def<kVersCanonical>(),
      method_def<kNativeSatisfies>(),
      method_def<kNativeFilter>(),
      method_def<kVersFromNative>(),
      {nullptr, nullptr, 0, nullptr},
  };
  return table;
}

// The conversions recognise `Version` instances by the class the core module created.
bool adopt_version_type() {
  Ref core(PyImport_ImportModule("ombrel._ombrel"));
  if (!core) return false;
  Ref type(PyObject_GetAttrString(core.get(), "Version"));
  if (!type) return false;
  if (!PyType_Check(type.get())) {
    PyErr_SetString(PyExc_TypeError, "ombrel._ombrel.Version is not a class");
    return false;
  }
  PyTypeObject* previous = std::exchange(version_type, reinterpret_cast<PyTypeObject*>(type.release()));
  Py_XDECREF(reinterpret_cast<PyObject*>(previous));
  return true;
}

int exec_ext_module(PyObject* module) {
  bool ok = adopt_version_type() && add_osv_index_type(module) &&
            add_functions(module, ext_function_table());
  return ok ? 0 : -1;
}

PyModuleDef_Slot ext_slots[] = {{Py_mod_exec, reinterpret_cast<void*>(&exec_ext_module)},
                                {0, nullptr}};

PyModuleDef ext_module_def = {
    PyModuleDef_HEAD_INIT, "_ext", "", 0, nullptr, ext_slots, nullptr, nullptr, nullptr,
};

}  // namespace

}  // namespace ombrel::py

extern "C" PyMODINIT_FUNC PyInit__ext(void) {
  return PyModuleDef_Init(&ombrel::py::ext_module_def);
}
