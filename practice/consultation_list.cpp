#include "practice/consultation_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/aids/calendar_popup.h"
#include "core/aids/designed_font.h"
#include "core/aids/main_services.h"
#include "core/aids/window_parts.h"
#include "core/shapes/record_form.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"
#include "practice/name_chooser.h"

namespace practice {
namespace {

constexpr std::int32_t kWhite = 0xFFFFFF;
constexpr int kTypeColumn = 5;  // "Tipo", from 0 among the shown columns
constexpr char kDatePicture[] = "@d17";

// The tables the list reads beside the consultations.
const rt::TableDef* const* joinedTables() {
  static const rt::TableDef* const tables[] = {&core::Medicos::def(), &core::Pacientes::def(),
                                               &core::Coberturas_Medicas::def(),
                                               &core::TiposConsultas::def(), nullptr};
  return tables;
}

QCheckBox* box(QWidget* parent, const char* name, const char* text, const char* tip, bool ticked) {
  auto* b = new QCheckBox(rt::toQString(text), parent);
  b->setObjectName(name);
  if (*tip != '\0') b->setToolTip(rt::toQString(tip));
  b->setChecked(ticked);
  return b;
}

QComboBox* combo(QWidget* parent, const char* name, const char* tip, int characters) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->setToolTip(rt::toQString(tip));
  c->setMinimumContentsLength(characters);
  c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  return c;
}

rt::Date dateOf(const QLineEdit* entry) {
  return static_cast<rt::Date>(
      std::atol(rt::deformat(rt::fromQString(entry->text()), kDatePicture).c_str()));
}

void showDate(QLineEdit* entry, rt::Date date) {
  entry->setText(rt::toQString(rt::format(static_cast<double>(date), kDatePicture)));
}

}  // namespace

core::ExportSpec consultationListExport() {
  return {8,
          "1,2,3,4,5,6,11,12,13,",
          {{"Fecha", "@d17"},
           {"Paciente", "@s40"},
           {"Médico"_cp, "@s80"},
           {"Teléfono"_cp, "@s15"},
           {"Motivo", "@s50"},
           {"Tipo de Consulta", "@s50"},
           {"Cobertura", "@s40"},
           {"Nro. Carnet", "@s30"},
           {"Color", "@n13"}},
          {},
          1};
}

ConsultationList::ConsultationList()
    : core::ListWindow("ExaminarConsultas", core::Consultas::def()) {}
ConsultationList::~ConsultationList() = default;

