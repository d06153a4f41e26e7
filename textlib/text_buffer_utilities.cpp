// TextBuffer: prefix and suffix tests, ASN.1 BER elements, memory dumps,
// version numbers and copying the value to and from a blob.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/base/number_text.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

constexpr std::uintptr_t kLowestAddress = 65535;
constexpr int kDumpWidth = 16;

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return out;
}

bool sameText(std::string_view a, std::string_view b, bool caseSensitive) {
  return caseSensitive ? a == b : lowerAscii(a) == lowerAscii(b);
}

std::string asnLength(std::size_t length) {
  if (length < 128) return std::string(1, static_cast<char>(length));
  const auto n = static_cast<std::uint32_t>(length);
  return {'\x84', static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
          static_cast<char>(n)};
}

// One dump line of up to 16 bytes; the address shows its low 32 bits, so the
// layout is the same on every platform.
std::string dumpLine(const unsigned char* bytes, int count, std::uintptr_t address, bool hex) {
  char text[16];
  std::snprintf(text, sizeof text, "%08xh", static_cast<unsigned>(address & 0xFFFFFFFFu));
  std::string line = text;
  line.resize(10, ' ');
  line += " | ";
  for (int i = 0; i < kDumpWidth; ++i) {
    if (i < count) {
      std::snprintf(text, sizeof text, hex ? " %02x" : " %03u", bytes[i]);
      line += text;
    } else {
      line.append(hex ? 3 : 4, ' ');
    }
  }
  line += " | ";
  for (int i = 0; i < count; ++i) line.push_back(bytes[i] < 32 ? '.' : static_cast<char>(bytes[i]));
  line += "\r\n";
  return line;
}

}  // namespace

int TextBuffer::StartsWith(std::string_view text, bool caseSensitive, bool clip) const {
  if (clip) text = detail::clipView(text);
  if (text.empty()) return 1;
  if (text.size() > static_cast<std::size_t>(DATAEND_)) return 0;
  return sameText(view().substr(0, text.size()), text, caseSensitive) ? 1 : 0;
}

int TextBuffer::EndsWith(std::string_view text, bool caseSensitive, bool clip) const {
  if (clip) text = detail::clipView(text);
  if (text.empty()) return 1;
  if (text.size() > static_cast<std::size_t>(DATAEND_)) return 0;
  return sameText(view().substr(view().size() - text.size()), text, caseSensitive) ? 1 : 0;
}

void TextBuffer::AsnWrap(std::string_view tag) {
  const std::string head = std::string(tag) + asnLength(static_cast<std::size_t>(DATAEND_));
  Prepend(head);
}

void TextBuffer::AsnWrap(std::string_view tag, std::string_view content) {
  SetValue(content);
  AsnWrap(tag);
}

void TextBuffer::AsnEncodeNumber(std::string_view tag, std::int32_t number) {
  const auto n = static_cast<std::uint32_t>(number);
  if (number >= 0 && number <= 255) {
    SetValue(std::string(1, static_cast<char>(n)));
  } else {
    const char little[4] = {static_cast<char>(n), static_cast<char>(n >> 8),
                            static_cast<char>(n >> 16), static_cast<char>(n >> 24)};
    SetValue(4, little);
  }
  AsnWrap(tag);
}

int TextBuffer::AsnReadElement(int& position, TextBuffer& content, char* tag, int tagSize) const {
  content.SetEmpty();
  if (position < 1) position = 1;
  const auto* v = reinterpret_cast<const unsigned char*>(VALUE.address);
  const long long length = DATAEND_;
  long long at = position - 1;
  if (at >= length) return 1;
  if (tag != nullptr && tagSize > 0) tag[0] = static_cast<char>(v[at]);
  ++at;
  if (at >= length) return 1;
  long long size = v[at++];
  if (size >= 128) {
    const int count = static_cast<int>(size & 127);
    size = 0;
    if (count == 1 || count == 2 || count == 4) {
      if (at + count > length) return 1;
      for (int i = 0; i < count; ++i) size = size << 8 | v[at++];
    }
  }
  position = static_cast<int>(at) + 1;
  if (size == 0) return 0;
  if (at + size > length) return 1;
  content.SetValue(static_cast<int>(size), v + at);
  position = static_cast<int>(at + size) + 1;
  return 0;
}

void TextBuffer::PeekRam(TextBuffer& target, const void* address, int length, int format) {
  target.SetEmpty();
  if (address == nullptr) {
    address = VALUE.address;
    if (length <= 0 || length > DATAEND_) length = DATAEND_;
  }
  const auto where = reinterpret_cast<std::uintptr_t>(address);
  if (where <= kLowestAddress || length <= 0) {
    RecordError("PeekRam",
                "INVALID PeekRam at " + std::to_string(where) + ", len=" + std::to_string(length),
                true);
    return;
  }
  const auto* bytes = static_cast<const unsigned char*>(address);
  for (int at = 0; at < length; at += kDumpWidth) {
    target.Append(
        dumpLine(bytes + at, std::min(kDumpWidth, length - at), where + at, format == kPeekHex));
  }
}

void TextBuffer::PeekRam(const void* address, int length, int format) {
  TextBuffer dump;
  PeekRam(dump, address, length, format);
  if (dump.Length() == 0) return;
  const auto where = reinterpret_cast<std::uintptr_t>(address == nullptr ? VALUE.address : address);
  DebugOut("PeekRam at " + std::to_string(where) + ", len=" + std::to_string(length) + "\r\n" +
           dump.GetValue());
}

void TextBuffer::PeekRam(int format) { PeekRam(VALUE.address, DATAEND_, format); }

std::int32_t TextBuffer::VersionToLong(std::string_view text) {
  if (const std::size_t open = text.find('('); open != text.npos) {
    text = text.substr(open + 1);
    if (const std::size_t close = text.find(')'); close != text.npos) text = text.substr(0, close);
  }
  std::string kept;
  for (char c : text) {
    if ((c >= '0' && c <= '9') || c == ',' || c == '.') kept.push_back(c);
  }
  if (kept.empty()) return -1;
  std::uint32_t result = 0;
  std::size_t from = 0;
  for (int part = 0; part < 3 && from <= kept.size(); ++part) {
    const std::size_t comma = kept.find(',', from);
    std::string piece = kept.substr(from, comma == kept.npos ? kept.npos : comma - from);
    // A part such as "1.5" counts by the digits before its point.
    piece = piece.substr(0, piece.find('.'));
    const auto number = static_cast<std::uint32_t>(rt::wholeNumber(rt::numericValue(piece)));
    result |= (number & 0xFF) << (8 * part);
    if (comma == kept.npos) break;
    from = comma + 1;
  }
  return static_cast<std::int32_t>(result);
}

int TextBuffer::ToBlob(std::string* blob) {
  if (blob == nullptr) {
    RecordError("ToBlob", "The passed BLOB pointer was null");
    return 0;
  }
  blob->clear();
  blob->assign(view());
  return 1;
}

int TextBuffer::FromBlob(const std::string* blob) {
  if (blob == nullptr || blob->empty()) {
    SetEmpty();
    RecordError("FromBlob",
                "The passed BLOB pointer was null or the BLOB did not contain any data.");
    return 0;
  }
  SetValue(*blob);
  return 1;
}

}  // namespace textlib
