#include "core/tables/table_relations.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

#include "core/tables/table_managers.h"
#include "platform/base/cp1252.h"
#include "platform/base/runtime_errors.h"
#include "platform/data/database.h"
#include "platform/data/record_buffer.h"
#include "platform/data/view.h"

namespace core {

struct TableRelations::Failure {
  TableMessage message;
  MessageFill fill;
  int code = 0;
  const rt::TableDef* table = nullptr;
};

namespace {

using FailurePtr = std::unique_ptr<TableRelations::Failure>;

// A link joins fields by value, also when their types differ (a province's
// code as two characters of text against a number). The value is given in
// the child field's terms.
std::string linkValue(const rt::FieldDef& from, const char* record, const rt::FieldDef& to) {
  if (rt::isTextField(from)) {
    const std::string text(rt::clip(rt::fieldText(from, record)));
    if (rt::isTextField(to)) return text;
    return std::to_string(std::strtoll(text.c_str(), nullptr, 10));
  }
  return std::to_string(rt::fieldNumber(from, record));
}

void setLinkValue(const rt::FieldDef& to, char* record, const std::string& value) {
  if (rt::isTextField(to)) {
    rt::setFieldText(to, record, value);
  } else {
    rt::setFieldNumber(to, record, std::strtoll(value.c_str(), nullptr, 10));
  }
}

// Reads into the child's buffer the first child holding the link's value:
// 0, or 35 when none does. A child that holds as text a parent's number holds
// it as whatever text reads as that number (" 5" and "05" name province 5),
// so those children are sought by walking the child's key; the others are
// read by the key's values.
int fetchFirstChild(rt::Table& child, int key, const rt::FieldDef& from, const rt::FieldDef& to,
                    const std::string& value) {
  child.clear();
  setLinkValue(to, child.record(), value);
  if (!rt::isTextField(to) || rt::isTextField(from)) return child.fetch(key);
  const std::string number = linkValue(to, child.record(), from);
  rt::View walk(child.def(), key);
  walk.setFilter([&] { return linkValue(to, child.record(), from) == number; });
  walk.setToStart();
  const int rc = walk.next();
  return rc == rt::error::RecordNotAvailable ? rt::error::RecordNotFound : rc;
}

// Keeps a table's buffer and position as they were while the rules walk its
// records, so a window showing that table keeps its record.
class SavedRecord {
 public:
  explicit SavedRecord(rt::Table& t)
      : table_(t), copy_(t.def().newBuffer()), id_(t.position()), rv_(t.version()) {
    rt::copyRecord(t.def(), t.buffer(), *copy_);
  }
  ~SavedRecord() {
    rt::copyRecord(table_.def(), *copy_, table_.buffer());
    table_.recordWasRead(id_, rv_);
  }
  SavedRecord(const SavedRecord&) = delete;
  SavedRecord& operator=(const SavedRecord&) = delete;

