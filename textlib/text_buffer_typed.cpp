// TextBuffer: typed values as raw bytes (numbers in the processor's
// little-endian order, packed decimals, three text layouts) between the value
// or a caller's buffer and variables, and byte-order swapping.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/base/number_text.h"
#include "platform/base/text_order.h"
#include "textlib/text_buffer.h"
#include "textlib/text_buffer_internal.h"

namespace textlib {

namespace {

std::size_t offsetOf(int position) {
  return position < 1 ? 0 : static_cast<std::size_t>(position - 1);
}

// The bytes of a buffer from a 1-based position to its end.
std::string_view tailOf(std::span<const char> buffer, int position) {
  const std::size_t from = offsetOf(position);
  if (from >= buffer.size()) return {};
  return {buffer.data() + from, buffer.size() - from};
}

void assignFixed(std::string_view text, std::span<char> variable) {
  const std::size_t n = std::min(text.size(), variable.size());
  std::memcpy(variable.data(), text.data(), n);
  std::memset(variable.data() + n, ' ', variable.size() - n);
}

void assignCString(std::string_view text, TextBuffer::CStringRef variable) {
  if (variable.address == nullptr || variable.size < 1) return;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(variable.size - 1));
  std::memcpy(variable.address, text.data(), n);
  variable.address[n] = '\0';
}

void assignPString(std::string_view text, TextBuffer::PStringRef variable) {
  if (variable.address == nullptr || variable.size < 1) return;
  const std::size_t n =
      std::min({text.size(), static_cast<std::size_t>(variable.size - 1), std::size_t{255}});
  variable.address[0] = static_cast<unsigned char>(n);
  std::memcpy(variable.address + 1, text.data(), n);
}

std::string_view cStringText(TextBuffer::CStringRef source) {
  if (source.address == nullptr || source.size < 1) return {};
  const std::size_t size = static_cast<std::size_t>(source.size);
  const void* zero = std::memchr(source.address, '\0', size);
  return {source.address, zero == nullptr ? size
                                          : static_cast<std::size_t>(
                                                static_cast<const char*>(zero) - source.address)};
}

std::string_view pStringText(TextBuffer::PStringRef source) {
  if (source.address == nullptr || source.size < 1) return {};
  const std::size_t n =
      std::min<std::size_t>(source.address[0], static_cast<std::size_t>(source.size - 1));
  return {reinterpret_cast<const char*>(source.address + 1), n};
}

// The kinds a type name selects, with their widths.
enum class Kind { Byte, Short, UShort, Long, ULong, SReal, Real, Text, None };

Kind kindOf(std::string_view typeName) {
  const std::string name = rt::upper(detail::clipView(typeName));
  if (name == "BYTE") return Kind::Byte;
  if (name == "SHORT") return Kind::Short;
  if (name == "USHORT") return Kind::UShort;
  if (name == "LONG") return Kind::Long;
  if (name == "ULONG") return Kind::ULong;
  if (name == "SREAL") return Kind::SReal;
  if (name == "REAL" || name == "DECIMAL") return Kind::Real;
  if (name == "CSTRING" || name == "STRING" || name == "PSTRING") return Kind::Text;
  return Kind::None;
}

std::size_t widthOf(Kind kind) {
  switch (kind) {
    case Kind::Byte:
      return 1;
    case Kind::Short:
    case Kind::UShort:
      return 2;
    case Kind::Long:
    case Kind::ULong:
    case Kind::SReal:
      return 4;
    default:
      return 8;
  }
}

template <typename T>
T load(const char* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

double numberOf(const TextBuffer::AnyVariable& variable) {
  return std::visit(
      [](auto* v) -> double {
        if constexpr (std::is_same_v<decltype(v), std::string*>) {
          return rt::numericValue(*v);
        } else {
          return static_cast<double>(*v);
        }
      },
      variable);
}

void assignNumber(const TextBuffer::AnyVariable& variable, double number) {
  std::visit(
      [number](auto* v) {
        using T = std::remove_pointer_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          *v = rt::numberText(number);
        } else if constexpr (std::is_floating_point_v<T>) {
          *v = static_cast<T>(number);
        } else {
          *v = static_cast<T>(rt::wholeNumber(number));
        }
      },
      variable);
}

}  // namespace

void TextBuffer::writeBytes(const void* bytes, std::size_t count, std::span<char> buffer,
                            int position) {
  const std::size_t from = offsetOf(position);
  if (buffer.data() == nullptr || from + count > buffer.size()) return;
  std::memcpy(buffer.data() + from, bytes, count);
}

void TextBuffer::readBytes(std::span<const char> buffer, int position, void* bytes,
                           std::size_t count) {
  const std::string_view tail = tailOf(buffer, position);
  const std::size_t n = std::min(count, tail.size());
  std::memcpy(bytes, tail.data(), n);
  std::memset(static_cast<char*>(bytes) + n, ' ', count - n);
}

void TextBuffer::WriteBuffer(DecimalRef variable, std::span<char> buffer, int position) {
  if (variable.address == nullptr || variable.size < 1) return;
  writeBytes(variable.address, static_cast<std::size_t>(variable.size), buffer, position);
}

void TextBuffer::ReadBuffer(std::span<const char> buffer, DecimalRef variable, int position) {
  if (variable.address == nullptr || variable.size < 1) return;
  const std::size_t size = static_cast<std::size_t>(variable.size);
  if (offsetOf(position) + size > buffer.size()) {
    std::memset(variable.address, 0, size);
  } else {
    std::memcpy(variable.address, buffer.data() + offsetOf(position), size);
  }
}

