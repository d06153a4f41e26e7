#include "core/tables/table_access.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/base/cp_literal.h"
#include "platform/base/runtime_errors.h"
#include "platform/base/thread_timer.h"
#include "platform/data/database.h"
#include "platform/data/maintenance.h"
#include "platform/data/record_buffer.h"
#include "platform/data/table_status.h"

namespace core {
namespace {

// Defaults of new records and ranges of validated fields, by table.
struct FieldRule {
  std::string_view table;
  std::string_view field;
  std::int64_t primeValue;
  bool ranged;
  std::int64_t low, high;
  std::string_view description;  // the field's name in "Error de Rango"
  std::string_view rangeText;
};

constexpr FieldRule kFieldRules[] = {
    {"Usuarios", "NivelAcceso", 5, true, 0, 9, "Nivel de Acceso al Sistema", "0 .. 9"},
    {"AgendaRecordatoria", "Prioridad", 3, true, 1, 6, "Prioridad de la tarea", "1 .. 6"},
    {"Macros", "Interna", 0, false, 0, 0, "", ""},
    // A locality holds its province's code in two characters.
    {"Provincias", "Cod_Provincia", 0, true, 1, 99, "Cód. de Provincia"_cp, "1 .. 99"},
};

std::vector<const FieldRule*> rulesOf(const rt::TableDef& def) {
  std::vector<const FieldRule*> rules;
  for (const FieldRule& r : kFieldRules) {
    if (r.table == def.label) rules.push_back(&r);
  }
  return rules;
}

// Keys stored as allowing repeats, so that files holding repeated values
// still open and read them, whose values a new or changed record may not
// repeat: a login names one user only (with a repeated login, whoever holds
// it first in the key's order would take every login of the others).
struct DistinctKey {
  std::string_view table;
  std::string_view key;
};

constexpr DistinctKey kDistinctKeys[] = {
    {"Usuarios", "USU03"},
};

constexpr int kNumberingAttempts = 3;

// The range rule of a field that numbering fills, if any.
const FieldRule* numberedRange(const rt::TableDef& def) {
  for (const FieldRule* r : rulesOf(def)) {
    if (!r->ranged) continue;
    for (const rt::KeyDef& key : def.keys) {
      if (key.autoNumbered <= 0) continue;
      const int field = key.components[key.autoNumbered - 1].field;
      if (rt::sameName(def.fields[field].name, r->field)) return r;
    }
  }
  return nullptr;
}

// A key as the messages name it: its description, else its label.
std::string keyName(const rt::TableDef& def, int key) {
  const rt::KeyDef& k = def.keys[key];
  return k.description.empty() ? def.prefix + ":" + k.name : k.description;
}

}  // namespace

bool LockWait::again() {
  if (left_ <= 0 || rt::transactionIsOpen()) return false;
  left_ -= kLockRetryStepMs;
  rt::waitOnTimer(kLockRetryStepMs);
  return true;
}

int beginTransactionWithin(int milliseconds) {
  LockWait wait(milliseconds);
  int error = 0;
  while ((error = rt::beginTransaction()) == rt::error::FileLocked && wait.again()) {
  }
  return error;
}

std::string currentErrorText() { return rt::errorDescription(); }

TableAccess::TableAccess(const rt::TableDef& def) : def_(def) {}

TableAccess::~TableAccess() { closeAll(); }

int TableAccess::report(TableMessage m, bool messages, MessageFill fill) {
  if (messages) {
    if (fill.file.empty()) fill.file = def_.label;
    showTableMessage(m, fill);
  }
  return level::Fatal;
}

int TableAccess::open() {
  LockWait wait(kLockRecoveryMs);
  for (;;) {
    const int rc = table().open();
    if (rc == rt::error::NoError) {
      ++uses_;
      return level::Benign;
    }
    if (rc == rt::error::FileLocked && wait.again()) continue;
    // A table missing from its file is created by the open.
    const std::string errorText = currentErrorText();
    const bool creating = rt::probeTable(def_).error == rt::error::NoFile;
    return report(creating ? TableMessage::CreateFailed : TableMessage::AccessFailed, true,
                  MessageFill().ErrorText(errorText));
  }
}

void TableAccess::close() {
  if (uses_ == 0) return;
  --uses_;
  table().close();
}

void TableAccess::closeAll() {
  while (uses_ > 0) close();
}

bool TableAccess::usable() {
  if (isOpen()) return true;
  report(TableMessage::UsedBeforeOpen, true);
  return false;
}

int TableAccess::fetchByKey(int key) {
  if (!usable()) return level::Fatal;
  LockWait wait(kLockRecoveryMs);
  for (;;) {
    const int rc = table().fetch(key);
    if (rc == rt::error::NoError) return level::Benign;
    if (rc == rt::error::RecordNotFound) return level::Notify;
    if (rc == rt::error::FileLocked && wait.again()) continue;
    return level::Fatal;
  }
}

int TableAccess::fetchOrClear(int key) {
  const int result = fetchByKey(key);
  if (result != level::Benign) table().clear();
  return result;
}

int TableAccess::walk(int (rt::Table::*step)()) {
  if (!usable()) return level::Fatal;
  LockWait wait(kLockRecoveryMs);
  for (;;) {
    const int rc = (table().*step)();
    if (rc == rt::error::NoError) return level::Benign;
    if (rc == rt::error::RecordNotAvailable) return level::Notify;
    if (rc != rt::error::FileLocked) return level::Fatal;
    if (!wait.again()) return report(TableMessage::RecordNotRead, true);
  }
}

int TableAccess::next() { return walk(&rt::Table::next); }
int TableAccess::previous() { return walk(&rt::Table::previous); }

void TableAccess::primeRecord() {
  table().clear();
  numberedId_ = 0;
  primeFields();
  for (const auto& [field, value] : held_) {
    rt::setFieldNumber(def_.fields[field], table().record(), value);
  }
}

void TableAccess::primeFields() {
  for (const FieldRule* r : rulesOf(def_)) {
    rt::setFieldNumber(def_.fields[def_.fieldIndex(r->field)], table().record(), r->primeValue);
  }
}

bool TableAccess::validateField(std::string_view field, bool messages) {
  for (const FieldRule* r : rulesOf(def_)) {
    if (!r->ranged || !rt::sameName(r->field, rt::withoutPrefix(field))) continue;
    const std::int64_t value =
        rt::fieldNumber(def_.fields[def_.fieldIndex(r->field)], table().record());
    if (value >= r->low && value <= r->high) return true;
    report(TableMessage::OutOfRange, messages,
           MessageFill().Message(std::string(r->rangeText)).Field(std::string(r->description)));
    return false;
  }
  return true;
}

bool TableAccess::validateRecord(bool messages) {
  for (const FieldRule* r : rulesOf(def_)) {
    if (r->ranged && !validateField(r->field, messages)) return false;
  }
  return keepsDistinctKeys(messages);
}

bool TableAccess::keepsDistinctKeys(bool messages) {
  for (const DistinctKey& d : kDistinctKeys) {
    if (d.table != def_.label) continue;
    const int key = def_.keyIndex(d.key);
    if (!table().otherHasKey(key)) continue;
    const rt::FieldDef& first = def_.fields[def_.keys[key].components[0].field];
    const std::string value = rt::isTextField(first)
                                  ? std::string(rt::clip(rt::fieldText(first, table().record())))
                                  : std::to_string(rt::fieldNumber(first, table().record()));
    report(TableMessage::ValueTaken, messages,
           MessageFill().Field(keyName(def_, key)).Message(value));
    return false;
  }
  return true;
}

int TableAccess::insertNumbered(bool messages) {
  rt::Table& t = table();
  if (!isOpen()) return report(TableMessage::UsedBeforeOpen, messages);
  int failures = 0;
  LockWait wait(kLockRecoveryMs);
  for (;;) {
    // Memos are written when the insert completes.
    std::vector<std::string> memos;
    for (std::size_t m = 0; m < def_.memos.size(); ++m) {
      memos.push_back(std::exchange(t.buffer().memo(static_cast<int>(m)), std::string()));
    }
    const FieldRule* range = numberedRange(def_);
    const bool own = range != nullptr && !rt::transactionIsOpen();
    int rc = own ? rt::beginTransaction() : rt::error::NoError;
    if (rc == rt::error::NoError) rc = t.addNumbered();
    bool outOfRange = false;
    if (rc == rt::error::NoError && range != nullptr) {
      const std::int64_t code =
          rt::fieldNumber(def_.fields[def_.fieldIndex(range->field)], t.record());
      outOfRange = code < range->low || code > range->high;
    }
    if (own) {
      if (rc == rt::error::NoError && !outOfRange) {
        rc = rt::commitTransaction();
      } else {
        rt::rollbackTransaction();
      }
    }
    for (std::size_t m = 0; m < memos.size(); ++m) {
      t.buffer().memo(static_cast<int>(m)) = std::move(memos[m]);
    }
    if (outOfRange) {
      // Nothing is reserved under a code the field's range refuses.
      t.recordWasRead(0, 0);
      return report(TableMessage::OutOfRange, messages,
                    MessageFill()
                        .Message(std::string(range->rangeText))
                        .Field(std::string(range->description)));
    }
    if (rc == rt::error::NoError) {
      numberedId_ = t.position();
      return level::Benign;
    }
    if (rc == rt::error::FileLocked && wait.again()) continue;
    // A code past its field's range fails the same way every time.
    const bool exhausted = rc == rt::error::KeyUnavailable;
    if (!exhausted && ++failures < kNumberingAttempts) continue;
    if (!messages) return level::Fatal;
    std::string errorText = currentErrorText();
    if (rc == rt::error::DuplicateKey && rt::duplicateKeyIndex() >= 0) {
      errorText += ": " + keyName(def_, rt::duplicateKeyIndex());
    }
    if (exhausted) errorText += ": no quedan códigos libres"_cp;
    const int answer = showTableMessage(TableMessage::NumberingFailed,
                                        MessageFill().File(def_.label).ErrorText(errorText));
    if (!asksToRetry(TableMessage::NumberingFailed, answer)) return level::Fatal;
    failures = 0;
    wait = LockWait(kLockRecoveryMs);
  }
}

int TableAccess::addNumbered(bool messages) {
  rt::Table& t = table();
  if (!isOpen()) return report(TableMessage::UsedBeforeOpen, messages);
  if (!validateRecord(messages)) return level::Fatal;
  int failures = 0;
  LockWait wait(kLockRecoveryMs);
  for (;;) {
    const int rc = t.addNumbered();
    if (rc == rt::error::NoError) {
      numberedId_ = 0;
      return level::Benign;
    }
    if (rc == rt::error::FileLocked && wait.again()) continue;
    const int key = rt::duplicateKeyIndex();
    if (rc == rt::error::DuplicateKey && key >= 0 && def_.keys[key].autoNumbered == 0) {
      return report(TableMessage::DuplicateKey, messages,
                    MessageFill().Message(keyName(def_, key)));
    }
    if (rc == rt::error::DuplicateKey && ++failures < kNumberingAttempts) continue;
    return report(TableMessage::AddFailed, messages, MessageFill().ErrorText(currentErrorText()));
  }
}

int TableAccess::insert(bool messages) {
  rt::Table& t = table();
  if (!isOpen()) return report(TableMessage::UsedBeforeOpen, messages);
  if (!validateRecord(messages)) return level::Fatal;
  LockWait wait(kLockRecoveryMs);
  for (;;) {
    const int rc = numberedPending() ? t.put() : t.add();
    if (rc == rt::error::NoError) {
      numberedId_ = 0;
      return level::Benign;
    }
    if (rc == rt::error::FileLocked && wait.again()) continue;
    if (rc == rt::error::DuplicateKey && rt::duplicateKeyIndex() >= 0) {
      return report(TableMessage::DuplicateKey, messages,
                    MessageFill().Message(keyName(def_, rt::duplicateKeyIndex())));
    }
    return report(TableMessage::AddFailed, messages, MessageFill().ErrorText(currentErrorText()));
  }
}

}  // namespace core
