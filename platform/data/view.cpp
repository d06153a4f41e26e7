#include "platform/data/view.h"

#include <algorithm>
#include <cstdlib>

#include "platform/base/cp1252.h"
#include "platform/base/text_match.h"
#include "platform/data/connection.h"
#include "platform/data/record_names.h"
#include "platform/data/table_status.h"

namespace rt {

View::View(const TableDef& primary, int key, std::vector<KeyComponent> appended)
    : primary_(table(primary)), key_(key), appended_(std::move(appended)), cursor_(primary) {
  cursor_.setKey(key_, appended_);
  order_ = cursor_.order();
  walk_.key = key_;
}

bool View::Walk::operator==(const Walk& other) const {
  if (key != other.key || fixed.size() != other.fixed.size() || limited != other.limited)
    return false;
  for (std::size_t i = 0; i < fixed.size(); ++i) {
    if (fixed[i].number != other.fixed[i].number) return false;
  }
  return !limited || (limits.low == other.limits.low && limits.high == other.limits.high);
}

void View::join(const TableDef& joined, int key, std::vector<int> linkFields) {
  joins_.push_back({&joined, key, std::move(linkFields)});
}

void View::joinThrough(const TableDef& from, const TableDef& joined, int key,
                       std::vector<int> linkFields) {
  joins_.push_back({&joined, key, std::move(linkFields), &from});
}

namespace {

// Notes whether an expression names anything of the joined tables: a filter
// on the primary record alone is tested before the joined records are read.
class JoinWatch : public NameResolver {
 public:
  JoinWatch(const NameResolver& primaryOnly, const NameResolver& all)
      : primaryOnly_(primaryOnly), all_(all) {}
  std::optional<Binding> resolve(std::string_view name) const override {
    if (auto binding = primaryOnly_.resolve(name)) return binding;
    auto binding = all_.resolve(name);
    if (binding) usesJoins = true;
    return binding;
  }
  mutable bool usesJoins = false;

