// TextBuffer: the object itself, its buffer and growth policy, setting and
// reading the value, comparison, and error recording with its trace line.
#include "textlib/text_buffer.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/base/debug_sink.h"
#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "textlib/system_error_codes.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

using detail::kBlank;

namespace {

constexpr int kMegabyte = 1048576;

void blank(char* from, long count) {
  if (count > 0) std::memset(from, kBlank, static_cast<std::size_t>(count));
}

}  // namespace

TextBuffer::~TextBuffer() { Destruct(); }

// ---- Life cycle -------------------------------------------------------------

void TextBuffer::Start(bool freeBuffer) {
  if (streaming()) {
    Flush();
    STREAMFILENAME.clear();
  }
  FreeValue_(true, freeBuffer);
  BASE64 = BASE64NOWRAP = 0;
  BYTES = 0;
  CLEANBUFFER = GZIPPED = 0;
  if (LASTERROR.size() == 1) {
    LASTERROR[0] = kBlank;
  } else {
    LASTERROR = " ";
  }
  WINERRORCODE = 0;
  ENCODING = 0;
  CODEPAGE = 0;
  ENDIAN = 0;
  FIRST_ = 0;
  USEBUFFER = 1;
  LOGERRORS = BASE64URLSAFE = 0;
}

void TextBuffer::Destruct() {
  FreeValue_(false, true);
  LINES.reset();
  LASTERROR = " ";
}

void TextBuffer::FreeLines() {
  if (LINES) LINES->clear();
}

void TextBuffer::FreeValue_(bool freeLines, bool freeBuffer) {
  if (freeLines && LINES) FreeLines();
  if (streaming()) {
    Flush();
    if (freeBuffer) STREAMFILENAME.clear();
  }
  if (USEBUFFER && !freeBuffer) {
    if (CLEANBUFFER && VALUE.address != nullptr) blank(VALUE.address, DATAEND_);
  } else {
    std::free(VALUE.address);
    setBuffer(nullptr, 0);
  }
  DATAEND_ = 0;
}

void TextBuffer::SetEmpty() {
  if (USEBUFFER && !streaming() && !CLEANBUFFER) {
    DATAEND_ = 0;
  } else {
    FreeValue_(false, false);
  }
}

void TextBuffer::Free(bool freeLines) {
  if (USEBUFFER && !streaming() && !CLEANBUFFER) {
    if (freeLines && LINES) FreeLines();
    DATAEND_ = 0;
  } else {
    FreeValue_(freeLines, false);
  }
}

// ---- Allocation -------------------------------------------------------------

void TextBuffer::setBuffer(char* address, int size) {
  VALUE.address = address;
  VALUE.size = size;
  VALUEPTR = VALUE;
}

bool TextBuffer::ownsAddress(const void* address) const {
  const char* p = static_cast<const char*>(address);
  return VALUE.address != nullptr && p >= VALUE.address && p < VALUE.address + VALUE.size;
}

int TextBuffer::GrowSize_(int requested) {
  if (VALUE.address == nullptr && !FIRST_) {
    FIRST_ = 1;
    return requested;
  }
  const long long r = requested;
  long long amount;
  if (r < 0 || r > kMegabyte) {
    amount = r + kMegabyte;
  } else if (r <= 50) {
    amount = 50;
  } else if (r <= 255) {
    amount = 255;
  } else if (r <= 511) {
    amount = 511;
  } else if (r <= 1024) {
    amount = 1024;
  } else if (r <= 16384) {
    amount = 16384;
  } else {
    amount = 2 * r;
  }
  return static_cast<int>(std::min<long long>(amount, INT_MAX));
}

