#include "vers.hpp"

#include <utility>

#include "message.hpp"
#include "text.hpp"
#include "vers_standard.hpp"

namespace ombrel {

std::expected<Vers, std::string> Vers::parse(std::string_view text) {
  constexpr std::string_view kPrefix = "vers:";
  if (!text.starts_with(kPrefix)) return fail("invalid VERS '", text, "'; expected 'vers:' prefix");
  const std::string_view rest = text.substr(kPrefix.size());
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos)
    return fail("invalid VERS '", text, "'; expected 'vers:<ecosystem>/<range>'");
  return read_vers(text, rest.substr(0, slash), rest.substr(slash + 1));
}

std::expected<std::string, std::string> format_vers(std::string_view ecosystem,
                                                    std::string_view range) {
  auto eco = Ecosystem::from_str(ecosystem);
  if (!eco) return failure(eco);
  if (auto parsed = RangeSet::parse(range); !parsed) return failure(parsed);
  std::string out = "vers:";
  out += eco->as_str();
  out += '/';
  out += trim(range);
  return out;
}

}  // namespace ombrel