 private:
  rt::Table& table_;
  std::unique_ptr<rt::RecordBuffer> copy_;
  std::int64_t id_, rv_;
};

}  // namespace

TableRelations::TableRelations(std::unique_ptr<TableAccess> access) : access_(std::move(access)) {}

// Uses still taken are released by each access object itself.
TableRelations::~TableRelations() = default;

void TableRelations::setAlias(TableRelations* base) {
  alias_ = base;
  access_->setAlias(base ? &base->access() : nullptr);
}

const std::vector<Relation>& TableRelations::relations() {
  if (!declared_) {
    relations_ = declaredRelations(def());
    declared_ = true;
  }
  return relations_;
}

void TableRelations::openPass(std::set<TableRelations*>& visited, std::vector<TableAccess*>& opened,
                              int& result) {
  if (result != level::Benign || !visited.insert(this).second) return;
  if (access_->open() != level::Benign) {
    result = level::Fatal;
    return;
  }
  opened.push_back(access_.get());
  for (const Relation& r : relations()) {
    if (TableRelations* child = relationsOf(*r.child)) child->openPass(visited, opened, result);
  }
}

int TableRelations::open() {
  std::set<TableRelations*> visited;
  std::vector<TableAccess*> opened;
  int result = level::Benign;
  openPass(visited, opened, result);
  if (result != level::Benign) {
    for (auto it = opened.rbegin(); it != opened.rend(); ++it) (*it)->close();
    return result;
  }
  passes_.push_back(std::move(opened));
  return level::Benign;
}

void TableRelations::close() {
  if (passes_.empty()) return;
  for (auto it = passes_.back().rbegin(); it != passes_.back().rend(); ++it) (*it)->close();
  passes_.pop_back();
}

namespace {

FailurePtr failureOf(const rt::TableDef& def, int code, TableMessage message) {
  auto f = std::make_unique<TableRelations::Failure>();
  f->message = message;
  f->code = code;
  f->table = &def;
  f->fill.file = def.label;
  f->fill.errorText = currentErrorText();
  return f;
}

// A record named by its numbered code that the table can mark inactive is
// better kept so than deleted: the refusal says so.
TableMessage referencedMessage(const Relation& r, const rt::TableDef& def) {
  return r.namesByNumber && def.fieldIndex("Inactivo") >= 0
             ? TableMessage::DeleteReferencedMarkInactive
             : TableMessage::DeleteReferenced;
}

}  // namespace

FailurePtr TableRelations::applyToChildren(const char* oldRecord, bool deleting) {
  const char* now = access_->table().record();
  for (const Relation& r : relations()) {
    const Rule rule = deleting ? r.onDelete : r.onUpdate;
    if (r.lookup() || rule == Rule::None) continue;
    // Whatever names the code of a record only numbered named it before the
    // record existed: it does not keep the abandoned record.
    if (r.namesByNumber && abandoning_) continue;
    const rt::FieldDef& parentField = def().fields[r.links[0].first];
    const rt::FieldDef& childField = r.child->fields[r.links[0].second];
    const std::string before = linkValue(parentField, deleting ? now : oldRecord, childField);
    const std::string after = linkValue(parentField, now, childField);
    if (!deleting && before == after) continue;
    // Children already without a value have nothing to clear.
    const std::string cleared = rt::isTextField(childField) ? "" : "0";
    if (rule == Rule::Clear && before == cleared) continue;

    TableRelations& child = relate(*r.child);
    rt::Table& ct = child.access().table();
    SavedRecord saved(ct);
    for (;;) {
      const int rc = fetchFirstChild(ct, r.childKey, parentField, childField, before);
      if (rc == rt::error::RecordNotFound) break;
      const TableMessage failed =
          deleting ? TableMessage::DeleteFailed : TableMessage::UpdateFailed;
      if (rc != rt::error::NoError) return failureOf(*r.child, rc, failed);
      FailurePtr f;
      switch (rule) {
        case Rule::Restrict:
          if (deleting) {
            f = failureOf(*r.child, rt::error::NoError, referencedMessage(r, def()));
          } else {
            f = failureOf(def(), rt::error::NoError, failed);
          }
          return f;
        case Rule::Cascade:
          if (deleting) {
            f = child.removeInside();
          } else {
            setLinkValue(childField, ct.record(), after);
            f = child.updateInside();
          }
          break;
        case Rule::Clear:
          setLinkValue(childField, ct.record(), cleared);
          f = child.updateInside();
          break;
        case Rule::None:
          break;
      }
      if (f) return f;
    }
  }
  return nullptr;
}

FailurePtr TableRelations::updateInside() {
  rt::Table& t = access_->table();
  const bool carries = std::any_of(relations().begin(), relations().end(),
                                   [](const Relation& r) { return r.onUpdate != Rule::None; });
  std::unique_ptr<rt::RecordBuffer> old;
  if (carries) {
    // The linking values as stored, which are those the record was read with
    // unless it changed meanwhile (and then the write is refused).
    const std::int64_t id = t.position(), rv = t.version();
    auto edited = def().newBuffer();
    rt::copyRecord(def(), t.buffer(), *edited);
    if (t.fetchPosition(id) == rt::error::NoError) {
      old = def().newBuffer();
      rt::copyRecord(def(), t.buffer(), *old);
    }
    rt::copyRecord(def(), *edited, t.buffer());
    t.recordWasRead(id, rv);
  }
  if (const int rc = t.put()) return failureOf(def(), rc, TableMessage::UpdateFailed);
  return old ? applyToChildren(old->record(), false) : nullptr;
}

FailurePtr TableRelations::removeInside() {
  if (FailurePtr f = applyToChildren(nullptr, true)) return f;
  if (const int rc = access_->table().remove()) {
    return failureOf(def(), rc, TableMessage::DeleteFailed);
  }
  return nullptr;
}

int TableRelations::inTransaction(const std::function<FailurePtr()>& work,
                                  TableMessage commitFailed, FailurePtr& failure) {
  LockWait starting(kTransactionTimeoutMs);
  LockWait busy(kLockRecoveryMs);
  for (;;) {
    failure.reset();
    int rc = rt::beginTransaction();
    if (rc == rt::error::FileLocked && starting.again()) continue;
    if (rc != rt::error::NoError) {
      showTableMessage(TableMessage::TransactionCancelled,
                       MessageFill().File(def().label).ErrorText(currentErrorText()));
      return level::Fatal;
    }
    failure = work();
    if (!failure) {
      rc = rt::commitTransaction();  // one that cannot finish rolls back
      if (rc == rt::error::NoError) return level::Benign;
      failure = failureOf(def(), rc, commitFailed);
    } else {
      rt::rollbackTransaction();
    }
    if (failure->code == rt::error::FileLocked && busy.again()) continue;
    return level::Fatal;
  }
}

int TableRelations::update(bool redisplayed) {
  TableAccess& a = *access_;
  rt::Table& t = a.table();
  if (!a.usable()) return level::Fatal;
  if (!a.validateRecord(true)) return level::Fatal;
  const std::int64_t id = t.position(), rv = t.version();
  for (;;) {
    FailurePtr failure;
    const int rc = inTransaction(
        [&] {
          t.recordWasRead(id, rv);
          return updateInside();
        },
        TableMessage::UpdateFailed, failure);
    if (rc == level::Benign) {
      a.forgetNumbered();
      return level::Benign;
    }
    if (!failure) return level::Fatal;
    if (failure->code == rt::error::RecordChanged && failure->table == &def()) {
      // The buffer holds the record as now stored.
      showTableMessage(
          redisplayed ? TableMessage::ChangedRedisplayed : TableMessage::ChangedNotRedisplayed,
          MessageFill().File(def().label));
      return level::Fatal;
    }
    t.recordWasRead(id, rv);
    const int answer = showTableMessage(TableMessage::UpdateFailed, failure->fill);
    if (!asksToRetry(TableMessage::UpdateFailed, answer)) return level::Fatal;
  }
}

int TableRelations::remove(bool ask) {
  TableAccess& a = *access_;
  rt::Table& t = a.table();
  if (!a.usable()) return level::Fatal;
  if (ask && !asksToRetry(
                 TableMessage::ConfirmDelete,
                 showTableMessage(TableMessage::ConfirmDelete, MessageFill().File(def().label)))) {
    return level::Cancel;
  }
  std::int64_t id = t.position(), rv = t.version();
  for (;;) {
    FailurePtr failure;
    const int rc = inTransaction(
        [&] {
          t.recordWasRead(id, rv);
          return removeInside();
        },
        TableMessage::DeleteFailed, failure);
    if (rc == level::Benign) {
      a.forgetNumbered();
      return level::Benign;
    }
    if (!failure) return level::Fatal;
    if (failure->code == rt::error::RecordChanged && failure->table == &def()) {
      // The record as now stored is in the buffer; a retry deletes that one.
      rv = t.version();
    } else {
      t.recordWasRead(id, rv);
    }
    if (failure->message == TableMessage::DeleteReferenced ||
        failure->message == TableMessage::DeleteReferencedMarkInactive) {
      showTableMessage(failure->message, failure->fill);
      return level::Fatal;
    }
    showTableMessage(failure->message, failure->fill);
    const int answer = showTableMessage(TableMessage::DeleteRetry, MessageFill().File(def().label));
    if (!asksToRetry(TableMessage::DeleteRetry, answer)) return level::Fatal;
  }
}

int TableRelations::cancelNumbered() {
  if (!access_->numberedPending()) return level::Benign;
  abandoning_ = true;
  const int result = remove(false);
  abandoning_ = false;
  return result;
}

}  // namespace core
