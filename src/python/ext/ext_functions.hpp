// The functions of `ombrel._ext`: each file defines the ones of its concern, and
// ext/module.cpp registers them in one table.
#pragma once

#include "../functions.hpp"

namespace ombrel::py {

// security.cpp
extern const Function kVersCanonical;
// security.cpp: the index behind ombrel.OsvDatabase, added as `_OsvIndex` (not in __all__).
bool add_osv_index_type(PyObject* module);

// ext/native.cpp
extern const Function kNativeSatisfies;
extern const Function kNativeFilter;
extern const Function kVersFromNative;

}  // namespace ombrel::py
