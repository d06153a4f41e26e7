#include "core/shapes/record_form.h"

#include <QApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QWindow>
#include <map>
#include <utility>

#include "core/aids/control_colouring.h"
#include "core/frame/activity_log.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/procedures.h"
#include "platform/base/text_order.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/entry_refusal.h"
#include "platform/ui/qt_text.h"

namespace core {
namespace {

constexpr auto& kDeleteQuestion = "¿ Está seguro que desea eliminar el registro seleccionado?"_cp;
constexpr char kDeleteCaption[] = "Confirmar Borrado";
constexpr auto& kKeepQuestion = "¿ Desea guardar los cambios?"_cp;
constexpr char kKeepCaption[] = "Guardar Registro";
constexpr auto& kCancelQuestion = "¿Desea Ud.cancelar?"_cp;
constexpr char kCancelCaption[] = "Cambios no seran Realizados!";

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

// The record each thread's form of a table last tried to save, for the
// history key; blank until the first try.
struct HistoryRecord {
  std::unique_ptr<rt::RecordBuffer> record;
  bool filled = false;
};

HistoryRecord& historyRecord(const rt::TableDef& def) {
  static std::map<std::pair<rt::ThreadNumber, const rt::TableDef*>, HistoryRecord> saved;
  HistoryRecord& slot = saved[{rt::currentThreadNumber(), &def}];
  if (!slot.record) {
    slot.record = def.newBuffer();
    rt::clearRecord(def, *slot.record);
  }
  return slot;
}

}  // namespace

std::string requestWord(int request) {
  switch (request) {
    case request::Insert:
      return "Insertar";
    case request::Delete:
      return "Borrar";
    case request::Change:
      return "Modificar";
    case request::View:
      return "Ver";
    default:
      return "Indeterminado";
  }
}

std::string responseWord(int response) {
  switch (response) {
    case rt::kCompleted:
      return "Aceptado";
    case rt::kCancelled:
      return "Cancelado";
    default:
      return "Indeterminado";
  }
}

bool CloseMenuToggle::AlternarMenuCerrar(QWidget* window) {
  if (window != nullptr) {
    // Only the hint changes, on the window as it is. Setting a shown
    // window's flags through the widget hides it and shows it again at once:
    // the window manager may take that withdrawal after the new map and
    // leave the window unmapped, never seen.
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowCloseButtonHint, toggle_ == 0);
    window->overrideWindowFlags(flags);
    if (QWindow* handle = window->windowHandle()) handle->setFlags(flags);
    window->setProperty("rtCloseGreyed", toggle_ == 1);
  }
  toggle_ = 1 - toggle_;
  return false;
}

RecordForm::RecordForm(std::string procedureName, const rt::TableDef& primary, bool protectedForm)
    : AidedWindow(std::move(procedureName)),
      def_(primary),
      protected_(protectedForm),
      fields_(primary) {}

RecordForm::~RecordForm() = default;

rt::Table& RecordForm::table() const { return rt::table(def_); }

int RecordForm::Run() {
  const int result = rt::WindowDriver::Run();
  return viewing() ? rt::kCancelled : result;
}