void TextBuffer::Malloc_(int size, bool exact, bool quiet) {
  if (size < 1) {
    FreeValue_(false, exact);
    return;
  }
  // The caller has released the previous buffer; never leak one that is left.
  std::free(VALUE.address);
  setBuffer(nullptr, 0);
  DATAEND_ = 0;
  int amount = (USEBUFFER && !exact) ? GrowSize_(size) : size;
  void* block = std::malloc(static_cast<std::size_t>(amount));
  if (block == nullptr && amount > size) {
    amount = size;
    block = std::malloc(static_cast<std::size_t>(amount));
  }
  if (block == nullptr) {
    const std::string text =
        "Memory allocation failed trying to get " + std::to_string(amount) + " bytes.";
    RecordError("_Malloc", text, true);
    if (!quiet) {
      rt::MessageRequest request;
      request.text = text;
      request.caption = "Out of Memory?";
      request.icon = rt::MessageIcon::Information;
      request.buttons = rt::button::Ok;
      rt::showMessage(request);
    }
    return;
  }
  blank(static_cast<char*>(block), amount);
  setBuffer(static_cast<char*>(block), amount);
  DATAEND_ = size;
}

// The old buffer is detached before the new size is chosen, so the growth
// policy sees an object without a buffer (the first allocation after Start is
// exact). The content up to the shorter length survives; the rest is blank.
bool TextBuffer::reallocate(int length, bool exact) {
  char* old = VALUE.address;
  const int oldLength = DATAEND_;
  setBuffer(nullptr, 0);
  DATAEND_ = 0;
  int amount = (USEBUFFER && !exact) ? GrowSize_(length) : length;
  void* block = std::realloc(old, static_cast<std::size_t>(amount));
  if (block == nullptr && amount > length) {
    amount = length;
    block = std::realloc(old, static_cast<std::size_t>(amount));
  }
  if (block == nullptr) {
    std::free(old);
    RecordError("_Malloc",
                "Memory allocation failed trying to get " + std::to_string(amount) + " bytes.",
                true);
    return false;
  }
  const int kept = std::min(oldLength, length);
  blank(static_cast<char*>(block) + kept, static_cast<long>(amount) - kept);
  setBuffer(static_cast<char*>(block), amount);
  DATAEND_ = length;
  return true;
}

void TextBuffer::SetLength(int length, bool exact) {
  if (length < 1) {
    FreeValue_(false, exact);
    return;
  }
  if (!USEBUFFER) {
    if (length != VALUE.size) {
      reallocate(length, exact);
    } else {
      if (length > DATAEND_) blank(VALUE.address + DATAEND_, length - DATAEND_);
      DATAEND_ = length;
    }
    return;
  }
  if (exact && length != VALUE.size) {
    reallocate(length, true);
    return;
  }
  if (length > VALUE.size) {
    reallocate(length, false);
    return;
  }
  if (length < DATAEND_) {
    if (CLEANBUFFER) blank(VALUE.address + length, DATAEND_ - length);
  } else if (length > DATAEND_) {
    blank(VALUE.address + DATAEND_, length - DATAEND_);
  }
  DATAEND_ = length;
}

int TextBuffer::AdjustLength(int delta) {
  SetLength(DATAEND_ + delta, false);
  return DATAEND_;
}

void TextBuffer::Reserve(int size) {
  if (VALUE.size >= size) return;
  const int length = DATAEND_;
  if (reallocate(size, true)) DATAEND_ = length;
}

void TextBuffer::ReleaseSpare() {
  if (VALUE.size <= DATAEND_) return;
  if (DATAEND_ == 0) {
    std::free(VALUE.address);
    setBuffer(nullptr, 0);
    return;
  }
  reallocate(DATAEND_, true);
}

// Shortens the value to `length`, keeping the allocation when USEBUFFER is set.
void TextBuffer::shrinkTo(int length) {
  if (length >= DATAEND_) return;
  if (USEBUFFER) {
    if (CLEANBUFFER) blank(VALUE.address + length, DATAEND_ - length);
    DATAEND_ = length;
  } else {
    SetLength(length, false);
  }
}

