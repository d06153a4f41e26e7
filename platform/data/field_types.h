#pragma once
// Value types of record fields. Every type has alignment 1 and the exact size
// of its field, so a struct of them is the record's fixed-width buffer with
// the fields packed without gaps at their offsets.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/base/cp1252.h"

namespace rt {

enum class FieldType { Byte, Short, UShort, Long, ULong, Date, Time, String, Decimal };

// Integers held in native byte order, unaligned.
template <typename T, FieldType kType>
class IntField {
 public:
  static constexpr FieldType type = kType;
  static constexpr int size = sizeof(T);
  static constexpr int places = 0;

  operator T() const {
    T v;
    std::memcpy(&v, bytes_, sizeof(T));
    return v;
  }
  IntField& operator=(T v) {
    std::memcpy(bytes_, &v, sizeof(T));
    return *this;
  }
  IntField& operator+=(T v) { return *this = static_cast<T>(*this + v); }
  IntField& operator-=(T v) { return *this = static_cast<T>(*this - v); }

 private:
  unsigned char bytes_[sizeof(T)];
};

using Byte = IntField<std::uint8_t, FieldType::Byte>;
using Short = IntField<std::int16_t, FieldType::Short>;
using UShort = IntField<std::uint16_t, FieldType::UShort>;
using Long = IntField<std::int32_t, FieldType::Long>;
using ULong = IntField<std::uint32_t, FieldType::ULong>;
using DateField = IntField<std::int32_t, FieldType::Date>;
using TimeField = IntField<std::int32_t, FieldType::Time>;

// STRING(n): exactly n CP1252 bytes, space padded, no terminator.
template <int N>
class String {
 public:
  static constexpr FieldType type = FieldType::String;
  static constexpr int size = N;
  static constexpr int places = 0;

  String& operator=(std::string_view text) {
    const std::size_t n = text.size() < N ? text.size() : N;
    std::memcpy(bytes_, text.data(), n);
    std::memset(bytes_ + n, ' ', N - n);
    return *this;
  }
  std::string_view view() const { return {bytes_, N}; }
  // Without the padding (the runtime's CLIP).
  std::string_view clipped() const { return clip(view()); }
  operator std::string() const { return std::string(view()); }
  bool operator==(std::string_view text) const { return clipped() == clip(text); }

 private:
  char bytes_[N];
};

// Packed decimal of `Bytes` bytes: a sign nibble (0 positive) followed by
// 2 * Bytes - 1 decimal digits, `Places` of them after the point.
// Values travel as integers scaled by 10^Places.
std::int64_t unpackDecimal(const unsigned char* bytes, int size);
// False (and the field unchanged) when the value has more digits than fit.
bool packDecimal(std::int64_t scaled, unsigned char* bytes, int size);

template <int Bytes, int Places>
class Decimal {
 public:
  static constexpr FieldType type = FieldType::Decimal;
  static constexpr int size = Bytes;
  static constexpr int places = Places;

  std::int64_t scaled() const { return unpackDecimal(bytes_, Bytes); }
  bool setScaled(std::int64_t v) { return packDecimal(v, bytes_, Bytes); }

 private:
  unsigned char bytes_[Bytes];
};

}  // namespace rt
