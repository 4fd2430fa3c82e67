// The module's functions: each file defines the ones of its concern, and module.cpp
// registers them in one table.
#pragma once

#include "conv.hpp"

namespace ombrel::py {

// Implementation of one function or method; `self` is the instance, class or module.
using Impl = PyObject* (*)(PyObject* self, const Args& args);

struct Function {
  Signature sig;
  Impl impl;
};

// Binds the arguments with `F.sig`, then runs `F.impl`; the one entry point of every
// function and method.
template <const Function& F>
PyObject* call(PyObject* self, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  Args a;
  if (!a.bind(F.sig, args, nargs, kwnames)) return nullptr;
  return guarded([&] { return F.impl(self, a); });
}

template <const Function& F>
PyMethodDef method_def(int extra_flags = 0) {
  return {F.sig.name, reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&call<F>)),
          METH_FASTCALL | METH_KEYWORDS | extra_flags, docstring(F.sig)};
}

// Sets module.NAME = obj (taking the reference) and appends NAME to __all__.
bool add_export(PyObject* module, const char* name, PyObject* obj);
// Exports every function of `table` (ended by a null entry), in table order.
bool add_functions(PyObject* module, PyMethodDef* table);

// compare.cpp
extern const Function kVersionFn, kCompare, kCompareSemverStrict, kSortVersions, kBatchCompare, kGt,
    kGe, kGte, kLt, kLe, kLte, kEq, kNe, kMaxVersion, kMinVersion;
// stable.cpp
extern const Function kStableVersions, kLatestStable;
// constraints.cpp
extern const Function kSatisfies, kRangeContains, kRangesIntersect;
// security.cpp
extern const Function kParsePurl, kBuildPurl, kPurlEcosystem, kBuildVers, kVersContains,
    kOsvAffected;
// Releases the purls parse_purl keeps parsed, at the module's teardown.
void forget_purls();
// bump.cpp
extern const Function kBumpMajor, kBumpMinor, kBumpPatch, kBumpPrerelease, kNextStable;

}  // namespace ombrel::py
