// The `Version` class: one version text parsed under one ecosystem, immutable.
#pragma once

#include <string_view>

#include "py.hpp"
#include "strategies/registry.hpp"

namespace ombrel::py {

// A version keeps its text and ecosystem only: a text that parsed once parses again the same
// way, so orderings and properties parse it afresh on the stack (no heap work for ordinary
// texts), and the hash, which needs a kept parse, is made on first use and kept. Sixty-four
// bytes in all for a text of up to kInlineText bytes, which covers ordinary versions; a longer
// text is kept on the heap.
struct VersionObject {
  static constexpr std::size_t kInlineText = 23;

  PyObject_HEAD Py_hash_t hash;  // -1 until first asked (never a hash: Python reserves it)
  std::size_t size;              // of the text
  Ecosystem ecosystem;           // never auto
  union {
    char inline_text[kInlineText];
    char* heap_text;
  };

  std::string_view raw() const {
    return {size <= kInlineText ? inline_text : heap_text, size};
  }
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
PyObject* new_version(std::string_view raw, const EcosystemArg& ecosystem);

// Creates the class and adds it to the module (and its __all__).
bool add_version_type(PyObject* module);

// Gives back the memory kept for Versions to come (at the module's teardown).
void forget_spare_versions();

}  // namespace ombrel::py
