#pragma once
// The record form: the window that shows and saves one record of one table
// under the request its caller left in ThreadRequest (insert, change, delete,
// view, apply), and answers "completed" or "cancelled" in ThreadResponse.
// A concrete form builds its window, binds its controls to fields and adds its
// own set-up; opening, priming, saving, cancelling, the history key, the
// activity lines and the protection against closing are the shape's.
#include <QPointer>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/shapes/aided_window.h"
#include "core/shapes/field_controls.h"
#include "core/shapes/lookup_field.h"
#include "core/tables/table_relations.h"

namespace core {

// The requests a caller leaves in ThreadRequest.
namespace request {
constexpr int Insert = 1;
constexpr int Change = 2;
constexpr int Delete = 3;
constexpr int Select = 4;
constexpr int View = 6;
constexpr int Apply = 7;
}  // namespace request

// The history (ditto) key: Ctrl with the apostrophe key; some forms use Ctrl+H.
constexpr int kHistoryKey = Qt::Key_Apostrophe | static_cast<int>(Qt::ControlModifier);
constexpr int kHistoryKeyH = Qt::Key_H | static_cast<int>(Qt::ControlModifier);

// What closing a changed record asks (CANCELACTION).
namespace cancel {
constexpr int None = 0;       // closes without asking
constexpr int AskCancel = 2;  // "¿Desea Ud.cancelar?": Yes closes without storing
constexpr int AskSave = 3;    // "¿ Desea guardar los cambios?": Yes, No, Cancel
}  // namespace cancel

// The word of a request in the activity lines, and of a response.
std::string requestWord(int request);
std::string responseWord(int response);

// The form that cannot be closed from its system menu: greys the Close
// command on the first call and enables it again on the next. Always false.
class CloseMenuToggle {
 public:
  bool AlternarMenuCerrar(QWidget* window);
  int toggle() const { return toggle_; }

 private:
  int toggle_ = 1;
};

// A table's record as the thread's buffer holds it now (fields, memos,
// position and the version read), to put back later.
class RecordSnapshot {
 public:
  explicit RecordSnapshot(rt::Table& table);
  void restore();

 private:
  rt::Table& table_;
  std::vector<char> record_;
  std::vector<std::string> memos_;
  std::int64_t position_;
  std::int64_t version_;
};

class RecordForm : public AidedWindow {
 public:
  RecordForm(std::string procedureName, const rt::TableDef& primary, bool protectedForm);
  ~RecordForm() override;

  int Run() override;
  int Init() override;
  int Kill() override;
  int TakeEvent() override;
  int TakeAccepted() override;
  int TakeCloseEvent() override;

  // Primes the record by the request: a numbered new record for an insert,
  // the stored record again for a change or a delete; a delete asks first and
  // deletes at once. Non-zero: the form does not open.
  virtual int PrimeUpdate();
  // Every control's value into the record buffer.
  void Update();
  void Display();
  // Whether the record differs from what was primed (a form with a value
  // kept outside the record, such as rich-text notes, adds it).
  virtual bool recordChanged();
  // Runs a procedure the form calls (a lookup, a nested form, a list) and
  // gives the form its record back as it was before: fields, memos, position
  // and the version it read. A nested window that saved this same record
  // meanwhile makes the form's save meet the change refusal.
  int callKeepingRecord(const std::function<int()>& call);

  // Window-manager settings of the shape.
  int REQUEST = 0;
  int ORIGINALREQUEST = 0;
  std::string OKCONTROL;
  QPointer<QWidget> FIRSTFIELD;
  int HISTORYKEY = 0;
  int FILESOPENED = 0;
  TableRelations* PRIMARY = nullptr;
  int BATCHPROCESSING = 0;
  int INSERTACTION = 0;
  int CHANGEACTION = 0;
  int DELETEACTION = 0;
  // What a close request (Cancel, Esc, the close box) over a changed record
  // asks (cancel::); None closes at once.
  int CANCELACTION = cancel::AskSave;
  int VCRREQUEST = 0;

  // Locals of the activity lines.
  std::string ProcedureName;
  std::string RequestWord;
  std::string RecordCode;

  bool viewing() const { return REQUEST == request::View && BATCHPROCESSING == 0; }
  // The table whose record the form edits, as this thread sees it.
  rt::Table& primaryTable() const { return table(); }
  const CloseMenuToggle& closeMenu() const { return closeMenu_; }

 protected:
  // The form's window, its controls named as in the design; bind them to
  // fields with fields().bind.
  virtual QWidget* buildWindow() = 0;
  // The form's own set-up, after the alerts.
  virtual void OwnSetup() {}
  // The history key in `control`: its field's value from `from` (the record
  // as this thread's form of the table last tried to save it, refused or
  // not) shown again. A form whose
  // control shows a field in its own way overrides it; true when restored.
  virtual bool RestoreField(QWidget* control, rt::RecordBuffer& from);
  // The record's code in the activity lines: the first component of the
  // primary key, as a plain number.
  virtual std::string recordCode();
  FieldControls& fields() { return fields_; }
  rt::Table& table() const;
  // Called from the constructor: the form's history key.
  void setHistoryKey(int key) { historyKey_ = key; }
  // The accept-all pass: every entry marked required must hold a value; the
  // first empty one is selected and false answered.
  bool requiredFilled();
  // A code entry looked up in its catalogue (lookup_field.h), taken again at
  // OK; bound once, in buildWindow, for the form's life.
  void bindLookup(const LookupField& lookup) { lookups_.push_back(&lookup); }
  // The code entry's Enter (or its button): the lookup, then what the form
  // shows of the catalogues. A form that does more with the looked-up record
  // overrides it and calls it. Answers as runLookup.
  virtual int lookUp(const LookupField& lookup, bool fromButton);
  // Shows what the form reads from its catalogues beside their codes; a code
  // without a record shows nothing there.
  virtual void showLookedUp() {}
  // Focus back on the window's first field: its first entry from there on.
  void toFirstField();

  void RegistrarActividad(bool entry);

  // Opens the relations of these tables for the form's life (its OwnSetup):
  // each one opened is closed again when the form closes, so no opening
  // outlives the form on its thread.
  void openRelations(std::initializer_list<const rt::TableDef*> defs);

 private:
  int save();
  // The accept-all pass over the lookup fields: false when a code without a
  // record was left so (the form stays on its entry).
  bool lookupsFound();
  void snapshot();
  void abandonInsert();

  const rt::TableDef& def_;
  bool protected_;
  FieldControls fields_;
  CloseMenuToggle closeMenu_;
  std::vector<const rt::TableDef*> openedRelations_;  // closed again at Kill
  std::vector<const LookupField*> lookups_;
  std::vector<char> primedRecord_;
  std::vector<std::string> primedMemos_;
  bool saved_ = false;
  int historyKey_ = kHistoryKey;
};

}  // namespace core