int RecordForm::Init() {
  ProcedureName.clear();
  RequestWord.clear();
  RecordCode.clear();
  REQUEST = rt::ThreadRequest();
  ORIGINALREQUEST = REQUEST;
  if (int r = AidedWindow::Init(); r != rt::level::Benign) return r;
  VCRREQUEST = rt::ThreadVcrRequest();
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  HISTORYKEY = historyKey_;

  QWidget* window = buildWindow();
  if (auto* sheet = window->findChild<QTabWidget*>()) {
    for (const FieldControl& f : fields_.controls()) {
      if (f.control && sheet->isAncestorOf(f.control) &&
          (f.control->focusPolicy() & Qt::TabFocus) != 0) {
        FIRSTFIELD = f.control;
        break;
      }
    }
  }
  PRIMARY = &relate(def_);
  if (PRIMARY->open() != level::Benign) {
    delete window;
    return rt::level::Notify;
  }
  FILESOPENED = 1;

  if (!viewing()) {
    CHANGEACTION = 2;
    OKCONTROL = "?OK";
    if (PrimeUpdate() != rt::level::Benign) {
      delete window;
      return rt::level::Notify;
    }
  } else {
    INSERTACTION = DELETEACTION = CHANGEACTION = 1;
    CANCELACTION = 0;
    OKCONTROL.clear();
  }
  // A new record is cancelled until it is stored: Esc or the close box
  // leave it so.
  if (REQUEST == request::Insert) Response = rt::kCancelled;
  Open(window);
  Display();
  // What was primed, as the window shows it: a value the controls write back
  // in another form (a code read from " 5" shown as 5) is no change.
  Update();
  snapshot();
  RegistrarActividad(true);
  if (protected_) closeMenu_.AlternarMenuCerrar(window);
  ColorearControles(window);
  scaleFont(window);
  // The alerts: the history key on every form, Esc on every form (a
  // protected form moves the focus to OK, the others close).
  alertKey(HISTORYKEY);
  alertKey(Qt::Key_Escape);
  OwnSetup();
  markAndNavigate(window);
  toFirstField();
  return rt::level::Benign;
}

int RecordForm::PrimeUpdate() {
  TableAccess& access = PRIMARY->access();
  switch (REQUEST) {
    case request::Insert:
      access.primeRecord();
      return access.insertNumbered() == level::Benign ? rt::level::Benign : rt::level::Notify;
    case request::Apply:
    case request::Change:
    case request::Delete: {
      const std::int64_t position = table().position();
      const int read = position != 0 ? table().fetchPosition(position) : table().fetch(0);
      if (read != 0) {
        if (REQUEST == request::Apply) {  // nothing stored yet: an apply inserts
          access.primeRecord();
          return access.insertNumbered() == level::Benign ? rt::level::Benign : rt::level::Notify;
        }
        return rt::level::Notify;
      }
      if (REQUEST != request::Delete) return rt::level::Benign;
      if (rt::showMessage({kDeleteQuestion,
                           kDeleteCaption,
                           rt::MessageIcon::Question,
                           rt::button::Yes | rt::button::No,
                           {},
                           rt::button::No}) != rt::button::Yes) {
        return rt::level::Notify;
      }
      if (PRIMARY->remove(false) == level::Benign) Response = rt::kCompleted;
      return rt::level::Notify;
    }
    default:
      return rt::level::Benign;
  }
}

void RecordForm::Update() { fields_.update(table().buffer()); }
void RecordForm::Display() { fields_.display(table().buffer()); }

void RecordForm::snapshot() {
  const char* record = table().record();
  primedRecord_.assign(record, record + def_.recordSize);
  primedMemos_.clear();
  for (std::size_t i = 0; i < def_.memos.size(); ++i) {
    primedMemos_.push_back(table().buffer().memo(static_cast<int>(i)));
  }
}

RecordSnapshot::RecordSnapshot(rt::Table& table)
    : table_(table),
      record_(table.record(), table.record() + table.def().recordSize),
      position_(table.position()),
      version_(table.version()) {
  for (std::size_t i = 0; i < table.def().memos.size(); ++i) {
    memos_.push_back(table.buffer().memo(static_cast<int>(i)));
  }
}

void RecordSnapshot::restore() {
  std::copy(record_.begin(), record_.end(), table_.record());
  for (std::size_t i = 0; i < memos_.size(); ++i) {
    table_.buffer().memo(static_cast<int>(i)) = memos_[i];
  }
  table_.recordWasRead(position_, version_);
}

int RecordForm::callKeepingRecord(const std::function<int()>& call) {
  RecordSnapshot kept(table());
  const int answer = call();
  kept.restore();
  return answer;
}

bool RecordForm::recordChanged() {
  Update();
  const char* record = table().record();
  if (!std::equal(primedRecord_.begin(), primedRecord_.end(), record)) return true;
  for (std::size_t i = 0; i < primedMemos_.size(); ++i) {
    if (table().buffer().memo(static_cast<int>(i)) != primedMemos_[i]) return true;
  }
  return false;
}

