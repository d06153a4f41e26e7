#include "organiser/note_windows.h"

#include <QClipboard>
#include <QEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/aids/designed_font.h"
#include "core/aids/window_parts.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/table_managers.h"
#include "organiser/notes_listing.h"
#include "platform/base/cp_literal.h"
#include "platform/base/procedures.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/entry_refusal.h"
#include "platform/ui/qt_text.h"

namespace organiser {
namespace {

// Posts the window's event when the watched box loses the focus.
class LeaveWatcher : public QObject {
 public:
  LeaveWatcher(rt::WindowDriver& window, QWidget* box) : window_(window), box_(box) {
    box->installEventFilter(this);
  }
  ~LeaveWatcher() override {
    if (box_) box_->removeEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == box_ && event->type() == QEvent::FocusOut) {
      window_.post(NoteList::kBoxLeft, box_);
    }
    return false;
  }

 private:
  rt::WindowDriver& window_;
  QPointer<QWidget> box_;
};

}  // namespace

NoteList::NoteList() : core::ListWindow("Notas", core::Notas::def()) {}
NoteList::~NoteList() = default;

QWidget* NoteList::buildWindow() {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setFont(core::designedWindowFont());
  window->setWindowTitle("Examinando el archivo de Textos");
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  auto* list = new QTableView(window);
  list->setObjectName("?BROWSE:5");
  list->setMinimumSize(units.size(240, 90));
  auto* text = new QPlainTextEdit(window);
  text->setObjectName("?TEX:NOTA");
  text->setAccessibleName("Nota");  // the box has no prompt of its own
  text->setTabChangesFocus(true);
  text->setMinimumHeight(units.y(80));

  auto button = [window](const char* name, const char* caption, const char* tip = "",
                         const char* status = "") {
    return core::namedButton(window, name, caption, tip, status);
  };
  auto* rowButtons = new QHBoxLayout;
  rowButtons->addWidget(button(
      "?QUERY:2", "&Consulta",
      "Edita las condiciones de Filtro para realizar consultas sobre la vista de base de datos "
      "actual",
      "Acceso al Subsistema de Consultas"));
  rowButtons->addStretch();
  rowButtons->addWidget(button(
      "?INSERT:6", "&Agregar",
      "Agrega un registro a la base de datos a traves del acceso al formulario correspondiente.",
      "Agregar un registro"));
  rowButtons->addWidget(
      button("?CHANGE:6", "&Modificar",
             "Accede a la ventana de Modificación con el registro actualmente resaltado"_cp,
             "Modifica el registro"));
  rowButtons->addWidget(
      button("?DELETE:6", "&Borrar",
             "Accede a la ventana de Eliminación con el registro actualmente resaltado"_cp,
             "Borra el registro seleccionado"));
  auto* textButtons = new QHBoxLayout;
  textButtons->addWidget(button("?BUTTON7", "Al Portapapeles..."));
  textButtons->addWidget(button("?BUTTONIMPNOTA", "Imprimir Nota", "Imprimir la Nota Actual"));
  textButtons->addWidget(button("?BUTTONIMPTODAS", "Imprimir Todas", "Imprimir Todas las Notas"));
  textButtons->addStretch();
  textButtons->addWidget(button("?CLOSE", "&Cerrar", "Cierra la ventana"));

  auto* layout = new QVBoxLayout(window);
  layout->addWidget(list, 1);
  layout->addLayout(rowButtons);
  layout->addWidget(text, 2);
  layout->addLayout(textButtons);
  return window;
}

void NoteList::setUpBrowser(core::ListBrowser& b) {
  b.AddSortOrder("Descripcion", core::Notas::TEX02);
  b.SetAlphabeticThumb();
  core::ListColumn description;
  description.field = "TEX:Descripcion";
  description.title = "Descripcion";
  description.picture = "@s60";
  description.width = 80;
  b.AddColumn(description);
  core::ListColumn text;
  text.field = "TEX:Nota";
  text.title = "Nota";
  text.picture = "@s255";
  text.width = 0;
  b.AddColumn(text);
}

void NoteList::OwnSetup() {
  QWidget* box = control("?TEX:NOTA");
  boxWatcher_ = std::make_unique<LeaveWatcher>(*this, box);
  rt::setTextLimit(box, core::Notas::def().memos[0].maxLength);
  alertKey(core::kHistoryKey);
  showSelected();
}

void NoteList::showSelected() {
  auto* box = control<QPlainTextEdit>("?TEX:NOTA");
  rt::Table& notes = core::Notas::table();
  if (browser().selectedRow() != nullptr && browser().UpdateViewRecord()) {
    if (!shownRecord_) shownRecord_ = core::Notas::def().newBuffer();
    rt::copyRecord(core::Notas::def(), notes.buffer(), *shownRecord_);
    shownPosition_ = notes.position();
    shownVersion_ = notes.version();
    shownText_ = core::TEX().Nota;
  } else {
    shownPosition_ = shownVersion_ = 0;
    shownText_.clear();
  }
  if (box == nullptr) return;
  box->setPlainText(rt::toQString(shownText_));
  // Without a note there is nothing the text could be stored in.
  box->setReadOnly(shownPosition_ == 0);
}

