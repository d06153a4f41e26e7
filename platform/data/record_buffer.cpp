#include "platform/data/record_buffer.h"

#include <cstring>

namespace rt {

GenericRecordBuffer::GenericRecordBuffer(const TableDef& def)
    : bytes_(def.recordSize, ' '), memos_(def.memos.size()) {}

std::int64_t unpackDecimal(const unsigned char* bytes, int size) {
  std::int64_t v = 0;
  for (int nibble = 1; nibble < size * 2; ++nibble) {
    const unsigned char b = bytes[nibble / 2];
    const int digit = nibble % 2 ? (b & 0x0F) : (b >> 4);
    v = v * 10 + (digit > 9 ? 9 : digit);
  }
  return (bytes[0] >> 4) ? -v : v;
}

bool packDecimal(std::int64_t scaled, unsigned char* bytes, int size) {
  const bool negative = scaled < 0;
  std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(scaled) : scaled;
  unsigned char out[16] = {};
  for (int nibble = size * 2 - 1; nibble >= 1; --nibble) {
    const unsigned char digit = magnitude % 10;
    magnitude /= 10;
    out[nibble / 2] |= nibble % 2 ? digit : static_cast<unsigned char>(digit << 4);
  }
  if (magnitude != 0) return false;
  if (negative && scaled != 0) out[0] |= 0xF0;
  std::memcpy(bytes, out, size);
  return true;
}

namespace {

template <typename T>
T load(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void store(char* p, std::int64_t v) {
  const T t = static_cast<T>(v);
  std::memcpy(p, &t, sizeof t);
}

}  // namespace

bool isTextField(const FieldDef& field) { return field.type == FieldType::String; }

std::string numberText(const FieldDef& field, std::int64_t stored) {
  if (field.places <= 0) return std::to_string(stored);
  const bool negative = stored < 0;
  std::string digits = std::to_string(negative ? -stored : stored);
  if (digits.size() <= static_cast<std::size_t>(field.places)) {
    digits.insert(0, static_cast<std::size_t>(field.places) + 1 - digits.size(), '0');
  }
  digits.insert(digits.size() - static_cast<std::size_t>(field.places), 1, '.');
  return negative ? "-" + digits : digits;
}

std::int64_t largestNumber(const FieldDef& field) {
  switch (field.type) {
    case FieldType::Byte:
      return 255;
    case FieldType::Short:
      return 32767;
    case FieldType::UShort:
      return 65535;
    case FieldType::ULong:
      return 4294967295LL;
    case FieldType::Decimal: {
      std::int64_t largest = 1;
      for (int i = 0; i < field.size * 2 - 1 && i < 18; ++i) largest *= 10;
      return largest - 1;
    }
    default:
      return 2147483647LL;
  }
}

std::int64_t smallestNumber(const FieldDef& field) {
  switch (field.type) {
    case FieldType::Byte:
    case FieldType::UShort:
    case FieldType::ULong:
    case FieldType::String:
      return 0;
    case FieldType::Short:
      return -32768;
    case FieldType::Decimal:
      return -largestNumber(field);
    default:
      return -2147483648LL;
  }
}

bool fitsField(const FieldDef& field, std::int64_t value) {
  return value >= smallestNumber(field) && value <= largestNumber(field);
}

std::int64_t fieldNumber(const FieldDef& f, const char* record) {
  const char* p = record + f.offset;
  switch (f.type) {
    case FieldType::Byte:
      return load<std::uint8_t>(p);
    case FieldType::Short:
      return load<std::int16_t>(p);
    case FieldType::UShort:
      return load<std::uint16_t>(p);
    case FieldType::Long:
    case FieldType::Date:
    case FieldType::Time:
      return load<std::int32_t>(p);
    case FieldType::ULong:
      return load<std::uint32_t>(p);
    case FieldType::Decimal:
      return unpackDecimal(reinterpret_cast<const unsigned char*>(p), f.size);
    case FieldType::String:
      return 0;
  }
  return 0;
}

void setFieldNumber(const FieldDef& f, char* record, std::int64_t v) {
  char* p = record + f.offset;
  switch (f.type) {
    case FieldType::Byte:
      store<std::uint8_t>(p, v);
      break;
    case FieldType::Short:
      store<std::int16_t>(p, v);
      break;
    case FieldType::UShort:
      store<std::uint16_t>(p, v);
      break;
    case FieldType::Long:
    case FieldType::Date:
    case FieldType::Time:
      store<std::int32_t>(p, v);
      break;
    case FieldType::ULong:
      store<std::uint32_t>(p, v);
      break;
    case FieldType::Decimal:
      packDecimal(v, reinterpret_cast<unsigned char*>(p), f.size);
      break;
    case FieldType::String:
      break;
  }
}

std::string_view fieldText(const FieldDef& f, const char* record) {
  return {record + f.offset, static_cast<std::size_t>(f.size)};
}

void setFieldText(const FieldDef& f, char* record, std::string_view text) {
  const std::size_t n = text.size() < static_cast<std::size_t>(f.size) ? text.size() : f.size;
  std::memcpy(record + f.offset, text.data(), n);
  std::memset(record + f.offset + n, ' ', f.size - n);
}

bool fieldIsEmpty(const FieldDef& f, const char* record) {
  if (!isTextField(f)) return fieldNumber(f, record) == 0;
  return clip(fieldText(f, record)).empty();
}

void clearRecord(const TableDef& def, RecordBuffer& buffer) {
  char* rec = buffer.record();
  for (const FieldDef& f : def.fields) {
    if (isTextField(f)) {
      std::memset(rec + f.offset, ' ', f.size);
    } else {
      std::memset(rec + f.offset, 0, f.size);
    }
  }
  for (std::size_t m = 0; m < def.memos.size(); ++m) buffer.memo(static_cast<int>(m)).clear();
}

void copyRecord(const TableDef& def, RecordBuffer& from, RecordBuffer& to) {
  std::memcpy(to.record(), from.record(), def.recordSize);
  for (std::size_t m = 0; m < def.memos.size(); ++m) {
    to.memo(static_cast<int>(m)) = from.memo(static_cast<int>(m));
  }
}

}  // namespace rt
