#include "letters/template_windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/aids/designed_font.h"
#include "core/aids/notes_toolbar.h"
#include "core/aids/patient_services.h"
#include "core/aids/window_parts.h"
#include "core/tables/catalog_tables.h"
#include "letters/macro_windows.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/base/text_order.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/message_box.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/rtf_reader.h"

namespace letters {
namespace {

using core::ColumnAlign;
using core::ListColumn;

constexpr auto& kTooLong =
    "El texto de la nota supera los 10.000 caracteres permitidos (incluido su formato).|"
    "Acórtelo para poder grabarla."_cp;

catalogs::CatalogListSpec makeListSpec() {
  catalogs::CatalogListSpec s;
  s.procedure = "ExaminarNotasConMacros";
  s.table = &core::NotasMacros::def;
  s.title = "Examinando el archivo de Notas con Macros";
  s.tab = "Por Descripción"_cp;
  s.key = core::NotasMacros::NMA02;
  s.locator = "NMA:Descripcion";
  s.locatorPrompt = "Descripción:"_cp;
  ListColumn text = catalogs::listColumn("NMA:Texto", "Texto", "@s255", 0);
  text.shownAs = core::notesAsText;
  s.columns = {catalogs::listColumn("NMA:Cod_NotaMacro", "Cód."_cp, "@n6", 32, ColumnAlign::Right),
               catalogs::listColumn("NMA:Descripcion", "Descripción"_cp, "@s120", 80), text,
               catalogs::listColumn("NMA:Inactivo", "Inactivo", "@n3", 0, ColumnAlign::Right)};
  s.listTip = "Examinando el archivo de NotasMacros";
  s.activeBox = "Solo Registros activos";
  s.activeCondition = "NMA:Inactivo = 0";
  s.activeAtStart = true;
  s.search = core::ListSearchSettings{
      {}, "No hay más ocurrencias."_cp, "No se ha definido el criterio de busqueda.", "Error"};
  s.queryName = "ExaminarNotasConMacros";
  s.wording = catalogs::Wording::Short;
  s.closeTip = s.closeStatus = "Cerrar la ventana";
  core::ExportSpec e;
  e.number = 9;
  e.fields = "1,2,3,4,";
  e.columns = {
      {"Cód."_cp, "@n6"}, {"Descripción"_cp, "@s120"}, {"Texto", "@s255"}, {"Inactivo", "@n3"}};
  e.fixedTitle = "Administrator the NotasMacros";
  e.mode = 0;
  s.exported = e;
  s.form = &FormularioNotasConMacros;
  return s;
}

void setTips(QWidget* control, const char* tip, const char* status = nullptr) {
  control->setToolTip(rt::toQString(tip));
  control->setStatusTip(rt::toQString(status ? status : tip));
}

}  // namespace

const catalogs::CatalogListSpec& templateListSpec() {
  static const catalogs::CatalogListSpec spec = makeListSpec();
  return spec;
}

// ---------------------------------------------------------------- the list

TemplateList::TemplateList() : catalogs::CatalogList(templateListSpec()) {}
TemplateList::~TemplateList() = default;

QWidget* TemplateList::buildWindow() {
  QWidget* window = catalogs::CatalogList::buildWindow();
  auto* list = window->findChild<QTableView*>("?BROWSE:1");
  QWidget* page = list->parentWidget();
  auto* holder = new QWidget(page);
  delete page->layout()->replaceWidget(list, holder);
  auto* row = new QHBoxLayout(holder);
  row->setContentsMargins(0, 0, 0, 0);
  list->setParent(holder);
  row->addWidget(list, 1);
  auto* group = new QGroupBox("Vista Previa:", holder);
  auto* preview = new QTextEdit(group);
  preview->setObjectName("?PREVIEW");
  preview->setReadOnly(true);
  preview->setFocusPolicy(Qt::ClickFocus);
  preview->setToolTip("Texto puro de la nota");
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  preview->setMinimumSize(units.size(180, 120));
  (new QVBoxLayout(group))->addWidget(preview);
  row->addWidget(group, 1);
  return window;
}

void TemplateList::OwnSetup() {
  catalogs::CatalogList::OwnSetup();
  preview_ = std::make_unique<rt::RtfControl>();
  preview_->attachControl(control<QTextEdit>("?PREVIEW"), 1, {});
  showPreview();
}

void TemplateList::showPreview() {
  if (!preview_ || !isOpen()) return;
  const core::ListRow* row = browser().selectedRow();
  const std::int64_t position = row ? row->position : 0;
  if (position == shown_) return;
  shown_ = position;
  std::string markup;
  // The current row's template in the thread's buffer, as a list leaves it.
  if (position != 0 && core::NotasMacros::table().fetchPosition(position) == 0) {
    markup = std::string(core::NMA().Texto.clipped());
  }
  preview_->setMarkup(markup);
}

int TemplateList::TakeEvent() {
  const int result = catalogs::CatalogList::TakeEvent();
  showPreview();
  return result;
}

int TemplateList::Kill() {
  if (preview_) preview_->release();
  return catalogs::CatalogList::Kill();
}

// ---------------------------------------------------------------- the form

TemplateForm::TemplateForm()
    : core::RecordForm("FormularioNotasConMacros", core::NotasMacros::def(), false) {
  setHistoryKey(core::kHistoryKeyH);
  CANCELACTION = core::cancel::AskCancel;
}

TemplateForm::~TemplateForm() = default;

QWidget* TemplateForm::buildWindow() {
  const auto [window, sheet, page] =
      core::formSheet("Actualizando un Registro de NotasMacros", "General");
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto* layout = new QVBoxLayout(page);

  auto* top = new QHBoxLayout;
  auto* prompt = new QLabel(rt::toQString("Descripción:"_cp), page);
  QLineEdit* description = core::namedEntry(page, "?NMA:DESCRIPCION", 120);
  setTips(description, "Descripción Breve de la Nota"_cp);
  description->setMinimumWidth(units.x(240));
  prompt->setBuddy(description);
  auto* inactive = new QCheckBox("Inactivo:", page);
  inactive->setObjectName("?NMA:INACTIVO");
  inactive->setLayoutDirection(Qt::RightToLeft);
  setTips(inactive, "Marca que indica que el registro está inactivo"_cp);
  top->addWidget(prompt);
  top->addWidget(description, 1);
  top->addWidget(inactive);
  layout->addLayout(top);
  fields().bind(description, "NMA:Descripcion", 1);
  fields().bind(inactive, "NMA:Inactivo", 2);

  auto* textGroup = new QGroupBox("Texto Base de la nota:", page);
  auto* text = new QTextEdit(textGroup);
  text->setObjectName("?NMA:TEXTO");
  text->setFont(QFont("Arial", 10));
  text->setToolTip("Texto puro de la nota");
  text->setMinimumSize(units.size(360, 150));
  editor_ = std::make_unique<rt::RtfControl>(&toolWindows_);
  core::NotesTools tools;
  tools.paste = true;
  tools.fontScript = false;
  auto* textLayout = new QVBoxLayout(textGroup);
  textLayout->addWidget(core::buildNotesToolBar(textGroup, *editor_, tools));
  textLayout->addWidget(text, 1);
  layout->addWidget(textGroup, 1);

  auto* legend = new QGroupBox("Macros Predefinidas:", page);
  auto* grid = new QGridLayout(legend);
  const char* lines[] = {"***PACNOMBRE*** : Nombre del paciente",
                         "***PACDOMICILIO*** : Domicilio del paciente",
                         "***PACLOCALIDAD*** : Localidad del paciente",
                         "***PACDOCUMENTO*** : D.N.I. del paciente",
                         "***PACCOBERTURA*** : Cobertura del paciente",
                         "***PACCARNET*** : Nº de Carnet del paciente"_cp,
                         "***PACEDAD*** : Edad del paciente",
                         "***FECHA*** : Fecha del dia"};
  for (int i = 0; i < 8; ++i)
    grid->addWidget(new QLabel(rt::toQString(lines[i]), legend), i % 4, i / 4);
  layout->addWidget(legend);

  auto* macroRow = new QHBoxLayout;
  QPushButton* insert = core::namedButton(page, "?INSERTARMACRO", "Insertar Macro (F2)");
  insert->setIcon(window->style()->standardIcon(QStyle::SP_FileDialogNewFolder));
  macroRow->addWidget(insert);
  auto* note = new QLabel(
      rt::toQString("A las macros insertadas, definidas manualmente, se les deberá cargar\n"
                    "un valor al momento de generar una nota puntual."_cp),
      page);
  macroRow->addWidget(note, 1);
  layout->addLayout(macroRow);

  QPushButton* ok = core::namedButton(window, "?OK", "&OK");
  ok->setIcon(window->style()->standardIcon(QStyle::SP_DialogOkButton));
  setTips(ok, "Aceptar los datos y cerrar la ventana");
  QPushButton* cancel = core::namedButton(window, "?CANCEL", "&Cancelar");
  cancel->setIcon(window->style()->standardIcon(QStyle::SP_DialogCancelButton));
  setTips(cancel, "Cancelar la operación"_cp);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* outer = new QVBoxLayout(window);
  outer->addWidget(sheet, 1);
  outer->addLayout(buttons);
  return window;
}

void TemplateForm::OwnSetup() {
  FIRSTFIELD = control("?NMA:DESCRIPCION");
  OKCONTROL = "?OK";
  window()->setWindowTitle(rt::toQString(catalogs::titleOfRequest(REQUEST)));
  alertKey(Qt::Key_F2);
  editor_->attachControl(control<QTextEdit>("?NMA:TEXTO"), 1, {});
  storedMarkup_ = std::string(core::NMA().Texto.clipped());
  editor_->setMarkup(storedMarkup_);
  loadedMarkup_ = editor_->markup();
  if (viewing()) {
    control<QLineEdit>("?NMA:DESCRIPCION")->setReadOnly(true);
    core::lockNotesToolBar(control("?NOTESTOOLBAR"));
    control("?INSERTARMACRO")->setEnabled(false);
  }
}

bool TemplateForm::RestoreField(QWidget* control, rt::RecordBuffer& from) {
  if (control == nullptr || control != this->control("?NMA:TEXTO")) {
    return core::RecordForm::RestoreField(control, from);
  }
  const rt::TableDef& def = core::NotasMacros::def();
  editor_->setMarkup(
      rt::clip(rt::fieldText(def.fields[def.fieldIndex("NMA:Texto")], from.record())));
  return true;
}

bool TemplateForm::takeText() {
  // A text left as it was keeps its stored markup: written again by the
  // editor it could come out longer than the record holds.
  std::string markup = editor_->markup();
  if (markup == loadedMarkup_) {
    // The buffer may hold a cut text from a close that was not confirmed.
    core::NMA().Texto = storedMarkup_;
    return true;
  }
  if (markup.size() > kTemplateLimit) return false;
  core::NMA().Texto = markup;
  return true;
}

bool TemplateForm::textFits() {
  if (takeText()) return true;
  rt::showMessage({kTooLong,
                   "Texto Base de la nota",
                   rt::MessageIcon::Warning,
                   rt::button::Ok,
                   {},
                   rt::button::Ok});
  if (QWidget* text = control("?NMA:TEXTO")) text->setFocus();
  return false;
}

void TemplateForm::InsertarMacro() {
  Update();
  takeText();
  core::Macros::table().clear();
  rt::ThreadRequest() = core::request::Select;
  ExaminarMacros();
  if (core::MAC().Cod_Macro == 0) return;  // closed without a choice
  std::string identifier(rt::clip(core::MAC().Identificador.view()));
  identifier.erase(0, identifier.find_first_not_of(' '));
  QApplication::clipboard()->setText(rt::toQString("***" + rt::upper(identifier) + "***"));
  post(rt::event::Accepted, control("?RTFPASTE"));
}

int TemplateForm::TakeEvent() {
  if (editor_) editor_->takeEvent(*this);
  if (event() == rt::event::AlertKey && keyCode() == Qt::Key_F2) {
    if (QWidget* insert = control("?INSERTARMACRO"); insert && insert->isEnabled()) InsertarMacro();
    return rt::level::Benign;
  }
  return core::RecordForm::TakeEvent();
}

int TemplateForm::TakeAccepted() {
  QWidget* accepted = field();
  const std::string name = accepted ? rt::fromQString(accepted->objectName()) : std::string();
  if (name == "?OK" && !viewing() && !textFits()) return rt::level::Benign;
  if (name == "?INSERTARMACRO") {
    InsertarMacro();
    return rt::level::Benign;
  }
  return core::RecordForm::TakeAccepted();
}

int TemplateForm::TakeCloseEvent() {
  if (!viewing() && !takeText()) {
    // A text over the limit is a change the record cannot hold: the question
    // about cancelling is asked as for any change.
    core::NMA().Texto = editor_->markup().substr(0, kTemplateLimit);
  }
  return core::RecordForm::TakeCloseEvent();
}

int TemplateForm::Kill() {
  if (editor_) editor_->release();
  return core::RecordForm::Kill();
}

// ---------------------------------------------------------------- procedures

int ExaminarNotasConMacros() { return core::runWindow<TemplateList>(); }

int FormularioNotasConMacros() { return core::runWindow<TemplateForm>(); }

}  // namespace letters