std::string RecordForm::recordCode() {
  if (def_.keys.empty() || def_.keys[0].components.empty()) return "0";
  const rt::FieldDef& field = def_.fields[def_.keys[0].components[0].field];
  if (rt::isTextField(field)) return trimmed(rt::fieldText(field, table().record()));
  return std::to_string(rt::fieldNumber(field, table().record()));
}

void RecordForm::RegistrarActividad(bool entry) {
  if (entry) {
    ProcedureName = rt::upper(procedureName()).substr(0, 55);
    RequestWord = requestWord(REQUEST);
    RecordCode = recordCode().substr(0, 50);
  }
  const std::string word = entry ? RequestWord : responseWord(Response);
  AgregaLog(trimmed(ProcedureName) + " - " + trimmed(word) + " - Cod. " + trimmed(RecordCode) +
            (entry ? " - Ingreso" : " - Salida"));
}

bool RecordForm::requiredFilled() {
  Update();
  rt::RecordBuffer& buffer = table().buffer();
  for (const FieldControl& f : fields_.controls()) {
    // A disabled entry is not the user's to fill.
    if (!f.control || !rt::isRequired(f.control) || !f.control->isEnabled()) continue;
    bool empty = false;
    if (f.memo >= 0) {
      empty = trimmed(buffer.memo(f.memo)).empty();
    } else {
      const rt::FieldDef& field = def_.fields[f.field];
      empty = rt::isTextField(field) ? trimmed(rt::fieldText(field, buffer.record())).empty()
                                     : rt::fieldNumber(field, buffer.record()) == 0;
    }
    if (!empty) continue;
    f.control->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(f.control)) edit->selectAll();
    return false;
  }
  return true;
}

void RecordForm::toFirstField() {
  if (!FIRSTFIELD) return;
  // Typing starts in an entry: a check box named first is passed over for
  // the first entry after it.
  QWidget* entry = rt::firstEntry(window(), FIRSTFIELD);
  (entry != nullptr ? entry : FIRSTFIELD.data())->setFocus();
}

int RecordForm::save() {
  if (QWidget* refused = fields_.firstRefused()) {
    rt::refuseEntry(refused);
    return rt::level::Notify;
  }
  if (!requiredFilled() || !lookupsFound()) return rt::level::Notify;
  // What was typed is kept before the save is tried: a save that another
  // workstation's change refuses shows that record, and the history key
  // gives each field back as it was at OK.
  HistoryRecord& history = historyRecord(def_);
  rt::copyRecord(def_, table().buffer(), *history.record);
  history.filled = true;
  if (!PRIMARY->access().validateRecord()) return rt::level::Notify;
  const bool inserting = REQUEST == request::Insert ||
                         (REQUEST == request::Apply && PRIMARY->access().numberedPending());
  const int result = inserting ? PRIMARY->insert() : PRIMARY->update();
  if (result != level::Benign) {
    Display();
    return rt::level::Notify;
  }
  saved_ = true;
  Response = rt::kCompleted;
  if (REQUEST == request::Apply) {  // the window stays open on the saved record
    if (table().fetchPosition(table().position()) == 0) Display();
    snapshot();
  }
  return rt::level::Benign;
}

int RecordForm::lookUp(const LookupField& lookup, bool fromButton) {
  const int result = runLookup(*this, lookup, fromButton);
  // The code as its picture shows it; a code left without a record stays as
  // typed, selected.
  if (result == rt::level::Benign) Display();
  showLookedUp();
  return result;
}

bool RecordForm::lookupsFound() {
  for (const LookupField* l : lookups_) {
    // An entry the user cannot type in is not taken.
    const QWidget* entry = control(l->entry);
    if (entry == nullptr || !entry->isEnabled() || lookupFound(*this, *l)) continue;
    if (lookUp(*l, false) != rt::level::Benign) return false;
  }
  return true;
}

void RecordForm::abandonInsert() {
  if (FILESOPENED != 0 && PRIMARY != nullptr && !saved_ && PRIMARY->access().numberedPending()) {
    PRIMARY->cancelNumbered();
  }
}

bool RecordForm::RestoreField(QWidget* control, rt::RecordBuffer& from) {
  return fields_.restore(control, from);
}