 private:
  const NameResolver& primaryOnly_;
  const NameResolver& all_;
};

}  // namespace

const ExpressionError& View::setFilter(std::string_view expression, const NameResolver* more) {
  std::vector<const TableDef*> tables = {&primary_.def()};
  for (const Join& j : joins_) tables.push_back(j.def);
  const RecordNames primaryOnly({&primary_.def()}, more);
  const RecordNames names(std::move(tables), more);
  const JoinWatch watch(primaryOnly, names);
  expression_ = std::make_unique<FilterExpression>(expression, watch);
  FilterExpression* e = expression_.get();
  filter_ = [e] { return e->matches(); };
  filterNeedsJoins_ = watch.usesJoins;
  if (!(plannedWalk() == walk_)) applyRange();
  return e->error();
}

void View::clearMatchTest() {
  cursor_.setRowTest({});
  noneCanMatch_ = false;
}

bool View::setMatchTest(std::string_view name, std::string_view pattern, int mode) {
  clearMatchTest();
  // A joined table without a record for the primary one leaves its buffer
  // clear, which the database cannot see: a pattern that a clear value
  // meets is not tested there.
  if (matchByMode("", pattern, mode) || matchByMode("0", pattern, mode)) return false;
  const TableDef* def = nullptr;
  const std::size_t colon = name.find(':');
  if (colon == std::string_view::npos) return false;
  auto hasPrefix = [&](const TableDef& d) { return sameName(d.prefix, name.substr(0, colon)); };
  if (hasPrefix(primary_.def())) def = &primary_.def();
  for (const Join& j : joins_) {
    if (!hasPrefix(*j.def)) continue;
    if (def != nullptr) return false;  // the name stands for two buffers
    def = j.def;
  }
  if (def == nullptr) return false;
  std::string column;
  if (const int f = def->fieldIndex(name); f >= 0) {
    // A number with decimals is held scaled: only whole numbers and text.
    if (!isTextField(def->fields[f]) && def->fields[f].places != 0) return false;
    column = sql::quoteName(def->fields[f].column);
  } else if (const int m = def->memoIndex(name); m >= 0) {
    column = sql::quoteName(def->memos[m].name);
  } else {
    return false;
  }
  std::string condition = "rt_match(" + column + ", " + sql::quoteText(cp1252ToUtf8(pattern)) +
                          ", " + std::to_string(mode) + ")";
  // From a joined table up its links to the primary one: the records whose
  // link value is that of a joined record that matches.
  std::string link;
  while (def != &primary_.def()) {
    const Join* join = nullptr;
    for (const Join& j : joins_) {
      if (j.def == def) join = &j;
    }
    if (join == nullptr || join->linkFields.size() != 1) return false;
    const TableDef& from = join->from ? *join->from : primary_.def();
    const FieldDef& linkField = from.fields[join->linkFields[0]];
    const FieldDef& keyField = def->fields[def->keys[join->key].components[0].field];
    if (isTextField(linkField) || isTextField(keyField)) return false;
    condition = "SELECT " + sql::quoteName(keyField.column) + " FROM " +
                sql::Connection::get().qualifiedName(*def) + " WHERE " + condition;
    link = sql::quoteName(linkField.column);
    def = &from;
    if (def != &primary_.def()) condition = link + " IN (" + condition + ")";
  }
  if (link.empty()) {
    cursor_.setRowTest(std::move(condition));
    return true;
  }
  // The joined table's values are read once (a joined table is a catalogue
  // or the patients, never more than a code numbers) and each primary record
  // is looked up among them.
  auto values = std::make_shared<std::vector<std::int64_t>>();
  sql::Statement query(sql::Connection::get().db(), condition);
  if (!query.valid()) return false;
  int rc = SQLITE_ROW;
  while ((rc = query.step()) == SQLITE_ROW) values->push_back(sqlite3_column_int64(query.get(), 0));
  if (rc != SQLITE_DONE) return false;
  std::sort(values->begin(), values->end());
  // No joined record matches: no record of the view can.
  noneCanMatch_ = values->empty();
  cursor_.setRowTest("rt_member(" + link + ", :set)", std::move(values));
  return true;
}

void View::setFilter(Filter filter) {
  filter_ = std::move(filter);
  filterNeedsJoins_ = true;
  expression_.reset();
  if (!(plannedWalk() == walk_)) applyRange();
}

std::optional<WholeRange> View::filterRange(int field) const {
  const FieldDef& f = primary_.def().fields[field];
  if (!expression_ || isTextField(f) || f.places != 0) return std::nullopt;
  return expression_->rangeOf(primary_.def().prefix + ":" + f.name);
}

View::Walk View::plannedWalk() const {
  const TableDef& def = primary_.def();
  Walk walk;
  walk.key = key_;
  // A key made of fields the filter fixes followed by the view's own key
  // reads the same records in the same order: only those of the fixed values.
  const KeyDef& own = def.keys[key_];
  const std::size_t n = own.components.size();
  for (std::size_t k = 0; expression_ && rangeComponents_ == 0 && k < def.keys.size(); ++k) {
    const KeyDef& other = def.keys[k];
    if (other.components.size() <= n + walk.fixed.size()) continue;
    // It may not keep records the view's key leaves out as empty; those it
    // leaves out itself the walk leaves out too.
    if (other.skipEmpty && !own.skipEmpty) continue;
    const std::size_t lead = other.components.size() - n;
    bool sameTail = true;
    for (std::size_t i = 0; i < n && sameTail; ++i) {
      const KeyComponent& a = own.components[i];
      const KeyComponent& b = other.components[lead + i];
      sameTail =
          a.field == b.field && a.descending == b.descending &&
          (!isTextField(def.fields[a.field]) || own.caseInsensitive == other.caseInsensitive);
    }
    if (!sameTail) continue;
    KeyTuple fixed;
    for (std::size_t i = 0; i < lead; ++i) {
      const std::optional<WholeRange> r = filterRange(other.components[i].field);
      if (!r || r->low != r->high) break;
      fixed.push_back(KeyValue{r->low, {}});
    }
    if (fixed.size() < lead) continue;
    walk.key = static_cast<int>(k);
    walk.fixed = std::move(fixed);
  }
  // The first component the walk leaves free: the records between the
  // filter's bounds on it, within the view's own limits.
  const KeyDef& walked = def.keys[walk.key];
  const std::size_t free =
      rangeComponents_ > 0 ? static_cast<std::size_t>(rangeComponents_) : walk.fixed.size();
  if (free < walked.components.size()) {
    if (const std::optional<WholeRange> r = filterRange(walked.components[free].field)) {
      walk.limited = true;
      walk.limits = *r;
    }
  }
  if (limited_) {
    const WholeRange own{limits_.first.number, limits_.second.number};
    walk.limits = walk.limited ? WholeRange{std::max(walk.limits.low, own.low),
                                            std::min(walk.limits.high, own.high)}
                               : own;
    walk.limited = true;
  }
  return walk;
}

void View::applyRange() {
  walk_ = plannedWalk();
  if (cursor_.key() != walk_.key) cursor_.setKey(walk_.key, appended_);
  cursor_.alsoLeaveOut(walk_.key != key_ ? &primary_.def().keys[key_] : nullptr);
  if (walk_.fixed.empty()) {
    cursor_.setRange(rangeComponents_, primary_.record());
  } else {
    cursor_.setRange(walk_.fixed);
  }
  if (walk_.limited) {
    const KeyValue low{walk_.limits.low, {}}, high{walk_.limits.high, {}};
    cursor_.setLimits(&low, &high);
  } else {
    cursor_.setLimits(nullptr, nullptr);
  }
}

void View::setToStart() { applyRange(); }

void View::setFromBuffer() {
  applyRange();
  cursor_.toValues(primary_.record());
}

int View::reset(std::int64_t position) {
  applyRange();
  if (int e = primary_.fetchPosition(position)) return e;
  cursor_.toRecord(cursor_.valuesOf(primary_.record()), position);
  return error::NoError;
}

void View::fillJoins() {
  for (const Join& j : joins_) {
    const TableDef& pdef = j.from ? *j.from : primary_.def();
    const char* source = j.from ? table(*j.from).record() : primary_.record();
    Table& t = table(*j.def);
    t.clear();
    const KeyDef& key = j.def->keys[j.key];
    for (std::size_t i = 0; i < j.linkFields.size() && i < key.components.size(); ++i) {
      const FieldDef& from = pdef.fields[j.linkFields[i]];
      const FieldDef& to = j.def->fields[key.components[i].field];
      if (isTextField(from) && isTextField(to)) {
        setFieldText(to, t.record(), fieldText(from, source));
      } else if (!isTextField(from) && !isTextField(to)) {
        setFieldNumber(to, t.record(), fieldNumber(from, source));
      } else if (isTextField(to)) {
        setFieldText(to, t.record(), std::to_string(fieldNumber(from, source)));
      } else {
        setFieldNumber(to, t.record(),
                       std::atoll(std::string(clip(fieldText(from, source))).c_str()));
      }
    }
    if (t.fetch(j.key) != error::NoError) t.clear();
  }
}

int View::read(bool forward) {
  if (!primary_.isOpen()) return setTableError(error::FileNotOpen);
  if (noneCanMatch_) return setTableError(error::RecordNotAvailable);
  for (;;) {
    std::int64_t id = 0, rv = 0;
    const int rc = forward ? cursor_.next(primary_.buffer(), id, rv)
                           : cursor_.previous(primary_.buffer(), id, rv);
    if (rc != error::NoError) return rc;
    // The primary buffer now holds a stored record: writes through the
    // table apply to it.
    primary_.recordWasRead(id, rv);
    if (filterNeedsJoins_ || !filter_) fillJoins();
    if (!filter_ || filter_()) {
      if (!filterNeedsJoins_ && filter_) fillJoins();
      id_ = id;
      return setTableError(error::NoError);
    }
  }
}

int View::next() { return read(true); }
int View::previous() { return read(false); }

std::int64_t View::records() {
  applyRange();
  std::int64_t n = 0;
  int code = error::NoError;
  while ((code = read(true)) == error::NoError) ++n;
  applyRange();
  return code == error::RecordNotAvailable ? n : -1;
}

std::int64_t View::recordsToRead() {
  applyRange();
  return cursor_.count();
}

}  // namespace rt
