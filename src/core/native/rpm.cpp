// rpm relations on EVRs, `<`, `<=`, `=`, `>=`, `>` and rpm's other spellings of them (`=<`,
// `==`, `=>`), one or several joined by commas, all of which must hold.
#include <array>

#include "relations.hpp"

namespace ombrel {

namespace {

constexpr std::array<OpSpelling, 8> kRpmOps{{{"<=", Op::Le},
                                             {"=<", Op::Le},
                                             {">=", Op::Ge},
                                             {"=>", Op::Ge},
                                             {"==", Op::Eq},
                                             {"<", Op::Lt},
                                             {">", Op::Gt},
                                             {"=", Op::Eq}}};

}  // namespace

std::expected<NativeConstraint, std::string> parse_native_rpm(Ecosystem eco,
                                                              std::string_view text) {
  NativeConstraint out{.eco = eco, .policy = PrePolicy::Plain, .alternatives = {}};
  NativeList& list = out.alternatives.emplace_back();
  for (std::size_t start = 0;;) {
    const std::size_t comma = text.find(',', start);
    auto c = read_relation(eco, text, "rpm relation", text.substr(start, comma - start), kRpmOps,
                           Op::Ne, true);
    if (!c) return std::unexpected(std::move(c.error()));
    list.push_back(std::move(*c));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

}  // namespace ombrel