// Replaces removeCount bytes at the 0-based offset by `length` bytes.
bool TextBuffer::splice(int offset, int removeCount, const char* data, int length) {
  std::string copy;
  if (length > 0 && ownsAddress(data)) {
    copy.assign(data, static_cast<std::size_t>(length));
    data = copy.data();
  }
  const int oldLength = DATAEND_;
  const int tail = oldLength - offset - removeCount;
  if (length > removeCount) {
    SetLength(oldLength - removeCount + length, false);
    if (VALUE.address == nullptr) return false;
    std::memmove(VALUE.address + offset + length, VALUE.address + offset + removeCount,
                 static_cast<std::size_t>(tail));
  } else if (length < removeCount) {
    std::memmove(VALUE.address + offset + length, VALUE.address + offset + removeCount,
                 static_cast<std::size_t>(tail));
    shrinkTo(oldLength - removeCount + length);
  }
  if (length > 0) std::memcpy(VALUE.address + offset, data, static_cast<std::size_t>(length));
  return true;
}

// ---- Setting the value ------------------------------------------------------

void TextBuffer::SetValue(std::string_view text, bool clip) {
  SetValue(static_cast<int>(text.size()), text.data(), clip);
}

void TextBuffer::SetValue(int length, const void* address, bool clip) {
  const char* source = static_cast<const char*>(address);
  int n = source == nullptr || length < 1 ? 0 : (clip ? ClipLength(length, source) : length);
  BASE64 = 0;
  if (n == 0) {
    SetEmpty();
    return;
  }
  if (streaming()) {
    if (source == VALUE.address) {
      FlushAndKeep();
      SetLength(n, false);
    } else {
      std::string copy;
      if (ownsAddress(source)) {
        copy.assign(source, static_cast<std::size_t>(n));
        source = copy.data();
      }
      Flush();
      AppendRaw_(source, n);
    }
    return;
  }
  if (USEBUFFER) {
    if (n > VALUE.size) {
      Malloc_(n, false, true);
      if (VALUE.address == nullptr) return;
      std::memcpy(VALUE.address, source, static_cast<std::size_t>(n));
    } else {
      std::memmove(VALUE.address, source, static_cast<std::size_t>(n));
      if (CLEANBUFFER && n < DATAEND_) blank(VALUE.address + n, DATAEND_ - n);
      DATAEND_ = n;
    }
    return;
  }
  std::string copy;
  if (n != DATAEND_) {
    if (ownsAddress(source)) {
      copy.assign(source, static_cast<std::size_t>(n));
      source = copy.data();
    }
    SetEmpty();
    Malloc_(n, false, true);
    if (VALUE.address == nullptr) return;
  }
  std::memmove(VALUE.address, source, static_cast<std::size_t>(n));
  DATAEND_ = n;
}

void TextBuffer::SetValue(const TextBuffer& other) {
  if (&other != this) {
    if (other.DATAEND_ == 0) {
      BASE64 = 0;
      SetEmpty();
    } else {
      SetValue(other.DATAEND_, other.VALUE.address);
    }
  }
  GZIPPED = other.GZIPPED;
  BASE64 = other.BASE64;
  ENCODING = other.ENCODING;
  ENDIAN = other.ENDIAN;
  CODEPAGE = other.CODEPAGE;
}

void TextBuffer::SetValue(const TextBuffer& other, int flags) {
  SetValue(other);
  if ((flags & kAddLines) && other.LINES && &other != this) {
    if (!LINES) LINES = std::make_unique<LineQueue>();
    FreeLines();
    LINES->insert(LINES->end(), other.LINES->begin(), other.LINES->end());
  }
}

void TextBuffer::SetValueFromLine(int lineNumber) {
  if (!LINES || lineNumber < 1 || lineNumber > static_cast<int>(LINES->size())) {
    SetEmpty();
    return;
  }
  const TextLine& line = (*LINES)[static_cast<std::size_t>(lineNumber - 1)];
  if (line.EMPTY && line.LINE == " ") {
    SetEmpty();
    return;
  }
  const std::string text = line.LINE;
  SetValue(text);
}

