#include "vers.hpp"

#include <utility>
#include <variant>

#include "message.hpp"
#include "parse_cache.hpp"
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

namespace {

// What a VERS text tests versions with: its set, or its range with the bounds parsed.
struct VersTest {
  std::variant<VersionSet, BoundRange> test;

  std::expected<bool, std::string> contains(std::string_view version) const {
    return std::visit([&](const auto& t) { return t.contains(version); }, test);
  }
  std::size_t footprint() const {
    return std::visit([](const auto& t) { return t.footprint(); }, test);
  }
};

std::expected<VersTest, std::string> read_test(std::string_view text) {
  auto vers = Vers::parse(text);
  if (!vers) return failure(vers);
  if (vers->standard) return VersTest{std::move(*vers->standard)};
  return VersTest{BoundRange(vers->ecosystem, vers->range)};
}

}  // namespace

std::expected<bool, std::string> vers_contains(std::string_view text, std::string_view version) {
  if (!ParseCache<VersTest>::keeps(text)) {
    const auto vers = Vers::parse(text);
    if (!vers) return std::unexpected(vers.error());
    return vers->contains(version);
  }
  static ParseCache<VersTest> cache;
  const auto test = cache.get(0, text, read_test);
  if (!*test) return std::unexpected((*test).error());
  return (*test)->contains(version);
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
