#include "letters/letter_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/aids/control_colouring.h"
#include "core/aids/designed_font.h"
#include "core/aids/notes_toolbar.h"
#include "core/aids/window_parts.h"
#include "core/shapes/record_form.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "letters/letter_reports.h"
#include "letters/template_windows.h"
#include "platform/base/cp_literal.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/message_box.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/rtf_writer.h"

namespace letters {
namespace {

// The longest value a user macro holds (`MAC:Valor`).
constexpr int kValueWidth = 255;

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

QString shown(std::string_view text) { return rt::toQString(trimmed(text)); }

std::uint16_t codeOf(QLineEdit* entry) {
  const long long value = std::atoll(rt::deformat(rt::fromQString(entry->text()), "@n6").c_str());
  return static_cast<std::uint16_t>(std::clamp<long long>(value, 0, 65535));
}

QLineEdit* codeEntry(QWidget* parent, const char* name, const char* tip,
                     const rt::DialogUnits& units) {
  QLineEdit* entry = core::namedEntry(parent, name, 6, tip);
  entry->setAlignment(Qt::AlignRight);
  entry->setMaximumWidth(units.x(36));
  return entry;
}

QLineEdit* nameDisplay(QWidget* parent, const char* name) {
  QLineEdit* display = core::namedEntry(parent, name);
  display->setReadOnly(true);
  display->setFocusPolicy(Qt::NoFocus);
  return display;
}

QPushButton* lookupButton(QWidget* parent, const char* name, const char* key) {
  QPushButton* b = core::namedButton(parent, name, key);
  b->setIcon(parent->style()->standardIcon(QStyle::SP_FileDialogContentsView));
  return b;
}

constexpr const char* kCodeEntries[] = {"?COD_NOTAMACRO", "?COD_PACIENTE", "?COD_MEDICO"};
constexpr const char* kLookupButtons[] = {"?LOOKUPNOTA", "?LOOKUPPACIENTE", "?LOOKUPMEDICO"};
constexpr int kLookupKeys[] = {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4};

// ---------------------------------------------------------------- EditaValor

class ValueDialog : public core::AidedWindow {
 public:
  ValueDialog(std::string descripcion, std::string identificador, std::string valor)
      : AidedWindow("EditaValor"),
        DESCRIPCION(std::move(descripcion)),
        IDENTIFICADOR(std::move(identificador)),
        VALOR(std::move(valor)),
        kept_(VALOR) {}

  int Init() override {
    AidedWindow::Init();
    rt::ThreadRequest() = 0;
    rt::ThreadResponse() = 0;
    auto* window = new QWidget(nullptr, Qt::Dialog);
    window->setFont(core::designedWindowFont());
    window->setWindowTitle(rt::toQString("Edición de Valor de Macro"_cp));
    const rt::DialogUnits units = rt::DialogUnits::of(window);
    auto* sheet = new QTabWidget(window);
    auto* page = new QWidget;
    sheet->addTab(page, "General");
    auto* grid = new QGridLayout(page);
    QLineEdit* description = nameDisplay(page, "?DESCRIPCION");
    description->setText(shown(DESCRIPCION));
    description->setMinimumWidth(units.x(240));
    QLineEdit* identifier = nameDisplay(page, "?IDENTIFICADOR");
    identifier->setText(shown(IDENTIFICADOR));
    // The entry takes what the macro's record holds.
    QLineEdit* value = core::namedEntry(
        page, "?VALOR", kValueWidth, "Valor para reemplazar por la macro en el texto de la nota");
    value->setText(rt::toQString(VALOR));
    value->setCursorPosition(0);
    grid->addWidget(description, 0, 0);
    grid->addWidget(identifier, 1, 0);
    grid->addWidget(value, 2, 0);
    QPushButton* ok = core::namedButton(window, "?OK", "&OK");
    ok->setIcon(window->style()->standardIcon(QStyle::SP_DialogOkButton));
    ok->setDefault(true);
    QPushButton* cancel = core::namedButton(window, "?CANCEL", "&Cancelar");
    cancel->setIcon(window->style()->standardIcon(QStyle::SP_DialogCancelButton));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(sheet);
    layout->addLayout(buttons);
    Open(window);
    core::ColorearControles(window);
    setUpAids(window);
    value->setFocus();
    return rt::level::Benign;
  }

