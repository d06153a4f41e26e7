#include "organiser/topic_windows.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/aids/calendar_popup.h"
#include "core/aids/designed_font.h"
#include "core/aids/patient_services.h"
#include "core/aids/window_parts.h"
#include "core/shapes/query_by_example.h"
#include "core/tables/catalog_tables.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/logical_threads.h"
#include "platform/base/message_hook.h"
#include "platform/base/paths.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/file_chooser.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/report_pages.h"

namespace organiser {
namespace {

constexpr std::size_t kPathWidth = 255;
constexpr char kPathTooLong[] =
    "El nombre del archivo elegido es demasiado largo para guardarlo (hasta 255 caracteres).";

QLineEdit* formEntry(QWidget* parent, const char* name, const char* picture, const char* tip) {
  QLineEdit* e = core::namedEntry(parent, name, 0, tip);
  e->setStatusTip(rt::toQString(tip));
  rt::setPicture(e, picture);
  const rt::Picture p = rt::parsePicture(picture);
  if (p.kind == rt::PictureKind::String && p.size > 0) e->setMaxLength(p.size);
  return e;
}

// The face the notes boxes were designed in, or the installed one that stands for it.
QFont notesFont(double points) {
  QFont font(rt::reportFontFamily("LettrGoth12 BT"));
  font.setPointSizeF(points);
  return font;
}

}  // namespace

void tintByPosition(std::vector<core::ListRow>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const bool even = (i + 1) % 2 == 0;  // positions count from 1
    for (core::CellColours& c : rows[i].colours) {
      c = even ? core::CellColours{0, kTopicTint, -1, -1} : core::CellColours{};
    }
  }
}

core::ExportSpec topicListExport() {
  core::ExportSpec spec;
  spec.number = 3;
  spec.fields = "1,6,11,16,";
  spec.columns = {{"Fecha", "@d5"}, {"Hora", "@t7"}, {"Asunto", "@s120"}, {"Notas", "@s255"}};
  spec.mode = 0;
  return spec;
}

TopicList::TopicList() : core::ListWindow("ExaminarTemas", core::Temas::def()) {}

QWidget* TopicList::buildWindow() {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setFont(core::designedWindowFont());
  window->setWindowTitle("Examinando el archivo de Notas");
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  auto* hint = new QLabel(rt::toQString("Ctrl-B: Buscar - F3: Próximo..."_cp), window);
  hint->setObjectName("?STRING1");
  QFont bold = hint->font();
  bold.setBold(true);
  hint->setFont(bold);

  auto* sheet = new QTabWidget(window);
  sheet->setObjectName("?SHEET1");
  auto* tab = new QWidget;
  tab->setObjectName("?TAB1");
  sheet->addTab(tab, "Por Fecha y Hora:");
  auto* active = new QCheckBox("Solo Notas Activas", tab);
  active->setObjectName("?SOLOACTIVOS");
  active->setChecked(true);
  auto* list = new QTableView(tab);
  list->setObjectName("?BROWSE:5");
  list->setMinimumSize(units.size(200, 110));
  auto* top = new QHBoxLayout;
  top->addWidget(active);
  top->addStretch();
  auto* tabLayout = new QVBoxLayout(tab);
  tabLayout->addLayout(top);
  tabLayout->addWidget(list, 1);

  auto* group = new QGroupBox("Nota:", window);
  group->setObjectName("?GROUP1");
  auto* notes = new QPlainTextEdit(group);
  notes->setObjectName("?TEM:NOTAS");
  // Topics change through their form: the box only shows the notes.
  notes->setReadOnly(true);
  notes->setFont(notesFont(10));
  notes->setMinimumHeight(units.y(50));
  (new QVBoxLayout(group))->addWidget(notes);

  const char* queryTip =
      "Edita las condiciones de Filtro para realizar consultas sobre la vista de base de datos "
      "actual";
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(core::namedButton(window, "?QUERY:2", "C&onsulta", queryTip,
                                       "Acceso al Subsistema de Consultas"));
  buttons->addWidget(core::namedButton(
      window, "?INSERT:6", "&Agregar",
      "Agrega un registro a la base de datos a traves del acceso al formulario correspondiente.",
      "Agregar un registro"));
  buttons->addWidget(core::namedButton(
      window, "?CHANGE:6", "&Modificar",
      "Accede a la ventana de Modificación con el registro actualmente resaltado"_cp,
      "Modifica el registro"));
  buttons->addWidget(core::namedButton(
      window, "?DELETE:6", "&Borrar",
      "Accede a la ventana de Eliminación con el registro actualmente resaltado"_cp,
      "Borra el registro seleccionado"));
  buttons->addWidget(core::namedButton(window, "?KOVEXPORTAR", "E&xportar"));
  buttons->addWidget(core::namedButton(window, "?BUTTON10:2", "Imprimir datos en pantalla"));
  buttons->addStretch();
  buttons->addWidget(core::namedButton(window, "?CLOSE", "&Cerrar", "Cierra la ventana"));

  auto* layout = new QVBoxLayout(window);
  layout->addWidget(hint);
  layout->addWidget(sheet, 3);
  layout->addWidget(group, 1);
  layout->addLayout(buttons);
  return window;
}

