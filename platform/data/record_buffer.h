#pragma once
// A record buffer: the fixed-width record of a table and its memos. Typed
// buffers (generated per table) and the generic one share this interface, so
// the table layer reads and writes any table the same way.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/table_dictionary.h"

namespace rt {

class RecordBuffer {
 public:
  virtual ~RecordBuffer() = default;
  virtual char* record() = 0;
  virtual std::string& memo(int index) = 0;
};

class GenericRecordBuffer final : public RecordBuffer {
 public:
  explicit GenericRecordBuffer(const TableDef& def);
  char* record() override { return bytes_.data(); }
  std::string& memo(int index) override { return memos_.at(index); }

 private:
  std::vector<char> bytes_;
  std::vector<std::string> memos_;
};

// Field values by definition, for the layers that do not know the typed
// buffers (SQL binding, filters, views). Numbers of DECIMAL fields are scaled
// by 10^places.
std::int64_t fieldNumber(const FieldDef& field, const char* record);
void setFieldNumber(const FieldDef& field, char* record, std::int64_t value);
std::string_view fieldText(const FieldDef& field, const char* record);  // STRING only, padded
void setFieldText(const FieldDef& field, char* record, std::string_view text);
bool isTextField(const FieldDef& field);
// A stored number as text: a DECIMAL field's scaled value with its places
// ("12.50" for 1250 with two), any other number as it is.
std::string numberText(const FieldDef& field, std::int64_t stored);
// The largest number a numeric field holds.
std::int64_t largestNumber(const FieldDef& field);
// The smallest number a numeric field holds.
std::int64_t smallestNumber(const FieldDef& field);
// Whether the field holds `value` as it is: a value outside its range would
// be stored wrapped or cut, and a code wrapped names another record.
bool fitsField(const FieldDef& field, std::int64_t value);
bool fieldIsEmpty(const FieldDef& field, const char* record);
// Blank record: numbers 0, text spaces, memos empty.
void clearRecord(const TableDef& def, RecordBuffer& buffer);
void copyRecord(const TableDef& def, RecordBuffer& from, RecordBuffer& to);

}  // namespace rt
