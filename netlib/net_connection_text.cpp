#include <string>
#include <vector>

#include "netlib/net_connection.h"
#include "platform/base/text_order.h"
#include "textlib/text_buffer.h"

namespace netlib {
namespace {

std::string_view clipped(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string_view withoutLeadingSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  for (;;) {
    const std::size_t at = text.find("\r\n");
    lines.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) return lines;
    text.remove_prefix(at + 2);
  }
}

}  // namespace

std::string NetConnection::GetHeaderValue_(std::string_view text, std::string_view name, int start,
                                           int end, int noCase) {
  const int length = static_cast<int>(clipped(text).size());
  if (start < 1) start = 1;
  if (end < 1 || end > length) end = length;
  if (end < start) return {};
  std::string wanted(name);
  if (wanted.empty() || wanted.back() != ':') wanted += ':';
  // Only the header block is searched.
  const std::size_t blank = text.find("\r\n\r\n");
  if (blank != std::string_view::npos) {
    const int p = static_cast<int>(blank) + 1;
    if (p < end) end = p - 1;
    if (end < start) return {};
  }
  std::vector<std::string> lines = splitLines(
      text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(end - start + 1)));
  // Continuation lines (without a colon) are joined to the line before them.
  for (std::size_t i = lines.size(); i-- > 1;) {
    if (lines[i].find(':') == std::string::npos) {
      lines[i - 1] += lines[i];
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  const std::string key = noCase != 0 ? rt::upper(wanted) : wanted;
  for (const std::string& line : lines) {
    const std::string probe = noCase != 0 ? rt::upper(line) : line;
    if (probe.compare(0, key.size(), key) != 0) continue;
    const std::string_view value = std::string_view(line).substr(probe.find(key) + key.size());
    return std::string(clipped(withoutLeadingSpaces(value)));
  }
  return {};
}

std::string NetConnection::HeaderValue_(const textlib::TextBuffer& text, std::string_view name,
                                        int start, int end, int noCase) {
  return GetHeaderValue_(text.GetValueRef(), name, start, end, noCase);
}

std::int32_t NetConnection::HexToLong_(std::string_view text) {
  const std::string digits = rt::upper(clipped(withoutLeadingSpaces(text)));
  std::uint32_t value = 0;
  for (char c : digits) {
    std::uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      break;
    }
    value = value * 16 + digit;
  }
  return static_cast<std::int32_t>(value);
}

std::string NetConnection::LongToHex_(std::int32_t number) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const auto bits = static_cast<std::uint32_t>(number);
  std::string text(8, '0');
  for (int i = 0; i < 8; ++i)
    text[static_cast<std::size_t>(i)] = kDigits[(bits >> (28 - 4 * i)) & 0xF];
  return text;
}

}  // namespace netlib