QWidget* ConsultationList::buildWindow() {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setFont(core::designedWindowFont());
  window->setWindowTitle("Examinando el archivo de  Consultas");
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  auto* hint = new QLabel(rt::toQString("Ctrl-B: Buscar - F3: Próximo..."_cp), window);
  hint->setObjectName("?PROMPT1");

  auto* sheet = new QTabWidget(window);
  sheet->setObjectName("?CurrentTab");
  auto* byDate = new QWidget;
  sheet->addTab(byDate, "Por Fecha:");
  auto* all =
      box(byDate, "?TodasLasCitas", "Todas las Citas",
          "Marca que indica que se muestran todas las Citas (Sin importar la Fecha)", false);
  auto dateEntry = [&](const char* name) {
    QLineEdit* e = core::namedEntry(byDate, name, 0, "Fecha para Mostrar las Citas");
    rt::setPicture(e, kDatePicture);
    e->setMaximumWidth(units.x(50));
    return e;
  };
  QLineEdit* from = dateEntry("?FechaDesde");
  QLineEdit* to = dateEntry("?FechaHasta");
  QPushButton* fromCalendar = core::namedButton(byDate, "?Calendar", "...", "Elija Fecha");
  QPushButton* toCalendar = core::namedButton(byDate, "?Calendar:2", "...", "Elija Fecha");
  for (QPushButton* b : {fromCalendar, toCalendar}) b->setFixedWidth(units.x(16));
  auto* allPatients = box(byDate, "?TodosLosPacientes", "Todos los Pacientes",
                          "Marca que indica que se muestran todos los pacientes", true);
  QComboBox* patient = combo(byDate, "?PAC:Nombre", "Nombre y apellido de la paciente.", 40);
  auto* allPhysicians = box(byDate, "?TodosLosMedicos", "Todos los Médicos"_cp, "", true);
  QComboBox* physician = combo(byDate, "?MDC:Nombre", "Nombre del Médico"_cp, 20);

  auto* range = new QHBoxLayout;
  range->addWidget(all);
  range->addSpacing(units.x(10));
  range->addWidget(new QLabel("Entre el", byDate));
  range->addWidget(from);
  range->addWidget(fromCalendar);
  range->addWidget(new QLabel("Hasta:", byDate));
  range->addWidget(to);
  range->addWidget(toCalendar);
  range->addStretch();
  auto* people = new QGridLayout;
  people->addWidget(allPatients, 0, 0);
  people->addWidget(patient, 0, 1);
  people->addWidget(allPhysicians, 1, 0);
  people->addWidget(physician, 1, 1);
  people->setColumnStretch(2, 1);
  auto* tabLayout = new QVBoxLayout(byDate);
  tabLayout->addLayout(range);
  tabLayout->addLayout(people);

  auto* list = new QTableView(window);
  list->setObjectName("?BROWSE:5");
  list->setMinimumSize(units.size(600, 150));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(
      core::namedButton(window, "?Imprimir", "&Imprimir", "Imprimir los datos en pantalla"));
  buttons->addWidget(
      core::namedButton(window, "?QUERY", "&Consulta", "Ejecuta una consulta sobre la vista"));
  buttons->addStretch();
  buttons->addWidget(core::namedButton(window, "?VIEW", "&Ver"));
  buttons->addWidget(core::namedButton(window, "?INSERT", "&Agregar"));
  buttons->addWidget(core::namedButton(window, "?CHANGE", "&Modificar"));
  buttons->addWidget(core::namedButton(window, "?DELETE", "&Borrar"));
  buttons->addWidget(core::namedButton(window, "?EXPORT", "E&xportar"));
  buttons->addWidget(core::namedButton(window, "?SELECT", "&Seleccionar"));
  buttons->addWidget(core::namedButton(window, "?CLOSE", "&Cerrar"));

  auto* layout = new QVBoxLayout(window);
  layout->addWidget(hint);
  layout->addWidget(sheet);
  layout->addWidget(list, 1);
  layout->addLayout(buttons);
  return window;
}