int RecordForm::TakeEvent() {
  if (event() == rt::event::AlertKey) {
    if (keyCode() == Qt::Key_Escape) {
      if (protected_) {
        if (QWidget* ok = control(OKCONTROL.empty() ? "?OK" : OKCONTROL)) ok->setFocus();
      } else {
        post(rt::event::CloseWindow);
      }
      return rt::level::Notify;
    }
    if (keyCode() == HISTORYKEY && !viewing()) {
      // Nothing tried yet on this thread: no blank value is put over a field.
      if (HistoryRecord& history = historyRecord(def_); history.filled) {
        RestoreField(window()->focusWidget() ? rt::owningControl(window()->focusWidget()) : nullptr,
                     *history.record);
      }
      return rt::level::Notify;
    }
  }
  return rt::WindowDriver::TakeEvent();
}

int RecordForm::TakeAccepted() {
  if (int r = rt::WindowDriver::TakeAccepted(); r != rt::level::Benign) return r;
  QWidget* accepted = field();
  if (accepted == nullptr) return rt::level::Benign;
  const std::string name = rt::fromQString(accepted->objectName());
  if (name == "?OK") {
    Update();
    if (viewing()) {
      post(rt::event::CloseWindow);
    } else if (!OKCONTROL.empty() && save() == rt::level::Benign && REQUEST != request::Apply) {
      RegistrarActividad(false);
      return rt::level::Fatal;
    }
  } else if (name == "?CANCEL") {
    // After an apply the record stays saved: the caller must show it again.
    Response = saved_ ? rt::kCompleted : rt::kCancelled;
    if (CANCELACTION != cancel::None) {
      // The close request asks about a changed record, as Esc does.
      post(rt::event::CloseWindow);
      return rt::level::Benign;
    }
    RegistrarActividad(false);
    return rt::level::Fatal;
  }
  return rt::level::Benign;
}

int RecordForm::TakeCloseEvent() {
  int result = rt::WindowDriver::TakeCloseEvent();
  bool saveNow = false;
  if (result == rt::level::Benign && CANCELACTION != cancel::None && !viewing() &&
      recordChanged()) {
    switch (CANCELACTION) {
      case cancel::AskCancel:
        if (rt::showMessage({kCancelQuestion,
                             kCancelCaption,
                             rt::MessageIcon::Question,
                             rt::button::Yes | rt::button::No,
                             {},
                             rt::button::No}) != rt::button::Yes) {
          result = rt::level::Notify;
          toFirstField();
        }
        break;
      default: {
        const int answer = rt::showMessage({kKeepQuestion,
                                            kKeepCaption,
                                            rt::MessageIcon::Question,
                                            rt::button::Yes | rt::button::No | rt::button::Cancel,
                                            {},
                                            rt::button::Cancel});
        if (answer == rt::button::Cancel) {
          result = rt::level::Notify;
          toFirstField();
        }
        saveNow = answer == rt::button::Yes;
      }
    }
  }
  RegistrarActividad(false);
  if (saveNow) {
    // Stored as OK stores it, through the form's own steps before the save,
    // and closed only when it is stored: a refused save keeps the form, and
    // a caller waiting for it to close (the frame closing) learns so.
    const int ok = TakeNow(rt::event::Accepted, control(OKCONTROL.empty() ? "?OK" : OKCONTROL));
    return ok == rt::level::Fatal ? rt::level::Benign : rt::level::Notify;
  }
  return result;
}

void RecordForm::openRelations(std::initializer_list<const rt::TableDef*> defs) {
  for (const rt::TableDef* def : defs) {
    if (relate(*def).open() == level::Benign) openedRelations_.push_back(def);
  }
}

int RecordForm::Kill() {
  if (!isOpen() && FILESOPENED == 0 && !inProcedure()) return rt::level::Benign;
  abandonInsert();
  AidedWindow::Kill();
  while (!openedRelations_.empty()) {
    relate(*openedRelations_.back()).close();
    openedRelations_.pop_back();
  }
  if (FILESOPENED != 0) {
    PRIMARY->close();
    FILESOPENED = 0;
  }
  return rt::level::Benign;
}

}  // namespace core
