// Adding module attributes together with their __all__ entries, for both extension modules.
#include "functions.hpp"

namespace ombrel::py {

// Sets module.NAME = obj (stealing obj) and appends NAME to __all__.
bool add_export(PyObject* module, const char* name, PyObject* obj) {
  Ref value(obj);
  if (!value) return false;
  Ref all(PyObject_GetAttrString(module, "__all__"));
  if (!all) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) return false;
    PyErr_Clear();
    all = Ref(PyList_New(0));
    if (!all || PyObject_SetAttrString(module, "__all__", all.get()) < 0) return false;
  }
  Ref key(PyUnicode_FromString(name));
  return key && PyObject_SetAttrString(module, name, value.get()) == 0 &&
         PyList_Append(all.get(), key.get()) == 0;
}

bool add_functions(PyObject* module, PyMethodDef* table) {
  Ref name(PyModule_GetNameObject(module));
  if (!name) return false;
  for (PyMethodDef* def = table; def->ml_name; ++def)
    if (!add_export(module, def->ml_name, PyCFunction_NewEx(def, module, name.get()))) return false;
  return true;
}

}  // namespace ombrel::py