void ConsultationList::setUpBrowser(core::ListBrowser& b) {
  // The joined tables are read through the thread's managers as long as the
  // list is open.
  for (const rt::TableDef* const* t = joinedTables(); *t != nullptr; ++t) {
    core::access(**t).open();
  }
  tablesOpened_ = true;

  QWidget* window = b.list()->window();
  b.VIEWCONTROL = window->findChild<QWidget*>("?VIEW");
  b.AddSortOrder({}, core::Consultas::CON05);
  b.AddJoin(core::Medicos::def(), core::Medicos::MDC01, {"CON:Cod_Medico"});
  b.AddJoin(core::Pacientes::def(), core::Pacientes::PAS_001, {"CON:Cod_Paciente"});
  b.AddJoin(core::Coberturas_Medicas::def(), core::Coberturas_Medicas::COB_001,
            {"PAC:Cod_Cobertura"});
  b.AddJoin(core::TiposConsultas::def(), core::TiposConsultas::TIC01, {"CON:Cod_TipoConsulta"});

  using core::ColumnAlign;
  using core::ListColumn;
  b.AddColumn(ListColumn{"CON:Fecha", "Fecha", "@d17", 0, 47, ColumnAlign::Right});
  b.AddColumn(ListColumn{"PAC:Nombre", "Paciente", "@s90", 0, 140});
  b.AddColumn(ListColumn{"MDC:Nombre", "Médico"_cp, "@s80", 0, 120});
  b.AddColumn(ListColumn{"PAC:Telefono", "Teléfono"_cp, "@s90", 0, 70});
  b.AddColumn(ListColumn{"CON:Motivo", "Motivo", "@s120", 0, 120});
  b.AddColumn(
      ListColumn{"TIC:Descripcion", "Tipo", "@s50", 0, 120, ColumnAlign::Left, false, true});
  b.AddColumn(ListColumn{"COB:Descripcion", "Cobertura", "@s90", 0, 80});
  b.AddColumn(ListColumn{"PAC:NroCarnetObraSocial", "Nro. Carnet", "@s30", 0, 120});
  b.AddColumn(ListColumn{"TIC:Color", "Color", "@n13", 0, 0});
  for (const char* field : {"CON:Cod_Consulta", "MDC:Cod_Medico", "PAC:Cod_Paciente",
                            "COB:Cod_Cobertura", "TIC:Cod_TipoConsulta"}) {
    b.AddHiddenColumn(field);
  }
  // The type's own colour on white, selected or not.
  b.colourRow = [](core::ListRow& row) {
    const auto colour = static_cast<std::int32_t>(core::TIC().Color & 0xFFFFFF);
    row.colours[kTypeColumn] = {colour, kWhite, colour, kWhite};
  };
  setExport(window->findChild<QPushButton*>("?EXPORT"), consultationListExport());

  FechaDesde = FechaHasta = rt::today();
  showDate(window->findChild<QLineEdit*>("?FechaDesde"), FechaDesde);
  showDate(window->findChild<QLineEdit*>("?FechaHasta"), FechaHasta);
  // The filters take effect when the list first loads.
  ArmarFiltroConsultas();
  b.ApplyFilter();
  enableByBoxes();
  patients_ = std::make_unique<NameChooser>(*this, window->findChild<QComboBox*>("?PAC:Nombre"),
                                            core::Pacientes::def(), core::Pacientes::PAS_002,
                                            "PAC:Nombre", "PAC:Cod_Paciente");
  physicians_ = std::make_unique<NameChooser>(*this, window->findChild<QComboBox*>("?MDC:Nombre"),
                                              core::Medicos::def(), core::Medicos::MDC02,
                                              "MDC:Nombre", "MDC:Cod_Medico");
}

void ConsultationList::OwnSetup() {
  patients_->load();
  physicians_->load();
}

void ConsultationList::ArmarFiltroConsultas() {
  // The view reads the dates and the patient as stretches of its keys: only
  // the consultations between the dates, or of the patient, are read.
  core::ListBrowser& b = browser();
  b.SetFilter(TodasLasCitas != 0 ? std::string()
                                 : "CON:Fecha >= " + std::to_string(FechaDesde) +
                                       " AND CON:Fecha <= " + std::to_string(FechaHasta),
              "Filtro_1");
  b.SetFilter(
      TodosLosPacientes != 0 ? std::string() : "CON:Cod_Paciente = " + std::to_string(CodPaciente),
      "Filtro_2");
  b.SetFilter(
      TodosLosMedicos != 0 ? std::string() : "CON:Cod_Medico = " + std::to_string(CodMedico),
      "Filtro_3");
}

void ConsultationList::AplicarFiltrosConsultas() {
  ArmarFiltroConsultas();
  core::DebugTrace("Pasamos...");
  browser().ApplyFilter();
  browser().RetainRow = 1;
  browser().ResetFromView();
}

void ConsultationList::enableByBoxes() {
  // Also before the window is open: the controls are found through the list.
  QWidget* w = browser().list()->window();
  const bool dates = TodasLasCitas == 0;
  for (const char* name : {"?FechaDesde", "?FechaHasta", "?Calendar", "?Calendar:2"}) {
    w->findChild<QWidget*>(name)->setEnabled(dates);
  }
  w->findChild<QWidget*>("?PAC:Nombre")->setEnabled(TodosLosPacientes == 0);
  w->findChild<QWidget*>("?MDC:Nombre")->setEnabled(TodosLosMedicos == 0);
}

