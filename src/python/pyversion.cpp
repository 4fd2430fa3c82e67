// The Version class.
#include "pyversion.hpp"

#include "functions.hpp"

namespace ombrel::py {

PyTypeObject* version_type = nullptr;

bool add_version_type(PyObject*) { return true; }

}  // namespace ombrel::py