void TopicList::setUpBrowser(core::ListBrowser& b) {
  QWidget* window = b.list()->window();
  b.AddSortOrder("Por Fecha y Hora:", core::Temas::TEM_006);
  using core::ColumnAlign;
  auto column = [&b](const char* field, const char* title, const char* picture, int width,
                     ColumnAlign align) {
    core::ListColumn c;
    c.field = field;
    c.title = title;
    c.picture = picture;
    c.width = width;
    c.align = align;
    c.colored = true;
    b.AddColumn(std::move(c));
  };
  column("TEM:Fecha", "Fecha", "@d5", 36, ColumnAlign::Right);
  column("TEM:Hora", "Hora", "@t7", 23, ColumnAlign::Right);
  column("TEM:Asunto", "Asunto", "@s120", 120, ColumnAlign::Left);
  column("TEM:Notas", "Notas", "@s255", 0, ColumnAlign::Left);
  b.AddHiddenColumn("TEM:NroInternoTema");
  b.colourQueue = tintByPosition;
  setActiveFilter(window->findChild<QCheckBox*>("?SOLOACTIVOS"), "TEM:Inactivo = 0");
  setExport(window->findChild<QPushButton*>("?KOVEXPORTAR"), topicListExport());
}

void TopicList::OwnSetup() {
  browser().query = [this] { runQuery(); };
  showNotes();
}

std::optional<core::ListSearchSettings> TopicList::searchSettings() const {
  return core::ListSearchSettings{
      {}, "No hay más ocurrencias."_cp, "No search criteria specified.", "Error"};
}

void TopicList::runQuery() {
  // The other entries the query once offered name no field of the topics.
  core::QueryByExample query({{"Fecha de la nota", "@d17", "TEM:Fecha"}}, "ExaminarTemas");
  const std::optional<std::string> condition = query.Ask();
  if (!condition) return;
  core::ListBrowser& b = browser();
  b.SetFilter(*condition, core::kQueryFilterId);
  b.ApplyFilter();
  b.ResetView();
  b.list()->setFocus();
}

void TopicList::showNotes() {
  auto* box = control<QPlainTextEdit>("?TEM:NOTAS");
  if (box == nullptr) return;
  const core::ListRow* row = browser().selectedRow();
  const std::int64_t position = row ? row->position : 0;
  if (position == shown_) return;
  shown_ = position;
  box->setPlainText(position != 0 && browser().UpdateViewRecord() ? rt::toQString(core::TEM().Notas)
                                                                  : QString());
}

int TopicList::TakeEvent() {
  // A new selection may be the same topic changed through the form.
  if (event() == rt::event::NewSelection) shown_ = -1;
  const int result = core::ListWindow::TakeEvent();
  // Whatever moved the selection (a click, a key, a reload, a search), the
  // box follows it.
  if (result != rt::level::Fatal && isOpen()) showNotes();
  return result;
}

int TopicList::TakeAccepted() {
  QWidget* accepted = field();
  if (accepted != nullptr && rt::fromQString(accepted->objectName()) == "?BUTTON10:2") {
    // The report runs on a thread of its own with the view's filter and
    // order as they are now; the list stays usable meanwhile.
    core::ListBrowser& b = browser();
    rt::start("ReporteTemasFiltrado", {b.filterText(), b.orderText()});
    b.ResetFromView();
    shown_ = -1;
    return rt::level::Benign;
  }
  return core::ListWindow::TakeAccepted();
}

void TopicList::callForm() { rt::callProcedure("FormularioTemas"); }

int ExaminarTemas() { return core::runWindow<TopicList>(); }

TopicForm::TopicForm() : core::RecordForm("FormularioTemas", core::Temas::def(), true) {
  CANCELACTION = core::cancel::AskSave;
}

