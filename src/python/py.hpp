// The Python/C API as this extension uses it: the stable ABI of CPython 3.11, an owning
// reference handle, and the one error path from core messages to Python exceptions.
#pragma once

#define PY_SSIZE_T_CLEAN
#ifndef Py_LIMITED_API
#define Py_LIMITED_API 0x030B0000
#endif
#include <Python.h>

#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace ombrel::py {

// Owns one strong reference; releases it on scope exit.
class Ref {
 public:
  Ref() = default;
  explicit Ref(PyObject* p) : p_(p) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  Ref& operator=(Ref&& o) noexcept {
    Py_XDECREF(std::exchange(p_, std::exchange(o.p_, nullptr)));
    return *this;
  }
  ~Ref() { Py_XDECREF(p_); }

  PyObject* get() const { return p_; }
  PyObject* release() { return std::exchange(p_, nullptr); }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  PyObject* p_ = nullptr;
};

inline PyObject* new_str(std::string_view s) {
  return PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "surrogateescape");
}

// Raises `type` with `msg` as its only argument; returns nullptr for tail calls.
inline PyObject* raise(PyObject* type, std::string_view msg) {
  Ref text(new_str(msg));
  if (text) PyErr_SetObject(type, text.get());
  return nullptr;
}
inline PyObject* raise_value(std::string_view msg) {
  return raise(PyExc_ValueError, msg);
}
inline PyObject* raise_type(std::string_view msg) {
  return raise(PyExc_TypeError, msg);
}

inline PyObject* new_bool(bool b) {
  return Py_NewRef(b ? Py_True : Py_False);
}
inline PyObject* new_int(long v) {
  return PyLong_FromLong(v);
}

// Adds "while processing '<name>'" to the exception being raised.
void add_processing_note(std::string_view name);

// Runs `f`, turning any C++ exception that escapes it into a Python one.
template <class F>
PyObject* guarded(F&& f) noexcept {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  } catch (const std::exception& e) {
    return raise(PyExc_SystemError, e.what());
  } catch (...) {
    return raise(PyExc_SystemError, "unexpected C++ exception");
  }
}

}  // namespace ombrel::py