void TextBuffer::SetValueFromCString(const void* address, int encoding) {
  if (encoding != -1) ENCODING = static_cast<std::uint8_t>(encoding);
  if (address == nullptr) {
    SetEmpty();
    return;
  }
  const char* p = static_cast<const char*>(address);
  std::size_t n = 0;
  if (ENCODING == 2) {
    while (p[n] != 0 || p[n + 1] != 0) n += 2;
  } else if (ENCODING == 4) {
    while (p[n] != 0 || p[n + 1] != 0 || p[n + 2] != 0 || p[n + 3] != 0) n += 4;
  } else {
    n = std::strlen(p);
  }
  SetValue(static_cast<int>(n), p);
}

void TextBuffer::AdoptBuffer_(int length, void* address, bool reset) {
  if (reset) {
    Start(true);
  } else {
    std::free(VALUE.address);
    setBuffer(nullptr, 0);
  }
  if (address == nullptr || length < 1) {
    std::free(address);
    DATAEND_ = 0;
    return;
  }
  setBuffer(static_cast<char*>(address), length);
  DATAEND_ = length;
}

void TextBuffer::TakeValueFrom_(TextBuffer& other) {
  if (&other == this) return;
  std::free(VALUE.address);
  setBuffer(other.VALUE.address, other.VALUE.size);
  DATAEND_ = other.DATAEND_;
  other.setBuffer(nullptr, 0);
  other.DATAEND_ = 0;
  GZIPPED = other.GZIPPED;
  BASE64 = other.BASE64;
  ENCODING = other.ENCODING;
  ENDIAN = other.ENDIAN;
  CODEPAGE = other.CODEPAGE;
  if (!USEBUFFER && DATAEND_ < VALUE.size) SetLength(DATAEND_, false);
}

void TextBuffer::SetValuePointer_(void* address, int size, int length, bool releaseOld) {
  char* block = static_cast<char*>(address);
  if (length > size) length = size;
  if (length < 0) length = 0;
  if (streaming()) {
    RecordError("_SetValuePointer", "Error: Incorrect use when streaming to " + STREAMFILENAME,
                true);
    if (block == VALUE.address) {
      FlushAndKeep();
      SetLength(length, false);
    } else {
      Flush();
      if (block != nullptr) AppendRaw_(block, length);
      std::free(block);
    }
    return;
  }
  if (releaseOld) {
    FreeValue_(true, true);
  } else if (block != VALUE.address) {
    std::free(VALUE.address);
  }
  setBuffer(nullptr, 0);
  DATAEND_ = 0;
  if (block == nullptr) return;
  if (!USEBUFFER && size > length) {
    if (length == 0) {
      std::free(block);
      return;
    }
    void* cut = std::realloc(block, static_cast<std::size_t>(length));
    if (cut != nullptr) block = static_cast<char*>(cut);
    size = length;
  }
  setBuffer(block, size);
  DATAEND_ = length;
}

int TextBuffer::TruncateAtWord(int n, int lookBack, int lookAhead) {
  const int length = DATAEND_;
  if (n < 2) {
    SetEmpty();
    return 0;
  }
  if (n >= length) return length;
  const char* v = VALUE.address;
  int newLength = n;
  if (v[n - 1] == kBlank) {
    newLength = n - 1;
  } else {
    for (int i = 1; (i <= lookBack || i <= lookAhead) && i <= n && n + i <= length; ++i) {
      if (i <= lookBack && i < n && v[n - i - 1] == kBlank) {
        newLength = n - i - 1;
        break;
      }
      if (i <= lookAhead && v[n + i - 1] == kBlank) {
        newLength = n + i - 1;
        break;
      }
    }
  }
  SetLength(newLength, false);
  return DATAEND_;
}

