// TextBuffer: appending, prepending and streaming to a file.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/base/paths.h"
#include "textlib/system_error_codes.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

using detail::clipView;

namespace {

constexpr int kMegabyte = 1048576;

std::string_view bytes(int length, const void* address) {
  if (address == nullptr || length < 1) return {};
  return {static_cast<const char*>(address), static_cast<std::size_t>(length)};
}

std::string_view firstBytes(std::string_view text, int count) {
  if (count < 0 || count > static_cast<int>(text.size())) return text;
  return text.substr(0, static_cast<std::size_t>(count));
}

}  // namespace

// ---- Appending --------------------------------------------------------------

void TextBuffer::AppendRaw_(const void* address, int length) {
  if (address == nullptr || length < 1) return;
  const char* source = static_cast<const char*>(address);
  if (DATAEND_ + static_cast<long long>(length) <= VALUE.size) {
    std::memmove(VALUE.address + DATAEND_, source, static_cast<std::size_t>(length));
    DATAEND_ += length;
    return;
  }
  // The bytes may be part of this value: keep them as they were before the
  // buffer moves or is flushed.
  std::string copy;
  if (ownsAddress(source)) {
    copy.assign(source, static_cast<std::size_t>(length));
    source = copy.data();
  }
  if (!streaming()) {
    const long long wanted = static_cast<long long>(DATAEND_) + length;
    if (wanted > INT_MAX) {
      RecordError("_Malloc",
                  "Memory allocation failed trying to get " + std::to_string(wanted) + " bytes.",
                  true);
      return;
    }
    const int oldLength = DATAEND_;
    SetLength(oldLength + length, false);
    if (VALUE.address == nullptr) return;
    std::memcpy(VALUE.address + oldLength, source, static_cast<std::size_t>(length));
  } else if (length < VALUE.size) {
    Flush();
    std::memcpy(VALUE.address, source, static_cast<std::size_t>(length));
    DATAEND_ = length;
  } else {
    WriteToStream(length, source);
  }
}

void TextBuffer::appendWithSeparator(int length, const void* address, int flags,
                                     std::string_view separator) {
  std::string_view text = bytes(length, address);
  if (flags & kAddClip) text = clipView(text);
  const int d = DATAEND_ > 0 ? static_cast<int>(separator.size()) : 0;
  const int a = static_cast<int>(text.size());
  if ((flags & kAddSkipEmpty) && a == 0) return;
  if (a + d == 0) return;
  if (d == 0) {
    AppendRaw_(text.data(), a);
    return;
  }
  if (streaming() && DATAEND_ + a + d > VALUE.size && a + d >= VALUE.size) {
    std::string copy(text);
    WriteToStream(d, separator.data());
    WriteToStream(a, copy.data());
    return;
  }
  std::string joined;
  joined.reserve(static_cast<std::size_t>(a + d));
  joined.append(separator.substr(0, static_cast<std::size_t>(d))).append(text);
  AppendRaw_(joined.data(), a + d);
}

void TextBuffer::Append(std::string_view text) {
  AppendRaw_(text.data(), static_cast<int>(text.size()));
}

void TextBuffer::Append(std::string_view text, int flags) {
  if (flags & kAddClip) text = clipView(text);
  Append(text);
}

void TextBuffer::Append(std::string_view text, std::string_view separator, int flags) {
  if (separator.empty()) {
    Append(text, flags & kAddClip);
    return;
  }
  appendWithSeparator(static_cast<int>(text.size()), text.data(), flags, separator);
}

void TextBuffer::AppendFirst(std::string_view text, int count) { Append(firstBytes(text, count)); }

void TextBuffer::Append(int length, const void* address) { AppendRaw_(address, length); }

void TextBuffer::Append(int length, const void* address, int flags) {
  Append(bytes(length, address), flags);
}

void TextBuffer::Append(int length, const void* address, int flags, std::string_view separator) {
  appendWithSeparator(length, address, flags, separator);
}