bool NoteList::storeBox() {
  auto* box = control<QPlainTextEdit>("?TEX:NOTA");
  if (box == nullptr || shownPosition_ == 0 || !shownRecord_) return true;
  // A text the note cannot hold as typed stays in the box, unstored. Leaving
  // the box, the window has refused it already.
  if (!rt::entryRefusalText(box).empty()) {
    if (event() != kBoxLeft && box->toPlainText() != refusedText_) rt::refuseEntry(box);
    refusedText_ = box->toPlainText();
    return false;
  }
  refusedText_.clear();
  const std::string text = rt::fromQString(box->toPlainText());
  if (text == shownText_) return true;
  const rt::TableDef& def = core::Notas::def();
  // The note the box shows, as it was read for it, with the new text: a
  // note another workstation changed meanwhile is refused, not overwritten.
  rt::Table& notes = core::Notas::table();
  rt::copyRecord(def, *shownRecord_, notes.buffer());
  core::TEX().Nota = text;
  notes.recordWasRead(shownPosition_, shownVersion_);
  if (core::relate(def).update() == core::level::Benign) {
    rt::copyRecord(def, notes.buffer(), *shownRecord_);
    shownVersion_ = notes.version();
    shownText_ = text;
    return true;
  }
  // Refused or failed (the message was shown): the box shows the note as
  // it is stored now, and the history key gives the typing back.
  overruledText_ = box->toPlainText();
  overruledPosition_ = shownPosition_;
  if (notes.fetchPosition(shownPosition_) == 0) {
    rt::copyRecord(def, notes.buffer(), *shownRecord_);
    shownVersion_ = notes.version();
    shownText_ = core::TEX().Nota;
  } else {
    shownPosition_ = shownVersion_ = 0;
    shownText_.clear();
    box->setReadOnly(true);
  }
  box->setPlainText(rt::toQString(shownText_));
  return true;
}

int NoteList::TakeEvent() {
  if (event() == kBoxLeft) {
    storeBox();
    return rt::level::Benign;
  }
  if (event() == rt::event::AlertKey && keyCode() == core::kHistoryKey) {
    auto* box = control<QPlainTextEdit>("?TEX:NOTA");
    if (box != nullptr && box->hasFocus() && !overruledText_.isEmpty() &&
        overruledPosition_ == shownPosition_) {
      box->setPlainText(overruledText_);
      box->moveCursor(QTextCursor::End);
    }
    return rt::level::Notify;
  }
  return core::ListWindow::TakeEvent();
}

int NoteList::TakeNewSelection() {
  // A refused text stays in the box with the note it belongs to: the list
  // goes back to that note rather than show another over the typing.
  if (!storeBox()) {
    browser().SelectLoadedRow(shownPosition_);
    return rt::level::Benign;
  }
  showSelected();
  return core::ListWindow::TakeNewSelection();
}

int NoteList::TakeCloseEvent() {
  if (!storeBox()) return rt::level::Notify;
  return core::ListWindow::TakeCloseEvent();
}

void NoteList::print(std::uint16_t code) {
  ListadoDeNotas(code);
  // The listing read the notes through this thread's buffer: the box's
  // note is read again.
  showSelected();
}

int NoteList::TakeAccepted() {
  QWidget* accepted = field();
  if (accepted == nullptr || accepted == control("?TEX:NOTA")) {
    return core::ListWindow::TakeAccepted();
  }
  // Whatever the button does, the box's text is stored first.
  if (!storeBox()) return rt::level::Benign;
  const std::string name = rt::fromQString(accepted->objectName());
  if (name == "?BUTTON7") {
    const bool read = browser().selectedRow() != nullptr && browser().UpdateViewRecord();
    QGuiApplication::clipboard()->setText(read ? rt::toQString(core::TEX().Nota) : QString());
    return rt::level::Benign;
  }
  if (name == "?BUTTONIMPNOTA") {
    const bool read = browser().selectedRow() != nullptr && browser().UpdateViewRecord();
    print(read ? core::TEX().CodigoInterno : 0);
    return rt::level::Benign;
  }
  if (name == "?BUTTONIMPTODAS") {
    print(0);
    return rt::level::Benign;
  }
  return core::ListWindow::TakeAccepted();
}

void NoteList::callForm() { rt::callProcedure("FormularioNotas"); }

int Notas() { return core::runWindow<NoteList>(); }

NoteForm::NoteForm() : core::RecordForm("FormularioNotas", core::Notas::def(), true) {
  CANCELACTION = core::cancel::AskSave;
}

QWidget* NoteForm::buildWindow() {
  const auto [window, sheet, general] =
      core::formSheet("Actualizando un registro de Textos", "General:");
  auto* grid = new QGridLayout(general);
  grid->setColumnStretch(1, 1);
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  QLineEdit* description = core::namedEntry(general, "?TEX:DESCRIPCION", 60);
  rt::setPicture(description, "@s60");
  description->setMinimumWidth(units.x(200));
  auto* prompt = new QLabel(rt::toQString("Descripción:"_cp), general);
  prompt->setObjectName("?PROMPT:TEX:DESCRIPCION");
  prompt->setBuddy(description);
  grid->addWidget(prompt, 0, 0);
  grid->addWidget(description, 0, 1);
  auto* text = new QPlainTextEdit(general);
  text->setObjectName("?TEX:NOTA");
  text->setAccessibleName("Nota");  // the box has no prompt of its own
  text->setTabChangesFocus(true);
  text->setMinimumHeight(units.y(120));
  grid->addWidget(text, 1, 0, 1, 2);
  grid->setRowStretch(1, 1);

  QPushButton* ok =
      core::namedButton(window, "?OK", "&OK", "Graba todas las modificaciones y cierra la ventana");
  ok->setStatusTip("Acepta y cierra.");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(core::namedButton(window, "?CANCEL", "&Cancelar",
                                       "Cancela las acciones y cierra la ventana"));
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(sheet, 1);
  layout->addLayout(buttons);

  fields().bind(description, "TEX:Descripcion", 4);
  fields().bind(text, "TEX:Nota", 5);
  return window;
}

int FormularioNotas() { return core::runWindow<NoteForm>(); }

}  // namespace organiser
