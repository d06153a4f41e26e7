#include "practice/patient_list.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/aids/designed_font.h"
#include "core/aids/window_parts.h"
#include "core/shapes/record_form.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/logical_threads.h"
#include "platform/base/procedures.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"

namespace practice {
namespace {

constexpr std::int32_t kYellow = 0x00FFFF;  // blue-green-red
constexpr std::int32_t kBlack = 0;

}  // namespace

core::ExportSpec patientListExport() {
  return {8,
          "1,6,11,16,17,18,19,20,21,22,23,",
          {{"Nombre", "@s40"},
           {"Tipo", "@s3"},
           {"Nro.", "@n13"},
           {"Dirección"_cp, "@s40"},
           {"Teléfono"_cp, "@s15"},
           {"Localidad", "@s40"},
           {"ECNOEXPORT", "@s255"},
           {"ECNOEXPORT", "@s255"},
           {"Fec. Nac.", "@d17"},
           {"Cobertura", "@s90"},
           {"E-Mail", "@s90"}},
          {},
          1};
}

PatientList::PatientList() : core::ListWindow("ExaminarPacientes", core::Pacientes::def()) {}

QWidget* PatientList::buildWindow() {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setFont(core::designedWindowFont());
  window->setWindowTitle("Archivo de Pacientes:");
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  auto* bar = new QMenuBar(window);
  QMenu* listings = bar->addMenu("Listados");
  listings->setObjectName("?LISTADOS");
  auto item = [&](const char* text, const char* name, int event) {
    QAction* action = listings->addAction(rt::toQString(text));
    action->setObjectName(name);
    QObject::connect(
        action, &QAction::triggered, window, [this, event] { post(event); }, Qt::QueuedConnection);
  };
  item("Listado Filtrado de Pacientes", "?LISTADOFILTRADO", kListingPatients);
  item("Listado de Cumpleaños"_cp, "?LISTADOCUMPLEANOS", kListingBirthdays);

  auto* sheet = new QTabWidget(window);
  sheet->setObjectName("?CurrentTab");
  auto* byName = new QWidget;
  sheet->addTab(byName, "Por Nombre de Paciente:");
  auto* active = new QCheckBox("Solo Pacientes Activos", byName);
  active->setObjectName("?LOC:SOLOACTIVOS");
  active->setToolTip("Se muestran solamente los Pacientes Activos?");
  active->setChecked(true);
  auto* locatorPrompt = new QLabel("Paciente:", byName);
  auto* locator = new QLineEdit(byName);
  locator->setObjectName("?PAC:NOMBRE");
  locator->setMaximumWidth(units.x(100));
  locatorPrompt->setBuddy(locator);
  auto* list = new QTableView(byName);
  list->setObjectName("?BROWSE:5");
  list->setMinimumSize(units.size(680, 170));
  auto* top = new QHBoxLayout;
  top->addWidget(active);
  top->addStretch();
  top->addWidget(locatorPrompt);
  top->addWidget(locator);
  auto* tabLayout = new QVBoxLayout(byName);
  tabLayout->addLayout(top);
  tabLayout->addWidget(list);

  auto* hint = new QLabel(rt::toQString("Ctrl-B: Buscar - F3: Próximo..."_cp), window);
  hint->setObjectName("?PROMPT1");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(
      core::namedButton(window, "?QUERY", "&Consulta", "Acceso al Subsistema de Consultas"));
  buttons->addWidget(core::namedButton(window, "?EXPORT", "E&xportar"));
  buttons->addStretch();
  buttons->addWidget(core::namedButton(window, "?SELECT", "&Seleccionar"));
  buttons->addWidget(core::namedButton(window, "?INSERT", "&Agregar"));
  buttons->addWidget(core::namedButton(window, "?CHANGE", "&Modificar"));
  buttons->addWidget(core::namedButton(window, "?DELETE", "&Borrar"));
  buttons->addWidget(core::namedButton(window, "?CLOSE", "&Cerrar"));
  auto* layout = new QVBoxLayout(window);
  layout->setMenuBar(bar);
  layout->addWidget(sheet);
  layout->addWidget(hint);
  layout->addLayout(buttons);
  return window;
}

void PatientList::setUpBrowser(core::ListBrowser& b) {
  QWidget* window = b.list()->window();
  b.AddSortOrder("Por Nombre de Paciente:", core::Pacientes::PAS_002);
  b.SetLocator(window->findChild<QLineEdit*>("?PAC:NOMBRE"), "PAC:Nombre", 20);  // "@s20"
  b.AddJoin(core::Coberturas_Medicas::def(), core::Coberturas_Medicas::COB_001,
            {"PAC:Cod_Cobertura"});
  b.AddJoin(core::Localidades::def(), core::Localidades::LOC01, {"PAC:Cod_Postal"});

  using core::ColumnAlign;
  auto column = [&](const char* field, const char* title, const char* picture, int width,
                    ColumnAlign align = ColumnAlign::Left, bool fixed = false, bool colored = false,
                    const char* group = "") {
    b.AddColumn(core::ListColumn{field, title, picture, 0, width, align, fixed, colored, group});
  };
  column("PAC:Nombre", "Nombre", "@s90", 96, ColumnAlign::Left, true, true);
  column("PAC:TipoDoc", "Tipo", "@s3", 17, ColumnAlign::Center, true, true, "Documento");
  column("PAC:NroDoc", "Nro.", "@n13", 48, ColumnAlign::Right, true, true, "Documento");
  column("PAC:Direccion", "Dirección"_cp, "@s90", 87);
  column("PAC:Telefono", "Teléfono"_cp, "@s90", 70);
  column("LOC:NombreLocalidad", "Localidad", "@s50", 59);
  column("PAC:Ant_Personales", "Ant. Personales", "@s255", 0);
  column("PAC:Ant_Familiares", "Ant. Familiares", "@s255", 0);
  column("PAC:Fecha_Nacim", "Fec. Nac.", "@d17", 47);
  column("COB:Descripcion", "Cobertura", "@s90", 100);
  column("PAC:Email", "E-Mail", "@s90", 120);
  b.AddHiddenColumn("PAC:Cod_Paciente");
  b.AddHiddenColumn("COB:Cod_Cobertura");
  b.AddHiddenColumn("LOC:Cod_Postal");
  // Born today (the whole date): the name stands out in yellow.
  b.colourRow = [](core::ListRow& row) {
    if (core::PAC().Fecha_Nacim == rt::today()) row.colours[0] = {-1, kYellow, kBlack, kYellow};
  };

  setActiveFilter(window->findChild<QCheckBox*>("?LOC:SOLOACTIVOS"), "PAC:Inactivo = 0");
  setExport(window->findChild<QPushButton*>("?EXPORT"), patientListExport());
}

int PatientList::TakeEvent() {
  if ((event() == kListingPatients || event() == kListingBirthdays) && field() == nullptr) {
    // The screen's values first: the active-only box as it is shown now.
    FiltrarActivos();
    if (event() == kListingPatients) {
      rt::start("ReportePacientes", {browser().filterText(), browser().orderText()});
    } else {
      rt::start("VentanaListadoCumples");
    }
    browser().ResetFromView();  // the window refreshed after the start
    return rt::level::Benign;
  }
  return core::ListWindow::TakeEvent();
}

int PatientList::TakeAccepted() { return core::ListWindow::TakeAccepted(); }

void PatientList::callForm() { rt::callProcedure("FormularioPacientes"); }

std::optional<core::ListSearchSettings> PatientList::searchSettings() const {
  return core::ListSearchSettings{
      {}, "No hay más ocurrencias."_cp, "No search criteria specified.", "Error"};
}

int ExaminarPacientes() { return core::runWindow<PatientList>(); }

}  // namespace practice
