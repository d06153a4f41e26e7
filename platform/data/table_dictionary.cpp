#include "platform/data/table_dictionary.h"

#include <stdexcept>

#include "platform/base/text_order.h"
#include "platform/data/record_buffer.h"

namespace rt {

std::string_view withoutPrefix(std::string_view name) {
  const auto colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upperChar(a[i]) != upperChar(b[i])) return false;
  }
  return true;
}

namespace {

template <typename T>
int indexByName(const std::vector<T>& items, std::string_view name) {
  name = withoutPrefix(name);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (sameName(items[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

int TableDef::fieldIndex(std::string_view name) const { return indexByName(fields, name); }
int TableDef::keyIndex(std::string_view name) const { return indexByName(keys, name); }
int TableDef::memoIndex(std::string_view name) const { return indexByName(memos, name); }

std::string TableDef::diskName() const {
  const TableDef& s = storage();
  return s.file->fileName + "\\!" + s.storageName;
}

std::unique_ptr<RecordBuffer> TableDef::newBuffer() const {
  auto buffer = makeBuffer ? makeBuffer() : std::make_unique<GenericRecordBuffer>(*this);
  clearRecord(*this, *buffer);
  return buffer;
}

TableBuilder::TableBuilder(std::string label, std::string prefix, std::string storageName,
                           const DataFile& file, int version, std::string description) {
  def_.label = std::move(label);
  def_.prefix = std::move(prefix);
  def_.storageName = std::move(storageName);
  def_.file = &file;
  def_.version = version;
  def_.description = std::move(description);
}

TableBuilder& TableBuilder::field(std::string name, FieldType type, int size, int places) {
  FieldDef f;
  f.column = name;
  f.name = std::move(name);
  f.type = type;
  f.size = size;
  f.places = places;
  f.offset = def_.recordSize;
  def_.recordSize += size;
  def_.fields.push_back(std::move(f));
  return *this;
}

TableBuilder& TableBuilder::column(std::string column) {
  def_.fields.back().column = std::move(column);
  return *this;
}

TableBuilder& TableBuilder::picture(std::string picture) {
  def_.fields.back().picture = std::move(picture);
  return *this;
}

TableBuilder& TableBuilder::key(std::string name, std::string_view components, KeyKind kind,
                                bool noCaseSkipEmpty, std::string description, int autoNumbered) {
  KeyDef k;
  k.name = std::move(name);
  k.kind = kind;
  k.caseInsensitive = noCaseSkipEmpty;
  k.skipEmpty = noCaseSkipEmpty;
  k.description = std::move(description);
  k.autoNumbered = autoNumbered;
  while (!components.empty()) {
    const auto comma = components.find(',');
    std::string_view part = components.substr(0, comma);
    components =
        comma == std::string_view::npos ? std::string_view{} : components.substr(comma + 1);
    while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
    KeyComponent c;
    if (!part.empty() && part.front() == '-') {
      c.descending = true;
      part.remove_prefix(1);
    }
    c.field = def_.fieldIndex(part);
    if (c.field < 0) {
      throw std::logic_error("key " + k.name + " names an unknown field " + std::string(part));
    }
    k.components.push_back(c);
  }
  def_.keys.push_back(std::move(k));
  return *this;
}

TableBuilder& TableBuilder::memo(std::string name, int maxLength) {
  def_.memos.push_back({std::move(name), maxLength, {}});
  return *this;
}

TableBuilder& TableBuilder::formerName(std::string_view name, std::string_view former) {
  std::string bare(withoutPrefix(former));
  if (int f = def_.fieldIndex(name); f >= 0) {
    if (!sameName(def_.fields[f].column, bare)) def_.fields[f].formerNames.push_back(bare);
  } else if (int m = def_.memoIndex(name); m >= 0) {
    if (!sameName(def_.memos[m].name, bare)) def_.memos[m].formerNames.push_back(bare);
  } else {
    throw std::logic_error("former name for an unknown field " + std::string(name));
  }
  return *this;
}

TableBuilder& TableBuilder::rewriteOlder(
    std::string_view name, int belowVersion,
    std::function<std::optional<std::string>(std::string_view)> rewrite) {
  const int f = def_.fieldIndex(name);
  if (f < 0) throw std::logic_error("rewrite for an unknown field " + std::string(name));
  def_.fields[f].rewriteOlder = std::move(rewrite);
  def_.fields[f].rewriteBelow = belowVersion;
  return *this;
}

TableBuilder& TableBuilder::buffers(std::function<std::unique_ptr<RecordBuffer>()> make) {
  def_.makeBuffer = std::move(make);
  return *this;
}

TableDef TableBuilder::build() { return std::move(def_); }

TableDef secondCursorOf(const TableDef& base, std::string label, std::string prefix) {
  TableDef def = base;
  def.label = std::move(label);
  def.prefix = std::move(prefix);
  def.shares = &base.storage();
  return def;
}

}  // namespace rt
