#pragma once
// The relation object of one table on one logical thread: owns the table's
// access object, opens the related tables together with it, and applies the
// integrity rules when a record is changed or deleted, inside one transaction
// over the table and its related tables, committed or rolled back whole.
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/tables/table_access.h"

namespace core {

enum class Rule { None = 0, Clear = 1, Restrict = 2, Cascade = 3 };

// A relation as its parent declares it. A lookup has no key, no links and no
// rules: it only opens, closes and joins transactions with the table.
struct Relation {
  const rt::TableDef* child = nullptr;
  int childKey = -1;                       // -1 for a lookup
  std::vector<std::pair<int, int>> links;  // parent field, child field
  Rule onUpdate = Rule::None;
  Rule onDelete = Rule::None;
  // The child names this record by its numbered code: a relation declared
  // the other way round, turned into a guard on the delete.
  bool namesByNumber = false;
  bool lookup() const { return childKey < 0; }
};

// Every relation the table declares, in declared order. A relation declared
// against the usual direction (its child linked by the child's numbered code,
// so the "child" is the record referred to) also guards the record referred
// to: numbering hands a deleted code to the next record, which would take over
// whatever still names the old one, so that record is not deleted while a
// record names it. The guard takes the place of the lookup the referred table
// declares on the other, or follows its declared relations.
std::vector<Relation> declaredRelations(const rt::TableDef& def);

class TableRelations {
 public:
  explicit TableRelations(std::unique_ptr<TableAccess> access);
  ~TableRelations();
  TableRelations(const TableRelations&) = delete;
  TableRelations& operator=(const TableRelations&) = delete;

  TableAccess& access() { return *access_; }
  const rt::TableDef& def() const { return access_->def(); }
  // The relation object of the table a second cursor names.
  TableRelations* alias() const { return alias_; }
  void setAlias(TableRelations* base);

  // Declared on first need; they stay for the life of the object.
  const std::vector<Relation>& relations();

  // Opens the table and, through their own relation objects, every table of
  // its relations, each once per pass; Close releases the same uses.
  int open();
  void close();
  // The opens not closed yet.
  std::size_t openPasses() const { return passes_.size(); }

  // Adds the record (no parent is looked up).
  int insert(bool messages = true) { return access_->insert(messages); }
  // Writes the changed record and carries the change to the children. A
  // record another workstation changed since it was read is refused and the
  // stored record is loaded again; `redisplayed` chooses the message.
  int update(bool redisplayed = true);
  // Deletes the record after its children's rules; `ask` confirms first.
  int remove(bool ask);
  // Removes a record numbering added when its insert is abandoned.
  int cancelNumbered();

  // What went wrong inside a transaction, shown once it has been rolled back.
  struct Failure;

 private:
  // Work inside the caller's transaction; an empty failure means success.
  std::unique_ptr<Failure> updateInside();
  std::unique_ptr<Failure> removeInside();
  std::unique_ptr<Failure> applyToChildren(const char* oldRecord, bool deleting);
  // Runs `work` in a new transaction, waiting while another workstation holds
  // the lock; a commit that fails is reported as `commitFailed`.
  int inTransaction(const std::function<std::unique_ptr<Failure>()>& work,
                    TableMessage commitFailed, std::unique_ptr<Failure>& failure);
  void openPass(std::set<TableRelations*>& visited, std::vector<TableAccess*>& opened, int& result);

  std::unique_ptr<TableAccess> access_;
  TableRelations* alias_ = nullptr;
  bool declared_ = false;
  bool abandoning_ = false;  // removing a record numbering added, never completed
  std::vector<Relation> relations_;
  std::vector<std::vector<TableAccess*>> passes_;  // the uses each open took
};

}  // namespace core
