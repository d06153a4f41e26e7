#include "platform/data/view.h"

#include <cstdlib>

#include "platform/data/record_names.h"
#include "platform/data/table_status.h"

namespace rt {

View::View(const TableDef& primary, int key, std::vector<KeyComponent> appended)
    : primary_(table(primary)), cursor_(primary) {
  cursor_.setKey(key, std::move(appended));
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
  return e->error();
}

void View::applyRange() {
  cursor_.setRange(rangeComponents_, primary_.record());
  if (limited_) cursor_.setLimits(&limits_.first, &limits_.second);
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

}  // namespace rt