void TextBuffer::ReadBuffer(std::span<const char> buffer, CStringRef variable, int position) {
  assignCString(tailOf(buffer, position), variable);
}

void TextBuffer::ReadBuffer(std::span<const char> buffer, std::span<char> variable, int position) {
  assignFixed(tailOf(buffer, position), variable);
}

void TextBuffer::ReadBuffer(std::span<const char> buffer, PStringRef variable, int position) {
  assignPString(tailOf(buffer, position), variable);
}

void TextBuffer::ReadBuffer(CStringRef source, std::span<char> variable, int position) {
  assignFixed(tailOf(cStringText(source), position), variable);
}

void TextBuffer::ReadBuffer(PStringRef source, std::span<char> variable, int position) {
  assignFixed(tailOf(pStringText(source), position), variable);
}

void TextBuffer::FromVariable(DecimalRef variable) {
  SetValue(variable.address == nullptr ? 0 : variable.size, variable.address);
}

void TextBuffer::FromVariable(CStringRef variable) { SetValue(cStringText(variable)); }

void TextBuffer::FromVariable(std::span<const char> variable) {
  SetValue(static_cast<int>(variable.size()), variable.data());
}

void TextBuffer::FromVariable(PStringRef variable) { SetValue(pStringText(variable)); }

int TextBuffer::GetBytes(std::string_view typeName, AnyVariable variable) const {
  const Kind kind = kindOf(typeName);
  if (kind == Kind::None) return 0;
  if (kind == Kind::Text) {
    if (auto* text = std::get_if<std::string*>(&variable)) {
      (*text)->assign(view());
    } else {
      assignNumber(variable, rt::numericValue(view()));
    }
    return 1;
  }
  if (static_cast<std::size_t>(DATAEND_) < widthOf(kind)) return 0;
  const char* v = VALUE.address;
  double number = 0;
  switch (kind) {
    case Kind::Byte:
      number = load<std::uint8_t>(v);
      break;
    case Kind::Short:
      number = load<std::int16_t>(v);
      break;
    case Kind::UShort:
      number = load<std::uint16_t>(v);
      break;
    case Kind::Long:
      number = load<std::int32_t>(v);
      break;
    case Kind::ULong:
      number = load<std::uint32_t>(v);
      break;
    case Kind::SReal:
      number = load<float>(v);
      break;
    default:
      number = load<double>(v);
      break;
  }
  assignNumber(variable, number);
  return 1;
}

int TextBuffer::SetBytes(std::string_view typeName, AnyVariable variable) {
  const Kind kind = kindOf(typeName);
  if (kind == Kind::None) {
    RecordError("TextBuffer.SetBytes",
                "Cannot store the passed value, it is not of a valid type (" +
                    std::string(typeName) + " is not supported)");
    return 0;
  }
  if (kind == Kind::Text) {
    const std::string text = std::holds_alternative<std::string*>(variable)
                                 ? *std::get<std::string*>(variable)
                                 : rt::numberText(numberOf(variable));
    if (text.empty()) {
      RecordError("TextBuffer.SetBytes", "Cannot store the passed string, the length is zero");
      return 0;
    }
    SetValue(text);
    return 1;
  }
  const double number = numberOf(variable);
  // Fractions are cut toward zero; integers keep their low bytes.
  const auto whole = static_cast<std::uint64_t>(rt::wholeNumber(number));
  switch (kind) {
    case Kind::Byte:
      FromVariable(static_cast<std::uint8_t>(whole));
      break;
    case Kind::Short:
      FromVariable(static_cast<std::int16_t>(whole));
      break;
    case Kind::UShort:
      FromVariable(static_cast<std::uint16_t>(whole));
      break;
    case Kind::Long:
      FromVariable(static_cast<std::int32_t>(whole));
      break;
    case Kind::ULong:
      FromVariable(static_cast<std::uint32_t>(whole));
      break;
    case Kind::SReal:
      FromVariable(static_cast<float>(number));
      break;
    default:
      FromVariable(number);
      break;
  }
  return 1;
}

int TextBuffer::CopyToVariable(std::string_view source, std::span<char> variable, bool clip) {
  if (clip) source = detail::clipView(source);
  if (variable.empty()) return -1;
  assignFixed(source, variable);
  return source.size() > variable.size() ? static_cast<int>(source.size()) : 0;
}

std::int32_t TextBuffer::ByteSwap32(std::int32_t number) {
  return static_cast<std::int32_t>(__builtin_bswap32(static_cast<std::uint32_t>(number)));
}

std::uint32_t TextBuffer::ByteSwap32(std::uint32_t number) { return __builtin_bswap32(number); }

void TextBuffer::SwapByteOrder() {
  char* v = VALUE.address;
  for (int i = 0; i + 1 < DATAEND_; i += 2) std::swap(v[i], v[i + 1]);
}

void TextBuffer::ToBigEndian() {
  if (ENCODING != 2 || ENDIAN == 1) return;
  SwapByteOrder();
  ENDIAN = 1;
}

void TextBuffer::ToLittleEndian() {
  if (ENCODING != 2 || ENDIAN == 0) return;
  SwapByteOrder();
  ENDIAN = 0;
}

}  // namespace textlib
