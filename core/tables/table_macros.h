#pragma once
// Generates a table's C++ face from one compact description: the record
// struct (fields packed at their offsets), the buffer with its memos, the
// class naming its keys, and the definition the table layer works from.
//
// A description is a macro taking four macros:
//   F(Type, Name)                a field
//   C(Type, Name, "Column")      a field stored under another column name
//   K(Name, "comp,-comp", Kind, caseAndEmpty, "Description", autoNumbered)
//   M(Name, maxLength)           a memo
#include <cstddef>
#include <string>

#include "platform/data/field_types.h"
#include "platform/data/record_buffer.h"
#include "platform/data/table.h"
#include "platform/data/table_dictionary.h"

namespace core {

// The key columns "no case, skips empty" and "(open)".
constexpr bool kNoCaseSkipsEmpty = true;
constexpr bool kOpenCase = false;

using Decimal5_2 = rt::Decimal<5, 2>;

}  // namespace core

#define VARNETA_NOTHING_2(a, b)
#define VARNETA_NOTHING_3(a, b, c)
#define VARNETA_NOTHING_6(a, b, c, d, e, f)

#define VARNETA_MEMBER(Type, Name) Type Name;
#define VARNETA_MEMBER_AS(Type, Name, Column) Type Name;
#define VARNETA_MEMO_MEMBER(Name, Max) std::string Name;
#define VARNETA_MEMO_ADDRESS(Name, Max) &Name,
#define VARNETA_KEY_ENUM(Name, Components, Kind, Case, Description, Auto) Name,

// The declarations, in a header: `Record`, `Buffer`, the key class `Table`
// (also the handle of the thread's instance) and the buffer function `Prefix`.
#define VARNETA_DECLARE_TABLE(Tbl, Prefix, Layout)                                            \
  struct Tbl##Record {                                                                        \
    Layout(VARNETA_MEMBER, VARNETA_MEMBER_AS, VARNETA_NOTHING_6, VARNETA_NOTHING_2)           \
  };                                                                                          \
  static_assert(alignof(Tbl##Record) == 1);                                                   \
  struct Tbl##Buffer final : rt::RecordBuffer, Tbl##Record {                                  \
    Layout(VARNETA_NOTHING_2, VARNETA_NOTHING_3, VARNETA_NOTHING_6,                           \
           VARNETA_MEMO_MEMBER) char* record() override {                                     \
      return reinterpret_cast<char*>(static_cast<Tbl##Record*>(this));                        \
    }                                                                                         \
    std::string& memo(int index) override {                                                   \
      std::string* memos[] = {Layout(VARNETA_NOTHING_2, VARNETA_NOTHING_3, VARNETA_NOTHING_6, \
                                     VARNETA_MEMO_ADDRESS) nullptr};                          \
      return *memos[index];                                                                   \
    }                                                                                         \
  };                                                                                          \
  struct Tbl {                                                                                \
    enum Key : int {                                                                          \
      Layout(VARNETA_NOTHING_2, VARNETA_NOTHING_3, VARNETA_KEY_ENUM, VARNETA_NOTHING_2)       \
    };                                                                                        \
    static const rt::TableDef& def();                                                         \
    static rt::Table& table() { return rt::table(def()); }                                    \
  };                                                                                          \
  Tbl##Buffer& Prefix();

// A second cursor on the storage of `Base`, with its own buffer function.
#define VARNETA_DECLARE_SECOND_CURSOR(Tbl, Prefix, Base)   \
  struct Tbl : Base {                                      \
    static const rt::TableDef& def();                      \
    static rt::Table& table() { return rt::table(def()); } \
  };                                                       \
  Base##Buffer& Prefix();

#define VARNETA_ADD_FIELD(Type, Name) b.field<Type>(#Name);
#define VARNETA_ADD_FIELD_AS(Type, Name, Column) b.field<Type>(#Name).column(Column);
#define VARNETA_ADD_KEY(Name, Components, Kind, Case, Description, Auto) \
  b.key(#Name, Components, rt::KeyKind::Kind, Case, Description, Auto);
#define VARNETA_ADD_MEMO(Name, Max) b.memo(#Name, Max);
#define VARNETA_CHECK_OFFSET(Type, Name)                                                          \
  if (static_cast<std::size_t>(d.fields[d.fieldIndex(#Name)].offset) != offsetof(Record, Name)) { \
    throw std::logic_error("field " #Name " is not where its record holds it");                   \
  }
#define VARNETA_CHECK_OFFSET_AS(Type, Name, Column) VARNETA_CHECK_OFFSET(Type, Name)

// The definition, in a source file. `Adjust` may add former names.
#define VARNETA_DEFINE_TABLE(Tbl, Prefix, Layout, Label, Storage, File, Version, Size,   \
                             Description, Adjust)                                        \
  static_assert(sizeof(Tbl##Record) == (Size), "record size of " Label);                 \
  const rt::TableDef& Tbl::def() {                                                       \
    static const rt::TableDef d = [] {                                                   \
      using Record = Tbl##Record;                                                        \
      rt::TableBuilder b(Label, #Prefix, Storage, File, Version, Description);           \
      Layout(VARNETA_ADD_FIELD, VARNETA_ADD_FIELD_AS, VARNETA_ADD_KEY, VARNETA_ADD_MEMO) \
          Adjust(b);                                                                     \
      b.buffers([] { return std::make_unique<Tbl##Buffer>(); });                         \
      rt::TableDef d = b.build();                                                        \
      Layout(VARNETA_CHECK_OFFSET, VARNETA_CHECK_OFFSET_AS, VARNETA_NOTHING_6,           \
             VARNETA_NOTHING_2) return d;                                                \
    }();                                                                                 \
    return d;                                                                            \
  }                                                                                      \
  Tbl##Buffer& Prefix() { return static_cast<Tbl##Buffer&>(Tbl::table().buffer()); }

#define VARNETA_DEFINE_SECOND_CURSOR(Tbl, Prefix, Base, Label)                     \
  const rt::TableDef& Tbl::def() {                                                 \
    static const rt::TableDef d = rt::secondCursorOf(Base::def(), Label, #Prefix); \
    return d;                                                                      \
  }                                                                                \
  Base##Buffer& Prefix() { return static_cast<Base##Buffer&>(Tbl::table().buffer()); }

// No former names.
#define VARNETA_AS_DECLARED(builder)
