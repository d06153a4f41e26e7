#pragma once
// The table dictionary: what a table holds (fields with their types, sizes and
// offsets in the fixed-width record, keys, memos), where it is stored and
// under which structure version. Names keep the program's spelling; lookups
// accept them with or without the table's prefix and ignore case.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/field_types.h"

namespace rt {

class RecordBuffer;

struct FieldDef {
  std::string name;    // without the prefix: "Nombre"
  std::string column;  // the column that stores it in the table file
  FieldType type = FieldType::Long;
  int size = 0;
  int offset = 0;
  int places = 0;  // DECIMAL only
  std::string picture;
  std::vector<std::string> formerNames;  // columns it was stored under before
  // The value a table of a structure version below `rewriteBelow` stored,
  // in the form this version stores it (a text column's UTF-8 text in and
  // out), while the table is brought up to date; nullopt refuses the upgrade.
  // A value already in the new form must come back unchanged.
  std::function<std::optional<std::string>(std::string_view stored)> rewriteOlder;
  int rewriteBelow = 0;
};

enum class KeyKind { Primary, Unique, Duplicates };

struct KeyComponent {
  int field = 0;  // index into TableDef::fields
  bool descending = false;
};

struct KeyDef {
  std::string name;  // without the prefix: "PAS_002"
  std::vector<KeyComponent> components;
  KeyKind kind = KeyKind::Duplicates;
  bool caseInsensitive = false;  // text compares upper-cased
  bool skipEmpty = false;        // records whose components are all empty are left out
  std::string description;
  int autoNumbered = 0;  // 0 = none, else the 1-based numbered component
  bool unique() const { return kind != KeyKind::Duplicates; }
};

struct MemoDef {
  std::string name;  // without the prefix: "Notas"
  int maxLength = 0;
  std::vector<std::string> formerNames;
};

// A database file. Tables with an owner password live in a file of their own,
// encrypted under that password.
struct DataFile {
  std::string fileName;       // in the working folder: "Varneta.dat"
  std::string ownerPassword;  // empty for the plain file
};

struct TableDef {
  std::string label;        // name in messages: "Pacientes"
  std::string prefix;       // "PAC"
  std::string storageName;  // table name inside its file
  std::string description;
  const DataFile* file = nullptr;
  int version = 0;
  int recordSize = 0;
  std::vector<FieldDef> fields;
  std::vector<KeyDef> keys;
  std::vector<MemoDef> memos;
  // A second cursor reads and writes the storage of the table it names.
  const TableDef* shares = nullptr;
  // Makes a record buffer of this layout; a generic one when empty.
  std::function<std::unique_ptr<RecordBuffer>()> makeBuffer;

  const TableDef& storage() const { return shares ? *shares : *this; }
  // -1 when there is none. Names may carry the prefix ("PAC:Nombre").
  int fieldIndex(std::string_view name) const;
  int keyIndex(std::string_view name) const;
  int memoIndex(std::string_view name) const;
  // The name maintenance shows: the file and the table ("Varneta.dat\!PACIENTE").
  std::string diskName() const;
  std::unique_ptr<RecordBuffer> newBuffer() const;
};

// Builds a definition from a compact description; offsets follow from the
// order and sizes of the fields.
class TableBuilder {
 public:
  TableBuilder(std::string label, std::string prefix, std::string storageName, const DataFile& file,
               int version, std::string description = {});

  TableBuilder& field(std::string name, FieldType type, int size, int places = 0);
  template <typename T>
  TableBuilder& field(std::string name) {
    return field(std::move(name), T::type, T::size, T::places);
  }
  // The column name when it differs from the field's name.
  TableBuilder& column(std::string column);
  TableBuilder& picture(std::string picture);
  // Components as "Cod_Medico,-FecVigenciaDesde" ('-' marks a descending one).
  TableBuilder& key(std::string name, std::string_view components, KeyKind kind,
                    bool noCaseSkipEmpty, std::string description, int autoNumbered = 0);
  TableBuilder& memo(std::string name, int maxLength);
  // A former name of a field or memo, with or without a prefix.
  TableBuilder& formerName(std::string_view name, std::string_view former);
  // How a field's values stored under a version below `belowVersion` are
  // rewritten when the table is brought up to date (see FieldDef).
  TableBuilder& rewriteOlder(std::string_view name, int belowVersion,
                             std::function<std::optional<std::string>(std::string_view)> rewrite);
  TableBuilder& buffers(std::function<std::unique_ptr<RecordBuffer>()> make);

  TableDef build();

 private:
  TableDef def_;
};

// A second cursor on `base`: same layout, keys and memos, its own label and prefix.
TableDef secondCursorOf(const TableDef& base, std::string label, std::string prefix);

// Strips "PRE:" from a name.
std::string_view withoutPrefix(std::string_view name);
bool sameName(std::string_view a, std::string_view b);

}  // namespace rt
