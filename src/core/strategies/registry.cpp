#include "strategies/registry.hpp"

namespace ombrel {

std::expected<ParsedRepr, std::string> parse_for_ecosystem(Ecosystem eco, std::string_view text) {
  return eco.strategy().parse(text);
}

std::expected<void, std::string> parse_into(Ecosystem eco, std::string_view text, ParsedRepr& out) {
  return eco.strategy().parse_into(text, out);
}

int compare_for_ecosystem(Ecosystem eco, const ParsedRepr& a, const ParsedRepr& b) {
  return eco.strategy().compare(a, b);
}

std::expected<int, std::string> compare_with_text(Ecosystem eco, const ParsedRepr& a,
                                                  std::string_view b) {
  return eco.strategy().compare_with_text(a, b);
}

OrderPrefix order_prefix(Ecosystem eco, const ParsedRepr& a) {
  return eco.strategy().order_prefix(a);
}

OrderKey order_key(Ecosystem eco, const ParsedRepr& a) {
  return eco.strategy().order_key(a);
}

std::expected<OrderKey, std::string> text_order_key(Ecosystem eco, std::string_view text) {
  return eco.strategy().text_order_key(text);
}

}  // namespace ombrel
