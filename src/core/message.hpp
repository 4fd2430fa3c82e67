// Error messages: every failure in the core is a std::unexpected holding its message, made
// here from its pieces (texts and characters, joined as given).
#pragma once

#include <expected>
#include <string>
#include <string_view>

namespace ombrel {

namespace message_detail {
inline void append(std::string& m, std::string_view s) {
  m += s;
}
inline void append(std::string& m, char c) {
  m += c;
}
}  // namespace message_detail

template <class... Parts>
std::string message(const Parts&... parts) {
  std::string m;
  (message_detail::append(m, parts), ...);
  return m;
}

template <class... Parts>
std::unexpected<std::string> fail(const Parts&... parts) {
  return std::unexpected(message(parts...));
}

// The message a failed result carries, passed on.
template <class E>
std::unexpected<std::string> failure(E& result) {
  return std::unexpected(std::move(result.error()));
}

}  // namespace ombrel