QWidget* TopicForm::buildWindow() {
  const auto [window, sheet, general] = core::formSheet("Actualizando una Nota (Temas)", "General");
  auto* grid = new QGridLayout(general);
  grid->setColumnStretch(1, 1);
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto prompt = [general](const char* name, const char* text, QWidget* buddy) {
    auto* label = new QLabel(rt::toQString(text), general);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
  };

  QLineEdit* date = formEntry(general, "?TEM:FECHA", "@d17", "Fecha de creación del tema"_cp);
  date->setMaximumWidth(units.x(50));
  QPushButton* calendar = core::namedButton(general, "?POPCALENDAR", "", "Elija Fecha");
  calendar->setIcon(calendar->style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  calendar->setFocusPolicy(Qt::ClickFocus);
  QLineEdit* time = formEntry(general, "?TEM:HORA", "@t7", "Hora de Creación de la nota"_cp);
  time->setMaximumWidth(units.x(35));
  auto* inactive = new QCheckBox("Inactivo", general);
  inactive->setObjectName("?TEM:INACTIVO");
  inactive->setToolTip(rt::toQString("Bandera que indica que el registro está inactivo"_cp));
  inactive->setStatusTip(inactive->toolTip());
  auto* when = new QHBoxLayout;
  when->addWidget(date);
  when->addWidget(calendar);
  when->addSpacing(units.x(10));
  when->addWidget(prompt("?PROMPT:TEM:HORA", "Hora:", time));
  when->addWidget(time);
  when->addStretch();
  when->addWidget(inactive);
  grid->addWidget(prompt("?PROMPT:TEM:FECHA", "Fecha:", date), 0, 0);
  grid->addLayout(when, 0, 1);

  QLineEdit* subject = formEntry(general, "?TEM:ASUNTO", "@s120", "Asunto de la Nota");
  subject->setMinimumWidth(units.x(240));
  grid->addWidget(prompt("?TEM:ASUNTO:PROMPT", "Asunto:", subject), 1, 0);
  grid->addWidget(subject, 1, 1);

  QLineEdit* path = formEntry(general, "?TEM:ARCHIVO_ADJUNTO", "@s255",
                              "Nombre del archivo adjunto relacionado con el tema");
  QPushButton* pick =
      core::namedButton(general, "?LOOKUPFILE", "...", "Seleccione el archivo adjunto");
  pick->setMaximumWidth(units.x(16));
  QPushButton* open = core::namedButton(general, "?ABRIR", "", "Abrir el archivo adjunto");
  open->setIcon(open->style()->standardIcon(QStyle::SP_DialogOpenButton));
  auto* file = new QHBoxLayout;
  file->addWidget(path, 1);
  file->addWidget(pick);
  file->addWidget(open);
  grid->addWidget(prompt("?PROMPT:TEM:ARCHIVO_ADJUNTO", "Adjunto:", path), 2, 0);
  grid->addLayout(file, 2, 1);

  auto* group = new QGroupBox("Notas", general);
  group->setObjectName("?GROUP1");
  auto* notes = new QPlainTextEdit(group);
  notes->setObjectName("?TEM:NOTAS");
  notes->setTabChangesFocus(true);
  notes->setFont(notesFont(9));
  notes->setMinimumHeight(units.y(90));
  (new QVBoxLayout(group))->addWidget(notes);
  grid->addWidget(group, 3, 0, 1, 2);
  grid->setRowStretch(3, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(core::namedButton(window, "?OK", "&OK"));
  buttons->addWidget(core::namedButton(window, "?CANCEL", "&Cancelar"));
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(sheet, 1);
  layout->addLayout(buttons);

  fields().bind(date, "TEM:Fecha", 4);
  fields().bind(time, "TEM:Hora", 7);
  fields().bind(inactive, "TEM:Inactivo", 8);
  fields().bind(subject, "TEM:Asunto", 10);
  fields().bind(path, "TEM:Archivo_Adjunto", 12);
  fields().bind(notes, "TEM:Notas", 16);
  return window;
}

int TopicForm::PrimeUpdate() {
  if (REQUEST != core::request::Insert) return core::RecordForm::PrimeUpdate();
  // A new topic starts at today's date and the current time; the table
  // gives it its code.
  core::TableAccess& access = PRIMARY->access();
  access.primeRecord();
  core::TEM().Fecha = rt::today();
  core::TEM().Hora = rt::clockTime();
  return access.insertNumbered() == core::level::Benign ? rt::level::Benign : rt::level::Notify;
}

void TopicForm::OwnSetup() {
  if (viewing()) {
    control("?POPCALENDAR")->setEnabled(false);
    control("?LOOKUPFILE")->setEnabled(false);
  }
}

void TopicForm::pickFile() {
  Update();
  rt::FileRequest request;
  request.title = "Seleccione el archivo adjunto";
  request.masks = "All Files|*.*|";
  // The user's documents; the working folder is never changed.
  request.current = rt::runtimeName(std::filesystem::path(
      QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString()));
  std::string chosen;
  if (!rt::chooseFileInto(request, chosen)) return;  // left without a choice: the path stays
  // Cut, the path would name another file: the field keeps what it held.
  if (chosen.size() > kPathWidth) {
    rt::showMessage(
        {kPathTooLong, "Adjunto", rt::MessageIcon::Warning, rt::button::Ok, {}, rt::button::Ok});
    return;
  }
  core::TEM().Archivo_Adjunto = chosen;
  Display();
}

int TopicForm::TakeAccepted() {
  if (int r = core::RecordForm::TakeAccepted(); r != rt::level::Benign) return r;
  QWidget* accepted = field();
  if (accepted == nullptr) return rt::level::Benign;
  const std::string name = rt::fromQString(accepted->objectName());
  if (name == "?POPCALENDAR") {
    Update();
    core::TEM().Fecha =
        core::BotonCalendario(*this, control<QLineEdit>("?TEM:FECHA"), "Fecha de la Nota");
  } else if (name == "?LOOKUPFILE") {
    pickFile();
  } else if (name == "?ABRIR") {
    Update();
    core::AbrirArchivoAdjunto(core::TEM().Archivo_Adjunto.view());
  }
  return rt::level::Benign;
}

int FormularioTemas() { return core::runWindow<TopicForm>(); }

}  // namespace organiser
