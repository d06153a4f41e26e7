// TextBuffer: taking URLs and file paths apart. Each operation examines its
// argument, or the value when the argument is empty, without its trailing
// blanks; none changes the value.
#include <string>

#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

// The text examined, with 1-based searches as the operations describe them.
class Examined {
 public:
  explicit Examined(std::string_view text) : text_(detail::clipView(text)) {}
  int length() const { return static_cast<int>(text_.size()); }
  // First occurrence at or after `from`, or 0.
  int find(std::string_view what, int from = 1) const {
    if (from < 1) from = 1;
    if (from > length()) return 0;
    const std::size_t at = text_.find(what, static_cast<std::size_t>(from - 1));
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
  }
  // Last occurrence starting before `before`, or 0.
  int findLastBefore(char c, int before) const {
    for (int p = before - 1; p >= 1; --p) {
      if (text_[static_cast<std::size_t>(p - 1)] == c) return p;
    }
    return 0;
  }
  int findLast(char c) const { return findLastBefore(c, length() + 1); }
  char at(int position) const { return text_[static_cast<std::size_t>(position - 1)]; }
  // Positions first..last, empty when the range is.
  std::string slice(int first, int last) const {
    if (first < 1) first = 1;
    if (last > length()) last = length();
    if (last < first) return {};
    return std::string(text_.substr(static_cast<std::size_t>(first - 1),
                                    static_cast<std::size_t>(last - first + 1)));
  }

 private:
  std::string_view text_;
};

int hostStart(int scheme) { return scheme == 0 ? 1 : scheme + 3; }

}  // namespace

std::string TextBuffer::UrlProtocol(std::string_view url) const {
  const Examined t(url.empty() ? view() : url);
  const int p = t.find("://");
  if (p <= 1) return {};
  const int q = t.find("?");
  if (q > 0 && p >= q) return {};
  return t.slice(1, p - 1);
}

std::string TextBuffer::UrlHost(std::string_view url, bool withPort) const {
  const Examined t(url.empty() ? view() : url);
  int p = t.find("://");
  int b = t.find("?");
  if (b == 0) b = t.find("#");
  if (b == 0) b = t.length() + 1;
  if (p > b) p = 0;
  const int s = hostStart(p);
  if (const int slash = t.find("/", s); slash > 0) b = slash;
  if (!withPort) {
    const int colon = t.find(":", s);
    if (colon > 0 && colon < b) b = colon;
  }
  if (b - 1 < s) return {};
  return t.slice(s, b - 1);
}

int TextBuffer::UrlPort(std::string_view url) const {
  const Examined t(url.empty() ? view() : url);
  int p = t.find("://");
  int q = t.find("?");
  if (q == 0) q = t.length() + 1;
  if (p > q) p = 0;
  const int s = hostStart(p);
  int e = t.find("/", s + 4);
  if (e == 0) e = q;
  int c = t.find(":", s);
  if (c > e) c = 0;
  if (c == 0 || c + 1 >= e) return 0;
  // The leading decimal digits of the port text; anything else ends it.
  long long port = 0;
  for (int i = c + 1; i < e && i <= t.length(); ++i) {
    const char d = t.at(i);
    if (d < '0' || d > '9') break;
    port = port * 10 + (d - '0');
    if (port > 0x7FFFFFFF) return 0;
  }
  return static_cast<int>(port);
}

std::string TextBuffer::UrlPath(std::string_view url, bool withFileName) const {
  const Examined t(url.empty() ? view() : url);
  const int s = hostStart(t.find("://"));
  const int c = t.find("/", s);
  if (c == 0 || c == t.length()) return {};
  int d = t.find("?", c);
  if (d == 0) d = t.length() + 1;
  if (withFileName) return t.slice(c + 1, d - 1);
  const int e = t.findLastBefore('/', d);
  return e - c > 1 ? t.slice(c + 1, e - 1) : std::string();
}

std::string TextBuffer::UrlFileName(std::string_view url) const {
  const Examined t(url.empty() ? view() : url);
  const int s = hostStart(t.find("://"));
  const int c = t.find("/", s);
  if (c == 0 || c == t.length()) return {};
  int d = t.find("?", c);
  if (d == 0) d = t.find("#", c);
  if (d == 0) d = t.length() + 1;
  const int e = t.findLastBefore('/', d);
  return t.slice(e + 1, d - 1);
}

std::string TextBuffer::UrlParameters(std::string_view url) const {
  const Examined t(url.empty() ? view() : url);
  const int q = t.find("?");
  if (q == 0) return {};
  const int h = t.find("#");
  if (h > 0) return t.slice(q + 1, h - 1);
  return t.slice(q + 1, t.length());
}

std::string TextBuffer::UrlParameter(std::string_view name, std::string_view url) const {
  const std::string_view text = url.empty() ? view() : url;
  const std::string query = text.find('?') != std::string_view::npos
                                ? UrlParameters(text)
                                : std::string(detail::clipView(text));
  const std::string wanted = std::string(detail::clipView(name)) + "=";
  std::string_view rest = query;
  for (;;) {
    const std::size_t amp = rest.find('&');
    const std::string_view part = rest.substr(0, amp);
    if (part.starts_with(wanted)) {
      TextBuffer value;
      value.SetValue(part.substr(wanted.size()));
      value.UrlDecode();
      return value.GetValue();
    }
    if (amp == std::string_view::npos) return {};
    rest.remove_prefix(amp + 1);
  }
}

std::string TextBuffer::PathOnly(std::string_view path) const {
  const Examined t(path.empty() ? view() : path);
  int p = t.findLast('\\');
  if (p == 0) p = t.findLast('/');
  return p == 0 ? std::string() : t.slice(1, p - 1);
}

std::string TextBuffer::FileNameOnly(std::string_view path, bool withExtension) const {
  const Examined t(path.empty() ? view() : path);
  const int length = t.length();
  if (length < 1 || t.at(length) == '/' || t.at(length) == '\\') return {};
  int separator = t.findLast('\\');
  if (separator == 0) separator = t.findLast('/');
  const std::string name = t.slice(separator + 1, length);
  if (withExtension) return name;
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return name;
  if (dot == 0) return separator > 0 ? name : std::string();
  return name.substr(0, dot);
}

}  // namespace textlib