void TextBuffer::AppendFirst(int length, const void* address, int count) {
  Append(firstBytes(bytes(length, address), count));
}

void TextBuffer::AppendByteAt(const void* address) { AppendRaw_(address, 1); }

void TextBuffer::AppendLongBytes(std::int32_t value, int byteCount) {
  if (byteCount < 1) return;
  if (byteCount > 4) byteCount = 4;
  const auto u = static_cast<std::uint32_t>(value);
  char out[4];
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((u >> (8 * i)) & 0xFF);
  AppendRaw_(out, byteCount);
}

void TextBuffer::Append(const TextBuffer& other) {
  AppendRaw_(other.VALUE.address, other.DATAEND_);
}

void TextBuffer::AppendFirst(const TextBuffer& other, int count) {
  Append(firstBytes(other.view(), count));
}

void TextBuffer::Append(const TextBuffer& other, std::string_view separator) {
  Append(other, 0, separator);
}

void TextBuffer::Append(const TextBuffer& other, int flags, std::string_view separator) {
  appendWithSeparator(other.DATAEND_, other.VALUE.address, flags, separator);
  if ((flags & kAddLines) && other.LINES) {
    const LineQueue lines = *other.LINES;
    if (!LINES) LINES = std::make_unique<LineQueue>();
    LINES->insert(LINES->end(), lines.begin(), lines.end());
  }
}

void TextBuffer::Append(const std::string* blob) {
  if (blob == nullptr || blob->empty()) {
    RecordError("Append", "The passed BLOB pointer was null or the BLOB did not contain any data.");
    return;
  }
  Append(std::string_view(*blob));
}

// ---- Prepending -------------------------------------------------------------

void TextBuffer::prependWithSeparator(std::string_view text, std::string_view separator) {
  const int n = static_cast<int>(text.size());
  const int d = DATAEND_ > 0 ? static_cast<int>(separator.size()) : 0;
  if (n + d == 0) return;
  if (streaming()) {
    RecordError("Prepend", "Warning: Dubious use of prepend when streaming to " + STREAMFILENAME,
                true);
    std::string joined(text);
    joined.append(separator.substr(0, static_cast<std::size_t>(d))).append(view());
    SetValue(joined);
    return;
  }
  if (USEBUFFER && DATAEND_ + static_cast<long long>(n) + d <= VALUE.size) {
    std::string copy;
    if (ownsAddress(text.data())) {
      copy.assign(text);
      text = copy;
    }
    std::memmove(VALUE.address + n + d, VALUE.address, static_cast<std::size_t>(DATAEND_));
    std::memcpy(VALUE.address, text.data(), static_cast<std::size_t>(n));
    if (d > 0) std::memcpy(VALUE.address + n, separator.data(), static_cast<std::size_t>(d));
    DATAEND_ += n + d;
    return;
  }
  std::string joined(text);
  joined.append(separator.substr(0, static_cast<std::size_t>(d))).append(view());
  SetValue(joined);
}

void TextBuffer::Prepend(std::string_view text) { prependWithSeparator(text, {}); }

void TextBuffer::Prepend(std::string_view text, int flags) { Prepend(text, {}, flags); }

void TextBuffer::Prepend(std::string_view text, std::string_view separator, int flags) {
  if (flags != 0) text = clipView(text);
  if ((flags & kAddSkipEmpty) && text.empty()) return;
  prependWithSeparator(text, separator);
}

void TextBuffer::Prepend(int length, const void* address) {
  const std::string_view text = bytes(length, address);
  if (text.empty()) return;
  if (streaming()) {
    RecordError("Prepend", "Warning: Dubious use of prepend when streaming to " + STREAMFILENAME,
                true);
    SetValue(text);
    return;
  }
  prependWithSeparator(text, {});
}