  int TakeEvent() override {
    // Enter in the value is "&OK".
    if (event() == rt::event::Accepted && field() == control("?VALOR")) {
      post(rt::event::Accepted, control("?OK"));
      return rt::level::Benign;
    }
    return rt::WindowDriver::TakeEvent();
  }

  int TakeAccepted() override {
    const std::string name = field() ? rt::fromQString(field()->objectName()) : std::string();
    if (name == "?OK") {
      VALOR = rt::fromQString(control<QLineEdit>("?VALOR")->text());
      Response = rt::kCompleted;
      return rt::level::Fatal;
    }
    if (name == "?CANCEL") {
      VALOR = kept_;  // the value as it came, whole
      Response = rt::kCancelled;
      return rt::level::Fatal;
    }
    return rt::WindowDriver::TakeAccepted();
  }

  std::string DESCRIPCION;
  std::string IDENTIFICADOR;
  std::string VALOR;

 private:
  std::string kept_;
};

}  // namespace

std::string EditaValor(const std::string& descripcion, const std::string& identificador,
                       const std::string& valor) {
  ValueDialog dialog(descripcion, identificador, valor);
  dialog.Run();
  return dialog.VALOR;
}

// ---------------------------------------------------------------- the window

LetterWindow::LetterWindow() : AidedWindow("CrearNotaConMacro") {}
LetterWindow::~LetterWindow() = default;

int LetterWindow::Init() {
  AidedWindow::Init();
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  for (const rt::TableDef* def : {&core::Coberturas_Medicas::def(), &core::Macros::def()}) {
    core::relate(*def).open();
  }
  for (const rt::TableDef* def :
       {&core::NotasMacros::def(), &core::Pacientes::def(), &core::Medicos::def(),
        &core::Localidades::def(), &core::Especialidades::def()}) {
    core::access(*def).open();
  }
  TextoNotaMacro.clear();

  const auto [window, sheet, page] =
      core::formSheet("Edición de Nota (Con marcos...)", "General", Qt::Window);
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto* layout = new QVBoxLayout(page);

  auto* top = new QHBoxLayout;
  top->addWidget(new QLabel("Nota:", page));
  top->addWidget(
      codeEntry(page, "?COD_NOTAMACRO", "Código interno de la Nota con Macro"_cp, units));
  top->addWidget(lookupButton(page, "?LOOKUPNOTA", "F2"));
  top->addWidget(nameDisplay(page, "?DESCRIPCION"), 1);
  QPushButton* confirm = core::namedButton(page, "?CONFIRMAR", "Confirmar...");
  confirm->setIcon(window->style()->standardIcon(QStyle::SP_DialogApplyButton));
  top->addWidget(confirm);
  layout->addLayout(top);

  auto* textGroup = new QGroupBox("Texto:", page);
  auto* text = new QTextEdit(textGroup);
  text->setObjectName("?TEXTONOTAMACRO");
  text->setFont(QFont("Arial", 10));
  text->setMinimumSize(units.size(300, 110));
  letter_ = std::make_unique<rt::RtfControl>(&toolWindows_);
  core::NotesTools tools;
  tools.find = tools.clipboard = tools.paste = true;
  tools.fontScript = false;
  auto* textLayout = new QVBoxLayout(textGroup);
  textLayout->addWidget(core::buildNotesToolBar(textGroup, *letter_, tools));
  textLayout->addWidget(text, 1);
  layout->addWidget(textGroup, 1);

  // Below the letter: who it is about and what it does on the left, the
  // values of its macros on the right.
  auto* bottom = new QHBoxLayout;
  auto* side = new QVBoxLayout;
  auto* people = new QGridLayout;
  people->addWidget(new QLabel("Paciente:", page), 0, 0);
  people->addWidget(codeEntry(page, "?COD_PACIENTE", "Código de Paciente"_cp, units), 0, 1);
  people->addWidget(lookupButton(page, "?LOOKUPPACIENTE", "F3"), 0, 2);
  people->addWidget(nameDisplay(page, "?NOMBREPACIENTE"), 0, 3);
  people->addWidget(new QLabel(rt::toQString("Médico:"_cp), page), 1, 0);
  people->addWidget(codeEntry(page, "?COD_MEDICO", "Codigo Interno del Médico"_cp, units), 1, 1);
  people->addWidget(lookupButton(page, "?LOOKUPMEDICO", "F4"), 1, 2);
  people->addWidget(nameDisplay(page, "?NOMBREMEDICO"), 1, 3);
  people->setColumnStretch(3, 1);
  side->addLayout(people);
  side->addStretch();
  QPushButton* process = core::namedButton(page, "?PROCESAR", "Procesar las Macros");
  process->setIcon(window->style()->standardIcon(QStyle::SP_DialogApplyButton));
  side->addWidget(process);
  auto* prints = new QHBoxLayout;
  QPushButton* normal = core::namedButton(page, "?IMPRIMIRNORMAL", "&Imprimir... (Normal)");
  normal->setIcon(window->style()->standardIcon(QStyle::SP_FileDialogStart));
  prints->addWidget(normal);
  QPushButton* letterhead =
      core::namedButton(page, "?IMPRIMIRMEMBRETE", "&Imprimir... (P. Membretado)");
  letterhead->setIcon(window->style()->standardIcon(QStyle::SP_FileDialogStart));
  prints->addWidget(letterhead);
  side->addLayout(prints);
  bottom->addLayout(side, 1);
  auto* macros = new QGroupBox("Macros:", page);
  auto* list = new QTableWidget(0, 3, macros);
  list->setObjectName("?QMA");
  list->setHorizontalHeaderLabels({rt::toQString("Descripción"_cp), "Valor", "Identificador"});
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->verticalHeader()->hide();
  list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
  list->setColumnWidth(0, units.x(80));
  list->setColumnWidth(1, units.x(100));
  list->horizontalHeader()->setStretchLastSection(true);
  list->setMinimumSize(units.size(290, 60));
  auto* macrosLayout = new QHBoxLayout(macros);
  macrosLayout->addWidget(list, 1);
  QPushButton* change = core::namedButton(macros, "?MODIFICAR", "&Modificar");
  change->setIcon(window->style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  macrosLayout->addWidget(change, 0, Qt::AlignTop);
  bottom->addWidget(macros, 1);
  layout->addLayout(bottom);

  QPushButton* close = core::namedButton(window, "?CLOSE", "&Cerrar");
  close->setIcon(window->style()->standardIcon(QStyle::SP_DialogCloseButton));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  auto* outer = new QVBoxLayout(window);
  outer->addWidget(sheet, 1);
  outer->addLayout(buttons);

  Open(window);
  letter_->attachControl(text, 1, {});
  for (int key : kLookupKeys) alertKey(key);
  core::ColorearControles(window);
  setUpAids(window);
  display();
  return rt::level::Benign;
}

int LetterWindow::Kill() {
  if (letter_) letter_->release();
  const int result = AidedWindow::Kill();
  for (const rt::TableDef* def : {&core::Coberturas_Medicas::def(), &core::Macros::def()}) {
    core::relate(*def).close();
  }
  for (const rt::TableDef* def :
       {&core::NotasMacros::def(), &core::Pacientes::def(), &core::Medicos::def(),
        &core::Localidades::def(), &core::Especialidades::def()}) {
    core::access(*def).close();
  }
  return result;
}

void LetterWindow::takeValues() {
  COD_NOTAMACRO = codeOf(control<QLineEdit>("?COD_NOTAMACRO"));
  COD_PACIENTE = codeOf(control<QLineEdit>("?COD_PACIENTE"));
  COD_MEDICO = codeOf(control<QLineEdit>("?COD_MEDICO"));
  // The letter as edited; left as shown, it keeps its own markup.
  const std::string edited = letter_->markup();
  if (edited != shownMarkup_) TextoNotaMacro = edited;
}

void LetterWindow::display() {
  auto code = [](std::uint16_t c) { return c == 0 ? QString("0") : QString::number(c); };
  control<QLineEdit>("?COD_NOTAMACRO")->setText(code(COD_NOTAMACRO));
  control<QLineEdit>("?DESCRIPCION")->setText(shown(DESCRIPCION));
  control<QLineEdit>("?COD_PACIENTE")->setText(code(COD_PACIENTE));
  control<QLineEdit>("?NOMBREPACIENTE")->setText(shown(NOMBREPACIENTE));
  control<QLineEdit>("?COD_MEDICO")->setText(code(COD_MEDICO));
  control<QLineEdit>("?NOMBREMEDICO")->setText(shown(NOMBREMEDICO));
  if (TextoNotaMacro != shownLetter_) {
    letter_->setMarkup(TextoNotaMacro);
    shownLetter_ = TextoNotaMacro;
    shownMarkup_ = letter_->markup();
  }
  showMacros();
}

void LetterWindow::showMacros() {
  auto* list = control<QTableWidget>("?QMA");
  const int current = list->currentRow();
  list->setRowCount(static_cast<int>(QMA.size()));
  for (int r = 0; r < static_cast<int>(QMA.size()); ++r) {
    const MacroRow& row = QMA[static_cast<std::size_t>(r)];
    const std::string cells[] = {row.DESCRIPCION, row.VALOR, row.IDENTIFICADOR};
    for (int c = 0; c < 3; ++c) {
      auto* item = list->item(r, c);
      if (item == nullptr) list->setItem(r, c, item = new QTableWidgetItem);
      item->setText(shown(cells[c]));
    }
  }
  if (current < 0 && !QMA.empty()) list->setCurrentCell(0, 0);
}

void LetterWindow::lookUp(Code which, bool fromButton) {
  takeValues();
  const int index = static_cast<int>(which);
  std::uint16_t& code = which == Code::Template  ? COD_NOTAMACRO
                        : which == Code::Patient ? COD_PACIENTE
                                                 : COD_MEDICO;
  std::string& name = which == Code::Template  ? DESCRIPCION
                      : which == Code::Patient ? NOMBREPACIENTE
                                               : NOMBREMEDICO;
  const rt::TableDef& def = which == Code::Template  ? core::NotasMacros::def()
                            : which == Code::Patient ? core::Pacientes::def()
                                                     : core::Medicos::def();
  auto setCode = [which](std::uint16_t c) {
    if (which == Code::Template)
      core::NMA().Cod_NotaMacro = c;
    else if (which == Code::Patient)
      core::PAC().Cod_Paciente = c;
    else
      core::MDC().Cod_Medico = c;
  };
  auto readBack = [which, &code, &name] {
    if (which == Code::Template) {
      code = core::NMA().Cod_NotaMacro;
      name = std::string(core::NMA().Descripcion.clipped());
    } else if (which == Code::Patient) {
      code = core::PAC().Cod_Paciente;
      name = std::string(core::PAC().Nombre.clipped());
    } else {
      code = core::MDC().Cod_Medico;
      name = std::string(core::MDC().Nombre.clipped());
    }
  };
  const int key = which == Code::Template  ? static_cast<int>(core::NotasMacros::NMA01)
                  : which == Code::Patient ? static_cast<int>(core::Pacientes::PAS_001)
                                           : static_cast<int>(core::Medicos::MDC01);
  if (!fromButton) {
    if (code == 0) return display();
    rt::table(def).clear();
    setCode(code);
    if (core::access(def).fetchByKey(key) == core::level::Benign) {
      readBack();
      return display();
    }
  } else {
    setCode(code);
  }
  rt::ThreadRequest() = core::request::Select;
  const int answer = which == Code::Template  ? ExaminarNotasConMacros()
                     : which == Code::Patient ? rt::callProcedure("ExaminarPacientes")
                                              : rt::callProcedure("ExaminarMedicos");
  if (answer == rt::kCompleted) {
    readBack();
  } else if (!fromButton) {
    name.clear();
    display();
    control(kCodeEntries[index])->setFocus();
    return;
  }
  display();
}

void LetterWindow::Confirmar() {
  takeValues();
  rt::table(core::NotasMacros::def()).clear();
  core::NMA().Cod_NotaMacro = COD_NOTAMACRO;
  // A code without a template gives an empty letter and no macros.
  core::access(core::NotasMacros::def()).fetchOrClear(core::NotasMacros::NMA01);
  // Written again as the editors write it: a reference that the program the
  // template came from split across formatting runs is found whole.
  const std::string text = rt::rewrittenRtf(core::NMA().Texto.clipped());
  ArmarListaMacros(text, QMA, findMacroRecord);
  TextoNotaMacro = text;
  display();
}

void LetterWindow::Modificar() {
  takeValues();
  auto* list = control<QTableWidget>("?QMA");
  const int at = list->currentRow();
  const bool listed = at >= 0 && at < static_cast<int>(QMA.size());
  if (listed) rowBuffer_ = QMA[static_cast<std::size_t>(at)];
  rowBuffer_.VALOR = EditaValor(rowBuffer_.DESCRIPCION, rowBuffer_.IDENTIFICADOR, rowBuffer_.VALOR);
  if (!listed) return;
  QMA[static_cast<std::size_t>(at)] = rowBuffer_;
  showMacros();
  // A macro that keeps its value is offered it again in the next letters.
  core::TableAccess& macros = core::access(core::Macros::def());
  macros.table().clear();
  core::MAC().Identificador = rowBuffer_.IDENTIFICADOR;
  if (macros.fetchByKey(core::Macros::MAC03) != core::level::Benign ||
      core::MAC().ConservarValor != 1)
    return;
  core::MAC().Valor = rowBuffer_.VALOR;
  macros.table().put();
}

void LetterWindow::ProcesarMacros() {
  takeValues();
  const SubstitutionResult result = ReemplazarMacros(TextoNotaMacro, QMA, COD_PACIENTE, COD_MEDICO);
  if (!result.completed) {
    rt::showMessage({runawayMessage(result.runaway),
                     "Procesar las Macros",
                     rt::MessageIcon::Warning,
                     rt::button::Ok,
                     {},
                     rt::button::Ok});
  }
  display();
}

void LetterWindow::Imprimir(bool letterhead) {
  takeValues();
  // The report prints the letter as it is now: later edits, or closing this
  // window, do not change what it prints.
  std::string letter = TextoNotaMacro;
  rt::start([letterhead, letter = std::move(letter)]() mutable {
    if (letterhead) {
      ReporteNotaConMacroMembrete(std::move(letter));
    } else {
      ReporteNotaConMacroNormal(std::move(letter));
    }
  });
  display();
}

int LetterWindow::TakeEvent() {
  if (letter_) letter_->takeEvent(*this);
  if (event() == rt::event::AlertKey) {
    for (int i = 0; i < 3; ++i) {
      if (keyCode() == kLookupKeys[i]) {
        lookUp(static_cast<Code>(i), true);
        return rt::level::Benign;
      }
    }
  }
  return rt::WindowDriver::TakeEvent();
}

int LetterWindow::TakeAccepted() {
  QWidget* accepted = field();
  if (accepted == nullptr) return rt::WindowDriver::TakeAccepted();
  const std::string name = rt::fromQString(accepted->objectName());
  for (int i = 0; i < 3; ++i) {
    if (name == kCodeEntries[i]) {
      lookUp(static_cast<Code>(i), false);
      return rt::level::Benign;
    }
    if (name == kLookupButtons[i]) {
      lookUp(static_cast<Code>(i), true);
      return rt::level::Benign;
    }
  }
  if (name == "?CONFIRMAR") {
    Confirmar();
  } else if (name == "?MODIFICAR" || name == "?QMA") {
    Modificar();
  } else if (name == "?PROCESAR") {
    ProcesarMacros();
  } else if (name == "?IMPRIMIRNORMAL") {
    Imprimir(false);
  } else if (name == "?IMPRIMIRMEMBRETE") {
    Imprimir(true);
  } else if (name == "?CLOSE") {
    Response = rt::kCompleted;
    return rt::level::Fatal;
  }
  return rt::level::Benign;
}

int CrearNotaConMacro() {
  LetterWindow window;
  return window.Run();
}

}  // namespace letters
