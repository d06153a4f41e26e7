#include "practice/physician_windows.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/aids/designed_font.h"
#include "core/aids/window_parts.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp_literal.h"
#include "platform/base/procedures.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"
#include "practice/schedule_sheet_form.h"
#include "practice/window_parts.h"

namespace practice {
namespace {

using core::ColumnAlign;
using core::ListColumn;
namespace request = core::request;
using parts::shown;
using parts::trimmedRight;

constexpr auto& kListTitle = "Examinando el archivo de Médicos"_cp;
constexpr char kFormTitle[] = "Actualizando un registro de Profesionales ";

QLineEdit* entry(QWidget* parent, const char* name, int length, const char* picture = "") {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setMaxLength(length);
  if (*picture != '\0') rt::setPicture(e, picture);
  return e;
}

}  // namespace

// ---------------------------------------------------------------- the list

PhysicianList::PhysicianList() : ListWindow("ExaminarMedicos", core::Medicos::def()) {}

QWidget* PhysicianList::buildWindow() {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setFont(core::designedWindowFont());
  window->setWindowTitle(rt::toQString(kListTitle));
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  auto* hint = new QLabel(rt::toQString("Ctrl-B: Buscar - F3: Próximo..."_cp), window);
  hint->setObjectName("?PROMPT1");
  auto* sheet = new QTabWidget(window);
  sheet->setObjectName("?CurrentTab");
  auto* byName = new QWidget;
  sheet->addTab(byName, "Por Nombre");
  auto* active = new QCheckBox(rt::toQString("Solo Médicos Activos"_cp), byName);
  active->setObjectName("?SoloActivos");
  active->setToolTip(rt::toQString("Se muestran solamente los Médicos Activos?"_cp));
  active->setChecked(true);
  auto* locatorPrompt = new QLabel("Nombre:", byName);
  auto* locator = entry(byName, "?MDC:MDC02:MDC:NOMBRE", 20, "@s20");
  locatorPrompt->setBuddy(locator);
  auto* list = new QTableView(byName);
  list->setObjectName("?BROWSE:5");
  list->setMinimumSize(units.size(290, 150));
  auto* top = new QHBoxLayout;
  top->addWidget(locatorPrompt);
  top->addWidget(locator, 1);
  top->addSpacing(units.x(10));
  top->addWidget(active);
  auto* tabLayout = new QVBoxLayout(byName);
  tabLayout->addLayout(top);
  tabLayout->addWidget(list);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(core::namedButton(window, "?QUERY:2", "&Consulta"));
  buttons->addWidget(core::namedButton(window, "?EXPORTAR", "E&xportar"));
  buttons->addStretch();
  buttons->addWidget(core::namedButton(window, "?SELECT:3", "&Seleccionar",
                                       "Selecciona el ítem actualmente resaltado"_cp));
  buttons->addWidget(core::namedButton(window, "?INSERT:6", "&Agregar"));
  buttons->addWidget(core::namedButton(window, "?CHANGE:6", "&Modificar"));
  buttons->addWidget(core::namedButton(window, "?DELETE:6", "&Borrar"));
  buttons->addWidget(core::namedButton(window, "?CLOSE", "&Cerrar"));
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(hint);
  layout->addWidget(sheet);
  layout->addLayout(buttons);
  return window;
}

void PhysicianList::setUpBrowser(core::ListBrowser& b) {
  QWidget* window = b.list()->window();
  b.AddSortOrder("Por Nombre", core::Medicos::MDC02);
  // A physician whose speciality has no record still shows, with a blank one.
  b.AddJoin(core::Especialidades::def(), core::Especialidades::ESP01, {"MDC:Cod_Especialidad"});
  b.SetLocator(window->findChild<QLineEdit*>("?MDC:MDC02:MDC:NOMBRE"), "MDC:Nombre");
  b.AddColumn(shown("MDC:Nombre", "Nombre", "@s80", 121));
  b.AddColumn(shown("ESP:Descripcion", "Especialidad", "@s40", 100));
  b.AddColumn(shown("MDC:Telefono_1", "Teléfono"_cp, "@s20", 50));
  b.AddHiddenColumn("MDC:Cod_Medico");
  b.AddHiddenColumn("ESP:Cod_Especialidad");
  setActiveFilter(window->findChild<QCheckBox*>("?SoloActivos"), "MDC:Inactivo = 0");
  setExport(window->findChild<QPushButton*>("?EXPORTAR"),
            core::ExportSpec{
                9,
                "1,2,3,",
                {{"Nombre", "@s80", 0}, {"Especialidad", "@s40", 0}, {"Teléfono"_cp, "@s20", 0}},
                "",
                1});
}

void PhysicianList::callForm() { FormularioMedico(); }

std::optional<core::ListSearchSettings> PhysicianList::searchSettings() const {
  return core::ListSearchSettings{
      {}, "No hay mas ocurrencias.", "No search criteria specified.", "Error"};
}

int ExaminarMedicos() { return core::runWindow<PhysicianList>(); }

// ---------------------------------------------------------------- the form

namespace {

const core::LookupField kPostalCode{"?MDC:COD_POSTAL",    "?CallLookup",
                                    "MDC:Cod_Postal",     &core::Localidades::def,
                                    "LOC:Cod_Postal",     core::Localidades::LOC01,
                                    "ExaminarLocalidades"};
const core::LookupField kSpeciality{"?MDC:COD_ESPECIALIDAD", "?CallLookup:2",
                                    "MDC:Cod_Especialidad",  &core::Especialidades::def,
                                    "ESP:Cod_Especialidad",  core::Especialidades::ESP01,
                                    "ExaminarEspecialidades"};

}  // namespace

PhysicianForm::PhysicianForm() : RecordForm("FormularioMedico", core::Medicos::def(), false) {}

PhysicianForm::~PhysicianForm() = default;

QWidget* PhysicianForm::buildWindow() {
  const auto [window, sheet, personal] = core::formSheet(kFormTitle, "Datos Personales");
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  // Datos Personales
  auto* code = entry(personal, "?MDC:COD_MEDICO", 6, "@n6");
  // The number is the one numbering gave; a new one would part the
  // physician from his sheets and appointments.
  code->setReadOnly(true);
  code->setMaximumWidth(units.x(40));
  auto* inactive = new QCheckBox("Inactivo?", personal);
  inactive->setObjectName("?MDC:INACTIVO");
  inactive->setToolTip(rt::toQString("Marca que indica que el Médico está inactivo"_cp));
  auto* name = entry(personal, "?MDC:NOMBRE", 80, "@s80");
  auto* address = entry(personal, "?MDC:DOMICILIO", 80, "@s80");
  auto* postal = entry(personal, "?MDC:COD_POSTAL", 9, "@P####-###PB");
  postal->setMaximumWidth(units.x(50));
  auto* postalLookup = new QToolButton(personal);
  postalLookup->setObjectName("?CallLookup");
  postalLookup->setText("...");
  auto* locality = new QLabel(personal);
  locality->setObjectName("?LOC:NOMBRELOCALIDAD");
  QLineEdit* phones[3];
  for (int i = 0; i < 3; ++i) {
    const std::string phoneName = "?MDC:TELEFONO_" + std::to_string(i + 1);
    phones[i] = entry(personal, phoneName.c_str(), 20, "@s20");
  }
  auto* registration = entry(personal, "?MDC:MATRICULA", 20, "@s20");
  auto* email = entry(personal, "?MDC:EMAIL", 80, "@s80");
  auto* specialityCode = entry(personal, "?MDC:COD_ESPECIALIDAD", 6, "@n6");
  specialityCode->setMaximumWidth(units.x(40));
  auto* specialityLookup = new QToolButton(personal);
  specialityLookup->setObjectName("?CallLookup:2");
  specialityLookup->setText("...");
  auto* specialityName = new QLabel(personal);
  specialityName->setObjectName("?ESP:DESCRIPCION");
  auto* notes = new QPlainTextEdit(personal);
  notes->setObjectName("?MDC:NOTAS");

  auto* grid = new QGridLayout(personal);
  int row = 0;
  auto line = [&](const char* prompt, QWidget* buddy, std::initializer_list<QWidget*> controls,
                  bool stretch = false) {
    core::addFormLine(grid, row++, prompt, buddy, controls, stretch);
  };
  line("Código:"_cp, code, {code, inactive}, true);
  line("Nombre:", name, {name});
  line("Domicilio:", address, {address});
  line("Localidad:", postal, {postal, postalLookup, locality});
  line("Teléfono:"_cp, phones[0], {phones[0], phones[1], phones[2]});
  line("Matricula:", registration, {registration}, true);
  line("Email:", email, {email});
  line("Especialidad:", specialityCode, {specialityCode, specialityLookup, specialityName});
  auto* notesPrompt = new QLabel("Notas:", personal);
  notesPrompt->setBuddy(notes);
  grid->addWidget(notesPrompt, row, 0);
  grid->addWidget(notes, row++, 1);
  grid->setColumnStretch(1, 1);
  name->setMinimumWidth(units.x(220));

  // Planillas de horarios
  auto* sheetsTab = new QWidget;
  sheet->addTab(sheetsTab, "Planillas de horarios");
  auto* list = new QTableView(sheetsTab);
  list->setObjectName("?Browse:2");
  list->setMinimumSize(units.size(340, 120));
  auto* sheetButtons = new QHBoxLayout;
  sheetButtons->addStretch();
  sheetButtons->addWidget(core::namedButton(sheetsTab, "?Insert", "&Agregar"));
  sheetButtons->addWidget(core::namedButton(sheetsTab, "?Change", "&Modificar"));
  sheetButtons->addWidget(core::namedButton(sheetsTab, "?Delete", "&Borrar"));
  auto* sheetsLayout = new QVBoxLayout(sheetsTab);
  sheetsLayout->addWidget(list);
  sheetsLayout->addLayout(sheetButtons);

  core::sheetAndButtons(window, sheet, {.okTip = "Acepta y cierra."});

  fields().bind(code, "MDC:Cod_Medico", 1);
  fields().bind(inactive, "MDC:Inactivo", 11);
  fields().bind(name, "MDC:Nombre", 2);
  fields().bind(address, "MDC:Domicilio", 3);
  fields().bind(postal, "MDC:Cod_Postal", 4);
  fields().bind(phones[0], "MDC:Telefono_1", 5);
  fields().bind(phones[1], "MDC:Telefono_2", 6);
  fields().bind(phones[2], "MDC:Telefono_3", 7);
  fields().bind(registration, "MDC:Matricula", 8);
  fields().bind(email, "MDC:Email", 9);
  fields().bind(specialityCode, "MDC:Cod_Especialidad", 10);
  fields().bind(notes, "MDC:Notas", 12);
  bindLookup(kPostalCode);
  bindLookup(kSpeciality);
  return window;
}

void PhysicianForm::OwnSetup() {
  auto* list = control<QTableView>("?Browse:2");
  sheets_ = std::make_unique<core::ListBrowser>(*this, list, core::Planilla::def());
  core::ListBrowser& b = *sheets_;
  b.AddSortOrder("", core::Planilla::PLA04, "+PLA:CodPlanilla");
  b.SetRange([] { return static_cast<std::int64_t>(core::MDC().Cod_Medico); });
  b.SetLocator(nullptr, "PLA:FecVigenciaDesde");
  b.AddColumn(shown("PLA:CodPlanilla", "Código"_cp, "@n13", 0));
  b.AddColumn(shown("PLA:FecVigenciaDesde", "Vigencia Desde", "@d6", 60, ColumnAlign::Center));
  b.AddColumn(shown("PLA:FecVigenciaHasta", "Vigencia Hasta", "@d17", 60, ColumnAlign::Center));
  b.AddColumn(shown("PLA:DurConsulta", "Dur. Consulta", "@t1", 47, ColumnAlign::Right));
  b.AddColumn(shown("PLA:DscPlanilla", "Descripción"_cp, "@s40", 160));
  b.AddHiddenColumn("PLA:Cod_Medico");
  if (viewing()) {
    // A physician only viewed offers nothing to do with his sheets.
    for (const char* name : {"?Insert", "?Change", "?Delete"}) control(name)->setEnabled(false);
  } else {
    b.INSERTCONTROL = control("?Insert");
    b.CHANGECONTROL = control("?Change");
    b.DELETECONTROL = control("?Delete");
    b.askProcedure = [this](int request) { return callSheetForm(request); };
  }
  b.ResetView();
  showNames();
}

int PhysicianForm::TakeEvent() {
  if (sheets_ && sheets_->TakeEvent()) return rt::level::Benign;
  return RecordForm::TakeEvent();
}

int PhysicianForm::TakeAccepted() {
  QWidget* accepted = field();
  if (sheets_ && accepted != nullptr && sheets_->TakeAccepted(accepted)) {
    showNames();
    return rt::level::Benign;
  }
  const std::string name = accepted ? rt::fromQString(accepted->objectName()) : std::string();
  for (const core::LookupField* lookup : {&kPostalCode, &kSpeciality}) {
    if (name == lookup->entry || name == lookup->button) {
      lookUp(*lookup, name == lookup->button);
      return rt::level::Benign;
    }
  }
  return RecordForm::TakeAccepted();
}

void PhysicianForm::showNames() {
  core::LOC().Cod_Postal = core::MDC().Cod_Postal;
  core::access(core::Localidades::def()).fetchOrClear(core::Localidades::LOC01);
  control<QLabel>("?LOC:NOMBRELOCALIDAD")
      ->setText(rt::toQString(trimmedRight(core::LOC().NombreLocalidad.view())));
  core::ESP().Cod_Especialidad = core::MDC().Cod_Especialidad;
  core::access(core::Especialidades::def()).fetchOrClear(core::Especialidades::ESP01);
  control<QLabel>("?ESP:DESCRIPCION")
      ->setText(rt::toQString(trimmedRight(core::ESP().Descripcion.view())));
}

bool PhysicianForm::writeBeforeSheet() {
  if (REQUEST != request::Insert || !PRIMARY->access().numberedPending()) return true;
  // A sheet belongs to a stored physician: the new one is written first, and
  // the form goes on as a change of it.
  Update();
  if (PRIMARY->access().insert() != core::level::Benign) {
    Display();
    return false;
  }
  written_ = true;
  REQUEST = request::Change;
  return true;
}

int PhysicianForm::callSheetForm(int request) {
  if (viewing()) return rt::kCancelled;
  if (request == request::Insert && !writeBeforeSheet()) return rt::kCancelled;
  return callKeepingRecord([request] {
    rt::ThreadRequest() = static_cast<std::uint8_t>(request);
    return FormularioPLanilla();
  });
}

int PhysicianForm::Kill() {
  if (written_ && FILESOPENED != 0 && Response != rt::kCompleted) {
    // The physician written for his sheets goes again with the cancel, unless
    // the sheets keep him (the delete rule says so); then he stays, and the
    // caller must show him.
    if (PRIMARY->remove(false) != core::level::Benign) Response = rt::kCompleted;
  }
  written_ = false;
  sheets_.reset();
  return RecordForm::Kill();
}

int FormularioMedico() { return core::runWindow<PhysicianForm>(); }

void registerPhysicianProcedures() {
  rt::registerProcedure("ExaminarMedicos",
                        [](const rt::ProcedureArgs&) { return ExaminarMedicos(); });
  rt::registerProcedure("FormularioMedico",
                        [](const rt::ProcedureArgs&) { return FormularioMedico(); });
  rt::registerProcedure("FormularioPLanilla",
                        [](const rt::ProcedureArgs&) { return FormularioPLanilla(); });
}

}  // namespace practice