void TextBuffer::Prepend(const TextBuffer& other) {
  if (other.DATAEND_ == 0) return;
  const std::string copy(other.view());
  Prepend(copy);
}

void TextBuffer::Prepend(const TextBuffer& other, std::string_view separator) {
  Prepend(other, 0, separator);
}

void TextBuffer::Prepend(const TextBuffer& other, int flags, std::string_view separator) {
  if (other.DATAEND_ > 0) {
    const std::string copy(other.view());
    Prepend(copy, separator, flags & kAddClip);
  }
  if ((flags & kAddLines) && other.LINES) {
    const LineQueue lines = *other.LINES;
    if (!LINES) LINES = std::make_unique<LineQueue>();
    LINES->insert(LINES->begin(), lines.begin(), lines.end());
  }
}

// ---- Streaming --------------------------------------------------------------

// Appends bytes to the stream file through the block form of SaveFile.
bool TextBuffer::appendToStreamFile(const char* data, int length) {
  return SaveFileBytes(STREAMFILENAME, length, data, true) == 1;
}

int TextBuffer::Stream(std::string_view fileName, int bufferMB, bool append) {
  if (!USEBUFFER) {
    RecordError("Stream", "Cannot Stream if UseBuffer not true", true);
    return 1;
  }
  const std::string name(clipView(fileName));
  if (name.empty()) {
    RecordError("Stream", "No filename specified", true);
    return 1;
  }
  if (streaming()) {
    Flush();
    if (detail::upperCopy(name) != detail::upperCopy(STREAMFILENAME)) {
      STREAMFILENAME = name;
    }
  } else {
    STREAMFILENAME = name;
    Flush();
  }
  if (bufferMB < 1 || bufferMB > 500) bufferMB = 10;
  if (reallocate(bufferMB * kMegabyte, true)) DATAEND_ = 0;
  if (!append) {
    errno = 0;
    if (std::remove(rt::resolvePath(STREAMFILENAME).c_str()) != 0) {
      const int saved = errno;
      const int code = saved == ENOENT ? 2 : saved == ENOTDIR ? 3 : windowsErrorFromErrno(saved);
      if (code != 2 && code != 3) {
        RecordError("Stream",
                    "Warning: unable to remove existing stream file " + STREAMFILENAME +
                        " Errorcode=" + std::to_string(code) + " Error=" + systemMessageText(code),
                    true);
      }
    }
  }
  return 0;
}

int TextBuffer::Flush() {
  if (!streaming()) {
    RecordError("Flush", "flush ignored as not currently streaming", true);
    return 1;
  }
  bool ok = true;
  if (DATAEND_ > 0) {
    ok = appendToStreamFile(VALUE.address, DATAEND_);
    if (CLEANBUFFER) std::memset(VALUE.address, ' ', static_cast<std::size_t>(DATAEND_));
  }
  DATAEND_ = 0;
  return ok ? 0 : 1;
}

int TextBuffer::FlushAndKeep() {
  if (!streaming()) {
    RecordError("FlushAndKeep", "flush ignored as not currently streaming", true);
    return 1;
  }
  if (DATAEND_ == 0) return 0;
  return appendToStreamFile(VALUE.address, DATAEND_) ? 0 : 1;
}

int TextBuffer::WriteToStream(int length, const void* address) {
  std::string copy;
  const char* source = static_cast<const char*>(address);
  if (source != nullptr && length > 0 && ownsAddress(source)) {
    copy.assign(source, static_cast<std::size_t>(length));
    source = copy.data();
  }
  if (Flush() != 0) return 1;
  if (source == nullptr || length < 1) return 0;
  return appendToStreamFile(source, length) ? 0 : 1;
}

int TextBuffer::WriteToStream(std::string_view text) {
  return WriteToStream(static_cast<int>(text.size()), text.data());
}

int TextBuffer::WriteToStream(const TextBuffer& other) {
  return WriteToStream(other.DATAEND_, other.VALUE.address);
}

}  // namespace textlib