// The variables from what the controls show (the window manager's update).
void ConsultationList::readControls() {
  TodasLasCitas = control<QCheckBox>("?TodasLasCitas")->isChecked() ? 1 : 0;
  TodosLosPacientes = control<QCheckBox>("?TodosLosPacientes")->isChecked() ? 1 : 0;
  TodosLosMedicos = control<QCheckBox>("?TodosLosMedicos")->isChecked() ? 1 : 0;
  FechaDesde = dateOf(control<QLineEdit>("?FechaDesde"));
  FechaHasta = dateOf(control<QLineEdit>("?FechaHasta"));
}

void ConsultationList::pickDate(const char* entry, const char* title) {
  readControls();
  AplicarFiltrosConsultas();
  // The picked date (the shown one when the calendar closed without a pick);
  // the accepted event of a pick applies the filters again.
  const rt::Date picked = core::BotonCalendario(*this, control<QLineEdit>(entry), title);
  (std::string_view(entry) == "?FechaDesde" ? FechaDesde : FechaHasta) = picked;
}

int ConsultationList::TakeEvent() {
  if ((patients_ && patients_->TakeEvent()) || (physicians_ && physicians_->TakeEvent())) {
    return rt::level::Benign;
  }
  return core::ListWindow::TakeEvent();
}

int ConsultationList::TakeAccepted() {
  if (int r = core::ListWindow::TakeAccepted(); r != rt::level::Benign) return r;
  QWidget* accepted = field();
  if (accepted == nullptr) return rt::level::Benign;
  const std::string name = rt::fromQString(accepted->objectName());
  if (name == "?TodasLasCitas" || name == "?TodosLosPacientes" || name == "?TodosLosMedicos") {
    readControls();
    enableByBoxes();
    AplicarFiltrosConsultas();
  } else if (name == "?FechaDesde" || name == "?FechaHasta") {
    readControls();
    AplicarFiltrosConsultas();
  } else if (name == "?PAC:Nombre") {
    CodPaciente = static_cast<std::uint16_t>(patients_->chosenCode());
    AplicarFiltrosConsultas();
  } else if (name == "?MDC:Nombre") {
    CodMedico = static_cast<std::uint16_t>(physicians_->chosenCode());
    AplicarFiltrosConsultas();
  } else if (name == "?Calendar") {
    pickDate("?FechaDesde", "Fecha Inicial");
  } else if (name == "?Calendar:2") {
    pickDate("?FechaHasta", "Fecha Final");
  } else if (name == "?Imprimir") {
    readControls();
    // The listing runs on a thread of its own; the list does not wait.
    rt::start("ReporteConsultas", {browser().filterText(), browser().orderText()});
  }
  return rt::level::Benign;
}

int ConsultationList::Kill() {
  const int result = core::ListWindow::Kill();
  if (tablesOpened_) {
    for (const rt::TableDef* const* t = joinedTables(); *t != nullptr; ++t) {
      core::access(**t).close();
    }
  }
  tablesOpened_ = false;
  patients_.reset();
  physicians_.reset();
  return result;
}

void ConsultationList::callForm() { rt::callProcedure("FormularioConsultas", {"0"}); }

std::optional<core::ListSearchSettings> ConsultationList::searchSettings() const {
  core::ListSearchSettings settings{
      {}, "No hay más ocurrencias."_cp, "No se ha definido el criterio de busqueda.", "Buscar"};
  settings.openKey = Qt::Key_F | static_cast<int>(Qt::ControlModifier);
  return settings;
}

int ExaminarConsultas() { return core::runWindow<ConsultationList>(); }

}  // namespace practice