// ---- Reading the value ------------------------------------------------------

std::string TextBuffer::GetValue() const { return std::string(view()); }

std::string TextBuffer::GetValue(int count) const {
  if (count < 1) return {};
  return std::string(view().substr(0, static_cast<std::size_t>(std::min(count, DATAEND_))));
}

std::string_view TextBuffer::GetValueRef() const {
  if (DATAEND_ == 0) return {};
  return view();
}

std::string_view TextBuffer::GetValueRef(int start) const { return GetValueRef(start, 0); }

std::string_view TextBuffer::GetValueRef(int start, int end) const {
  const detail::ByteRange r = detail::normalizeRange(start, end, DATAEND_);
  if (DATAEND_ == 0 || r.first > DATAEND_ || r.empty()) return {};
  return view().substr(static_cast<std::size_t>(r.first - 1), static_cast<std::size_t>(r.size()));
}

char* TextBuffer::GetCString() const {
  if (DATAEND_ == 0) return nullptr;
  const int n = ClipLength();
  char* block = static_cast<char*>(std::calloc(static_cast<std::size_t>(n) + 2, 1));
  if (block != nullptr) std::memcpy(block, VALUE.address, static_cast<std::size_t>(n));
  return block;
}

int TextBuffer::ClipLength() const { return ClipLength(DATAEND_, VALUE.address); }

int TextBuffer::ClipLength(int length, const void* address) {
  if (address == nullptr || length < 1) return 0;
  return static_cast<int>(
      detail::clipView({static_cast<const char*>(address), static_cast<std::size_t>(length)})
          .size());
}

int TextBuffer::CountCharacters(int encoding, std::string_view text) const {
  const std::string_view subject = text.empty() ? view() : text;
  const int mode = encoding == -1 ? ENCODING : encoding;
  if (mode == 1) {
    int count = 0;
    for (std::size_t i = 0; i < subject.size(); ++i) {
      const unsigned char c = detail::byteAt(subject, i);
      if ((c & 0x80) == 0 || (c & 0xC0) == 0xC0) ++count;
    }
    return count;
  }
  if (mode == 2) return static_cast<int>(subject.size() / 2);
  return static_cast<int>(subject.size());
}

// ---- Comparison -------------------------------------------------------------

