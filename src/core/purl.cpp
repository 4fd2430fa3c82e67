#include "purl.hpp"

#include <utility>

#include "message.hpp"
#include "text.hpp"

namespace ombrel {

namespace {

// Cuts `rest` at the first `delim`; what follows it, if anything was cut, is returned.
std::optional<std::string_view> cut_at(std::string_view& rest, char delim) {
  const std::size_t at = rest.find(delim);
  if (at == std::string_view::npos) return std::nullopt;
  const std::string_view tail = rest.substr(at + 1);
  rest = rest.substr(0, at);
  return tail;
}

std::string_view strip_slashes(std::string_view s) {
  const std::size_t b = s.find_first_not_of('/');
  if (b == std::string_view::npos) return {};
  return s.substr(b, s.find_last_not_of('/') + 1 - b);
}

std::optional<std::string> owned(std::optional<std::string_view> v) {
  if (!v) return std::nullopt;
  return std::string(*v);
}

std::optional<std::string_view> viewed(const std::optional<std::string>& s) {
  if (!s) return std::nullopt;
  return std::string_view(*s);
}

}  // namespace

std::expected<PurlView, std::string> PurlView::parse(std::string_view text) {
  constexpr std::string_view kPrefix = "pkg:";
  if (!text.starts_with(kPrefix))
    return fail("invalid purl '", text, "'; expected 'pkg:' prefix");
  std::string_view rest = text.substr(kPrefix.size());
  PurlView p;
  p.subpath = cut_at(rest, '#');
  p.qualifiers = cut_at(rest, '?');

  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos)
    return fail("invalid purl '", text, "'; expected package type and name");
  if (slash == 0 || slash + 1 == rest.size())
    return fail("invalid purl '", text, "'; package type and name are required");
  p.type = rest.substr(0, slash);

  // The version `@` is the last one, and only one that stands after the type's `/`.
  std::string_view path = rest.substr(slash + 1);
  const std::size_t at = rest.rfind('@');
  if (at != std::string_view::npos && at > slash) {
    p.version = rest.substr(at + 1);
    path = rest.substr(slash + 1, at - slash - 1);
  }

  path = strip_slashes(path);
  if (path.empty()) return fail("invalid purl '", text, "'; missing package name");
  const std::size_t last = path.rfind('/');
  if (last == std::string_view::npos) {
    p.name = path;
  } else {
    p.name = path.substr(last + 1);
    p.namespace_ = strip_slashes(path.substr(0, last));
  }
  return p;
}

std::string_view PurlView::clean_namespace(std::string& scratch) const {
  if (namespace_.find("//") == std::string_view::npos) return namespace_;
  scratch.clear();
  scratch.reserve(namespace_.size());
  for (const char c : namespace_)
    if (c != '/' || scratch.back() != '/') scratch += c;  // never empty at a '/': no outer slashes
  return scratch;
}

std::expected<Purl, std::string> Purl::parse(std::string_view text) {
  auto v = PurlView::parse(text);
  if (!v) return failure(v);
  std::string scratch;
  Purl p;
  p.type = ascii_lower(v->type);
  if (!v->namespace_.empty()) p.namespace_ = std::string(v->clean_namespace(scratch));
  p.name = std::string(v->name);
  p.version = owned(v->version);
  p.qualifiers = owned(v->qualifiers);
  p.subpath = owned(v->subpath);
  return p;
}

std::string format_purl(std::string_view type, std::optional<std::string_view> namespace_,
                        std::string_view name, std::optional<std::string_view> version,
                        std::optional<std::string_view> qualifiers,
                        std::optional<std::string_view> subpath) {
  auto len = [](std::optional<std::string_view> s) { return s ? s->size() + 1 : 0; };
  std::string out;
  out.reserve(5 + type.size() + name.size() + len(namespace_) + len(version) + len(qualifiers) +
              len(subpath));
  out += "pkg:";
  out += type;
  out += '/';
  if (namespace_) (out += *namespace_) += '/';
  out += name;
  if (version) (out += '@') += *version;
  if (qualifiers) (out += '?') += *qualifiers;
  if (subpath) (out += '#') += *subpath;
  return out;
}

std::expected<std::string, std::string> build_purl(std::string_view type,
                                                   std::optional<std::string_view> namespace_,
                                                   std::string_view name,
                                                   std::optional<std::string_view> version,
                                                   std::optional<std::string_view> qualifiers,
                                                   std::optional<std::string_view> subpath) {
  if (trim(type).empty() || trim(name).empty()) return fail("package_type and name are required");
  return format_purl(ascii_lower(type), namespace_, name, version, qualifiers, subpath);
}

std::string Purl::to_purl() const {
  return format_purl(type, viewed(namespace_), name, viewed(version), viewed(qualifiers),
                     viewed(subpath));
}

std::optional<Ecosystem> Purl::ecosystem() const {
  return Ecosystem::from_purl_type(type);
}

}  // namespace ombrel
