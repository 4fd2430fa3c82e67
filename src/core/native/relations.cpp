#include "relations.hpp"

#include "../message.hpp"
#include "../text.hpp"

namespace ombrel {

namespace {

bool ascii_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::string_view trim_ascii_space(std::string_view s) {
  while (!s.empty() && ascii_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && ascii_space(s.back())) s.remove_suffix(1);
  return s;
}

std::expected<NativeComparator, std::string> read_relation(Ecosystem eco, std::string_view text,
                                                           std::string_view syntax,
                                                           std::string_view relation,
                                                           std::span<const OpSpelling> ops,
                                                           Op bare, bool space_after_op) {
  auto bad = [&](std::string_view what) { return fail("invalid ", syntax, " '", text, "'; ", what); };
  relation = trim_ascii_space(relation);
  Op op = bare;
  bool found = false;
  for (const OpSpelling& s : ops)
    if (relation.starts_with(s.text)) {
      op = s.op;
      relation.remove_prefix(s.text.size());
      found = true;
      break;
    }
  if (!found && bare == Op::Ne) return bad("expected an operator");
  if (found && space_after_op) relation = trim_ascii_space(relation);
  if (relation.empty()) return bad("expected a version");
  for (char c : relation)
    if (ascii_space(c) || c == '<' || c == '>' || c == '=')
      return bad(message("unexpected '", std::string_view(&c, 1), "' in the version"));
  return native_comparator(eco, op, relation);
}

}  // namespace ombrel