namespace {

// A copy of the value as little-endian UTF-16; an ANSI value is read in its
// own code page.
std::u16string asUtf16(const TextBuffer& value) {
  TextBuffer temp;
  temp.SetValue(value);
  temp.ToUnicode(2, value.CODEPAGE);
  std::u16string units(static_cast<std::size_t>(temp.Length() / 2), u'\0');
  if (!units.empty()) std::memcpy(units.data(), temp.GetAddress(), units.size() * 2);
  if (temp.ENCODING == 2 && temp.ENDIAN == 1) {
    for (char16_t& unit : units) unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
  }
  return units;
}

bool sameTextIgnoringCase(const TextBuffer& a, const TextBuffer& b) {
  const std::u16string left = asUtf16(a);
  const std::u16string right = asUtf16(b);
  UErrorCode status = U_ZERO_ERROR;
  const int order =
      u_strCaseCompare(left.data(), static_cast<int32_t>(left.size()), right.data(),
                       static_cast<int32_t>(right.size()), U_FOLD_CASE_DEFAULT, &status);
  return U_SUCCESS(status) && order == 0;
}

bool sameBytes(std::string_view a, std::string_view b, bool noCase) {
  if (a.size() != b.size()) return false;
  if (!noCase) return a == b;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (detail::foldUpper(detail::byteAt(a, i)) != detail::foldUpper(detail::byteAt(b, i))) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool TextBuffer::Equals(std::string_view text, int flags) const {
  if (flags & kEqualsClip) text = detail::clipView(text);
  if (flags & kEqualsAcrossEncodings) {
    return EqualsBytes_(static_cast<int>(text.size()), text.data(), flags & kEqualsNoCase);
  }
  return sameBytes(view(), text, (flags & kEqualsNoCase) != 0);
}

bool TextBuffer::Equals(const TextBuffer& other, int flags) const {
  if ((flags & kEqualsAcrossEncodings) && ENCODING != other.ENCODING) {
    return EqualsConverted_(other, flags);
  }
  if (DATAEND_ != other.DATAEND_) return false;
  if (DATAEND_ == 0) return true;
  if (flags & kEqualsNoCase) {
    if (ENCODING == 0 && other.ENCODING == 0) return sameBytes(view(), other.view(), true);
    return EqualsConverted_(other, flags);
  }
  return view() == other.view();
}

bool TextBuffer::EqualsBytes_(int length, const void* address, int flags) const {
  TextBuffer temp;
  temp.SetValue(length, address, (flags & kEqualsClip) != 0);
  return EqualsConverted_(temp, flags);
}

// One side is copied and brought to the other side's encoding, then the two
// are compared byte for byte. An ANSI side is read in its own code page (the
// system's when none is recorded), so equal texts compare equal whatever
// their encodings. A copy that cannot be brought to the target encoding (an
// ANSI target) stays as it is; UTF-16 takes the target's byte order. With
// kEqualsNoCase both sides are compared in UTF-16 under Unicode case folding.
bool TextBuffer::EqualsConverted_(const TextBuffer& other, int flags) const {
  const TextBuffer* copied = nullptr;
  const TextBuffer* target = nullptr;
  if (ENCODING == 0) {
    copied = this, target = &other;
  } else if (other.ENCODING == 0) {
    copied = &other, target = this;
  } else if (ENCODING == 1) {
    copied = this, target = &other;
  } else if (other.ENCODING == 1) {
    copied = &other, target = this;
  } else if (!(flags & kEqualsNoCase)) {
    return false;
  } else {
    copied = this, target = &other;
  }
  if (flags & kEqualsNoCase) return sameTextIgnoringCase(*copied, *target);
  TextBuffer temp;
  temp.SetValue(*copied);
  temp.ToUnicode(target->ENCODING, copied->CODEPAGE);
  if (temp.ENCODING == 2 && target->ENDIAN == 1) {
    // Brought to the target's byte order.
    char* units = temp.GetAddress();
    for (int i = 0; i + 1 < temp.Length(); i += 2) std::swap(units[i], units[i + 1]);
  }
  return temp.view() == target->view();
}

// ---- Errors and trace -------------------------------------------------------

void TextBuffer::RecordError(std::string_view method, std::string_view text, bool force) {
  const std::string_view clipped = detail::clipView(text);
  if (clipped.empty()) {
    if (LASTERROR.size() == 1) {
      LASTERROR[0] = kBlank;
    } else {
      LASTERROR = " ";
    }
  } else {
    LASTERROR.assign(clipped);
  }
  if (LOGERRORS || force) {
    DebugOut(std::string(detail::clipView(method)) + ": " + LASTERROR);
    if (WINERRORCODE != 0) {
      DebugOut("  API Error: " + std::to_string(WINERRORCODE) + ": " + FormatMessage(WINERRORCODE));
    }
  }
}

void TextBuffer::DebugOut(std::string_view text) const {
  std::string line = "[tb][" + std::to_string(rt::currentThreadNumber()) + "]";
  const std::string_view clipped = detail::clipView(text);
  if (clipped.empty()) {
    if (DATAEND_ > 0) {
      line += ' ';
      line.append(view());
    }
  } else {
    line += ' ';
    line.append(clipped);
  }
  rt::debugOutput(line);
}

std::string TextBuffer::FormatMessage(int code) {
  return std::string(detail::clipView(systemMessageText(code)));
}

}  // namespace textlib
