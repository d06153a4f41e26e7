#include "practice/appointment_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/aids/designed_font.h"
#include "core/aids/main_services.h"
#include "core/aids/window_parts.h"
#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_messages.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/data/database.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/picture_validator.h"
#include "platform/ui/qt_text.h"
#include "practice/planner_day.h"

namespace practice {

using core::request::Change;
using core::request::Insert;

namespace {

constexpr auto& kOrderTooLow =
    "No puede asignar un Nro. de Atención con un valor|inferior al próximo turno a atender..."_cp;
constexpr auto& kOrderTooLowTitle = "Error en el Nº del Atención"_cp;
constexpr auto& kOrderChanged =
    "El Nº de Orden de Atención ha variado.|Desea reacomodar los restantes turnos?"_cp;
constexpr auto& kOrderTitle = "Orden de Atención"_cp;

// The type list: what it shows and what is stored.
constexpr std::pair<const char*, const char*> kTypes[] = {
    {"Turno", "TUR"}, {"SobreTurno", "STU"}, {"Reunion", "REU"}, {"Libre", "LIB"}, {"Otro", "OTR"}};

const rt::TableDef& patients() { return core::Pacientes::def(); }
const rt::TableDef& plans() { return core::Coberturas_Medicas::def(); }

const core::LookupField kPatientLookup{
    "?TUR:COD_PACIENTE", "?LOOKUPPACIENTE",        "TUR:Cod_Paciente", patients,
    "PAC:Cod_Paciente",  core::Pacientes::PAS_001, "ExaminarPacientes"};
const core::LookupField kCoverageLookup{"?TUR:COD_COBERTURA", "?LOOKUPCOBERTURA",
                                        "TUR:Cod_Cobertura",  plans,
                                        "COB:Cod_Cobertura",  core::Coberturas_Medicas::COB_001,
                                        "ExaminarCoberturas"};

QString clippedText(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return rt::toQString(end == std::string_view::npos ? std::string_view()
                                                     : text.substr(0, end + 1));
}

// The schedule sheet the day was built from, into the thread's buffer.
void readDaySheet() {
  if (GLO::CodPlanilla == 0) return;
  core::Planilla::table().clear();
  core::PLA().CodPlanilla = GLO::CodPlanilla;
  core::access(core::Planilla::def()).fetchOrClear(core::Planilla::PLA01);
}

}  // namespace

AppointmentForm::AppointmentForm()
    : core::RecordForm("FormularioTurnos", core::Turnos::def(), false) {}

AppointmentForm::~AppointmentForm() = default;

QWidget* AppointmentForm::buildWindow() {
  const auto [window, sheet, general] = core::formSheet("Formulario de Turnos", "General");
  const rt::DialogUnits units = rt::DialogUnits::of(window);
  auto* grid = new QGridLayout(general);
  int row = 0;
  auto line = [&](const char* prompt, QWidget* buddy, std::initializer_list<QWidget*> controls,
                  bool stretch = false) {
    core::addFormLine(grid, row++, prompt, buddy, controls, stretch);
  };
  auto narrow = [&](QLineEdit* e, int width) {
    e->setMaximumWidth(units.x(width));
    return e;
  };
  auto lookupButton = [&](const char* name) {
    auto* b = core::namedButton(general, name, "...");
    b->setMaximumWidth(units.x(14));
    return b;
  };

  QLineEdit* physician = core::shownEntry(general, "?TUR:COD_MEDICO");
  narrow(physician, 30);
  line("Médico:"_cp, physician,
       {physician, core::shownEntry(general, "?MDC:NOMBRE"),
        core::shownEntry(general, "?ESP:DESCRIPCION")});
  auto* confirmed = new QCheckBox("&Confirmado", general);
  confirmed->setObjectName("?TUR:CONFIRMADO");
  confirmed->setToolTip("Marca que indica que el turno ha sido confirmado");
  auto* unavailable = new QCheckBox("No Disponible", general);
  unavailable->setObjectName("?TUR:NODISPONIBLE");
  unavailable->setToolTip(rt::toQString("Indica que el turno no está disponible"_cp));
  auto* type = new QComboBox(general);
  type->setObjectName("?TUR:TIPO");
  for (const auto& [text, code] : kTypes) type->addItem(text, QString(code));
  QLineEdit* number = core::shownEntry(general, "?TUR:NRO_ABSOLUTO");
  number->setMinimumWidth(units.x(40));
  narrow(number, 50);
  auto* typeLabel = new QLabel("Tipo de Turno:", general);
  typeLabel->setBuddy(type);
  line("", confirmed, {confirmed, unavailable, typeLabel, type, number}, true);
  QLineEdit* date = narrow(core::namedEntry(general, "?TUR:FECHA", 10, "Fecha del Turno"), 50);
  date->setReadOnly(true);
  auto* weekday = new QLabel(general);
  weekday->setObjectName("?LOC:DIASEMANA");
  QLineEdit* time =
      narrow(core::namedEntry(general, "?TUR:HORA", 5, "Hora estimada de la consulta"), 30);
  QLineEdit* length =
      narrow(core::namedEntry(general, "?TUR:DURACION", 5, "Duración del Turno"_cp), 30);
  line(
      "Fecha:", date,
      {date, weekday, new QLabel("Hora:", general), time, new QLabel("Duracion:", general), length},
      true);
  QLineEdit* patient = narrow(core::namedEntry(general, "?TUR:COD_PACIENTE", 6), 30);
  QLineEdit* name = core::namedEntry(general, "?TUR:NOMBRE", 90);
  line("Paciente:", patient, {patient, lookupButton("?LOOKUPPACIENTE"), name});
  QLineEdit* phone = core::namedEntry(general, "?TUR:TELEFONO", 90);
  QLineEdit* order = narrow(
      core::namedEntry(general, "?TUR:NRO_ORDEN_ATENCION", 3, "Nº de Orden para Atención"_cp), 24);
  line("Teléfono:"_cp, phone, {phone, new QLabel("Nro Ord:", general), order});
  QLineEdit* address = core::shownEntry(general, "?PAC:DIRECCION");
  QLineEdit* postal = narrow(core::shownEntry(general, "?PAC:COD_POSTAL"), 30);
  line("", address, {address, postal, core::shownEntry(general, "?LOC:NOMBRELOCALIDAD")});
  QLineEdit* coverage = narrow(core::namedEntry(general, "?TUR:COD_COBERTURA", 5), 30);
  line("Cobertura:", coverage,
       {coverage, lookupButton("?LOOKUPCOBERTURA"), core::shownEntry(general, "?COB:DESCRIPCION")});
  QLineEdit* motive = core::namedEntry(general, "?TUR:MOTIVO", 80);
  line("Motivo:", motive, {motive});
  QLineEdit* copay = narrow(
      core::namedEntry(general, "?TUR:COSEGURO", 13, "Monto del Coseguro abonado por el turno"),
      60);
  line("Coseguro:", copay, {copay}, true);

  auto* visits = new QTableView(general);
  visits->setObjectName("?BROWSE:CON");
  visits->setMinimumHeight(units.y(40));
  auto* open =
      core::namedButton(general, "?CHANGE:CON", "&Acceder...", "Modificar el Registro resaltado");
  auto* visitsBox = new QHBoxLayout;
  visitsBox->addWidget(visits, 1);
  visitsBox->addWidget(open, 0, Qt::AlignTop);
  auto* visitsLabel = new QLabel("Consulta:", general);
  visitsLabel->setBuddy(visits);
  grid->addWidget(visitsLabel, row, 0, Qt::AlignTop);
  grid->addLayout(visitsBox, row++, 1);
  auto* notes = new QPlainTextEdit(general);
  notes->setObjectName("?TUR:NOTAS");
  notes->setTabChangesFocus(true);
  notes->setMinimumHeight(units.y(30));
  auto* notesLabel = new QLabel("Notas:", general);
  notesLabel->setBuddy(notes);
  grid->addWidget(notesLabel, row, 0, Qt::AlignTop);
  grid->addWidget(notes, row++, 1);
  grid->setColumnStretch(1, 1);

  // The status text stands at the left of the buttons.
  QHBoxLayout* buttons = core::sheetAndButtons(window, sheet);
  auto* status = new QLabel(window);
  status->setObjectName("?STATUS");
  buttons->insertWidget(0, status);
  window->resize(units.x(330), units.y(250));

  fields().bind(physician, "TUR:Cod_Medico");
  fields().bind(confirmed, "TUR:Confirmado", 1);
  fields().bind(unavailable, "TUR:NoDisponible", 2);
  fields().bind(number, "TUR:Nro_Absoluto");
  rt::setPicture(number, "@P###-###P");
  fields().bind(date, "TUR:Fecha", 3);
  rt::setPicture(date, "@d17");
  fields().bind(time, "TUR:Hora", 4);
  rt::setPicture(time, "@t7");
  fields().bind(length, "TUR:Duracion", 5);
  rt::setPicture(length, "@t7");
  fields().bind(patient, "TUR:Cod_Paciente", 6);
  rt::setPicture(patient, "@n6");
  fields().bind(name, "TUR:Nombre", 7);
  fields().bind(phone, "TUR:Telefono", 8);
  fields().bind(order, "TUR:Nro_Orden_Atencion", 9);
  rt::setPicture(order, "@n3");
  fields().bind(coverage, "TUR:Cod_Cobertura", 10);
  rt::setPicture(coverage, "@n5");
  fields().bind(motive, "TUR:Motivo", 11);
  fields().bind(copay, "TUR:Coseguro", 12);
  rt::setPicture(copay, "@N$(13.2)");
  fields().bind(notes, "TUR:Notas");
  bindLookup(kPatientLookup);
  bindLookup(kCoverageLookup);
  return window;
}

void AppointmentForm::DuracionSegunPlanilla() {
  core::TurnosBuffer& tur = core::TUR();
  const bool over = tur.Tipo == "STU";
  tur.Duracion = over ? core::PLA().DurSobreturno : core::PLA().DurConsulta;
  // An existing appointment keeps its slot: the planner's chosen row may be
  // another day's.
  if (REQUEST == Insert) {
    tur.Nro_Absoluto = over ? ProximoSobreturno(static_cast<std::int32_t>(GLO::NroAbsolutoTurno))
                            : GLO::NroAbsolutoTurno;
  }
  core::DebugTrace("TUR:Duracion -> " + rt::format(static_cast<double>(tur.Duracion), "@T1"));
}

int AppointmentForm::PrimeUpdate() {
  if (int r = core::RecordForm::PrimeUpdate(); r != rt::level::Benign || REQUEST != Insert)
    return r;
  // The code the standard priming reserved stays the appointment's.
  core::TurnosBuffer& tur = core::TUR();
  const std::uint32_t code = tur.Cod_Turno;
  rt::clearRecord(core::Turnos::def(), primaryTable().buffer());
  tur.Cod_Turno = code;
  tur.Fecha = GLO::FechaTurno;
  tur.Hora = GLO::HoraTurno;
  tur.Cod_Medico = GLO::CodMedicoTurno;
  tur.Tipo = GLO::TipoTurno;
  tur.Nro_Orden = static_cast<std::uint8_t>(GLO::IndiceTurno + 1);
  readDaySheet();
  DuracionSegunPlanilla();
  return rt::level::Benign;
}

void AppointmentForm::OwnSetup() {
  openRelations({&core::Consultas::def(), &core::Copia_Turnos::def(), &core::Planilla::def(),
                 &core::Pacientes::def(), &core::Coberturas_Medicas::def(),
                 &core::Localidades::def(), &core::Medicos::def(), &core::Especialidades::def()});
  control<QLabel>("?STATUS")->setText(REQUEST == Insert   ? "Agregando Registro"
                                      : REQUEST == Change ? "Modificando Registro"
                                                          : "");
  typeSeen_ = std::string(core::TUR().Tipo.clipped());
  openingOrder_ = core::TUR().Nro_Orden_Atencion;
  control<QLabel>("?LOC:DIASEMANA")
      ->setText(rt::toQString("(" + RecuperaDscDia(core::TUR().Fecha) + ")"));
  if (REQUEST != Insert) readDaySheet();
  typeToList();

  auto* list = control<QTableView>("?BROWSE:CON");
  consultationList_ = std::make_unique<core::ListBrowser>(*this, list, core::Consultas::def());
  core::ListBrowser& c = *consultationList_;
  c.AddSortOrder({}, core::Consultas::CON07);
  c.SetRange([] { return static_cast<std::int64_t>(core::TUR().Cod_Turno); });
  // Two columns without headings (the titles only make them columns).
  c.AddColumn(core::ListColumn{"CON:Fecha", " ", "@d17", 0, 50});
  c.AddColumn(core::ListColumn{"CON:Motivo", "  ", "@s120", 0, 120});
  c.AddHiddenColumn("CON:Cod_Consulta");
  c.AddHiddenColumn("CON:Cod_Turno");
  c.CHANGECONTROL = control("?CHANGE:CON");
  c.ASKPROCEDURE = 1;
  c.askProcedure = [this](int request) {
    const int answer = callKeepingRecord([request] {
      rt::ThreadRequest() = static_cast<std::uint8_t>(request);
      return rt::callProcedure("FormularioConsultas", {"1"});
    });
    countConsultations();
    applyStates();
    return answer;
  };
  c.ResetView();
  list->horizontalHeader()->hide();
  countConsultations();
  showLookups();
  applyStates();
}

void AppointmentForm::countConsultations() {
  // Counted from the table, so that an appointment whose consultation exists
  // locks its patient from the first load.
  consultations_ = 0;
  if (core::TUR().Cod_Turno == 0) return;
  rt::Table& visits = core::Copia_Consultas::table();
  visits.clear();
  core::C_CON().Cod_Turno = core::TUR().Cod_Turno;
  visits.setFromBuffer(core::Copia_Consultas::CON07);
  visits.setRange(1);
  while (visits.next() == 0) ++consultations_;
}

void AppointmentForm::typeToList() {
  auto* list = control<QComboBox>("?TUR:TIPO");
  const QString code = rt::toQString(core::TUR().Tipo.clipped());
  int index = list->findData(code);
  if (index < 0 && !code.isEmpty()) {
    list->addItem(code, code);  // a stored type the list does not offer still shows
    index = list->count() - 1;
  }
  list->setCurrentIndex(index);
}

void AppointmentForm::typeFromList() {
  auto* list = control<QComboBox>("?TUR:TIPO");
  if (list->currentIndex() >= 0) core::TUR().Tipo = rt::fromQString(list->currentData().toString());
}

void AppointmentForm::showLookups() {
  auto fetch = [](const rt::TableDef& def, int key) { core::access(def).fetchOrClear(key); };
  core::COB().Cod_Cobertura = core::TUR().Cod_Cobertura;
  fetch(core::Coberturas_Medicas::def(), core::Coberturas_Medicas::COB_001);
  core::PAC().Cod_Paciente = static_cast<std::uint16_t>(core::TUR().Cod_Paciente);
  if (core::TUR().Cod_Paciente == 0 || core::TUR().Cod_Paciente > 0xFFFF)
    core::Pacientes::table().clear();
  else
    fetch(core::Pacientes::def(), core::Pacientes::PAS_001);
  core::LOC().Cod_Postal = core::PAC().Cod_Postal;
  fetch(core::Localidades::def(), core::Localidades::LOC01);
  core::MDC().Cod_Medico = core::TUR().Cod_Medico;
  fetch(core::Medicos::def(), core::Medicos::MDC01);
  core::ESP().Cod_Especialidad = core::MDC().Cod_Especialidad;
  fetch(core::Especialidades::def(), core::Especialidades::ESP01);
  auto set = [this](const char* name, std::string_view text) {
    control<QLineEdit>(name)->setText(clippedText(text));
  };
  set("?COB:DESCRIPCION", core::COB().Descripcion.view());
  set("?PAC:DIRECCION", core::PAC().Direccion.view());
  control<QLineEdit>("?PAC:COD_POSTAL")
      ->setText(core::PAC().Cod_Postal == 0 ? QString() : QString::number(core::PAC().Cod_Postal));
  set("?LOC:NOMBRELOCALIDAD", core::LOC().NombreLocalidad.view());
  set("?MDC:NOMBRE", core::MDC().Nombre.view());
  set("?ESP:DESCRIPCION", core::ESP().Descripcion.view());
}

void AppointmentForm::applyStates() {
  core::TurnosBuffer& tur = core::TUR();
  const std::string type(tur.Tipo.clipped());
  const bool confirmed = tur.Confirmado != 0;
  QWidget* patient = control("?TUR:COD_PACIENTE");
  QWidget* coverage = control("?TUR:COD_COBERTURA");
  QWidget* lookups[] = {patient, coverage, control("?LOOKUPPACIENTE"), control("?LOOKUPCOBERTURA")};
  QWidget* name = control("?TUR:NOMBRE");
  QWidget* phone = control("?TUR:TELEFONO");
  QWidget* order = control("?TUR:NRO_ORDEN_ATENCION");
  auto tabbed = [](QWidget* w, bool on) {
    w->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
  };
  if (type == "TUR" || type == "STU") {
    rt::setRequired(patient, confirmed);
    name->setEnabled(!confirmed);
    phone->setEnabled(!confirmed);
    if (type == "TUR") {
      tabbed(patient, confirmed);
      tabbed(coverage, confirmed);
      rt::setRequired(order, confirmed && consultations_ == 0);
    }
    for (QWidget* w : lookups) w->setEnabled(true);
  } else if (type == "LIB") {
    for (QWidget* w : lookups) w->setEnabled(false);
  } else if (type == "REU" || type == "OTR") {
    for (QWidget* w : lookups) w->setEnabled(false);
    name->setEnabled(false);
    phone->setEnabled(false);
  }
  control("?TUR:COSEGURO")->setEnabled(confirmed);
  order->setEnabled(confirmed && consultations_ == 0);
  if (!confirmed || consultations_ != 0) rt::setRequired(order, false);
  // The patient of an appointment with consultations cannot change.
  if (consultations_ != 0) {
    patient->setEnabled(false);
    control("?LOOKUPPACIENTE")->setEnabled(false);
  }
}

int AppointmentForm::TakeEvent() {
  if (consultationList_ && consultationList_->TakeEvent()) return rt::level::Benign;
  if (isOpen() && !viewing() && event() != rt::event::CloseWindow) {
    Update();
    typeFromList();
    const char* record = primaryTable().record();
    const std::string before(record, record + core::Turnos::def().recordSize);
    core::TurnosBuffer& tur = core::TUR();
    if (std::string(tur.Tipo.clipped()) != typeSeen_) {
      DuracionSegunPlanilla();
      typeSeen_ = std::string(tur.Tipo.clipped());
    }
    // The check box only shows whether an order was given.
    tur.Confirmado = tur.Nro_Orden_Atencion != 0 ? 1 : 0;
    applyStates();
    // Shown again only when something changed: a text being edited keeps
    // its cursor.
    if (before.compare(0, before.size(), record, before.size()) != 0) Display();
  }
  return core::RecordForm::TakeEvent();
}

bool AppointmentForm::orderAccepted() {
  core::TurnosBuffer& tur = core::TUR();
  const int order = tur.Nro_Orden_Atencion;
  if (consultations_ != 0 || order >= GLO::ProximoTurno || order == openingOrder_) return true;
  rt::showMessage({kOrderTooLow,
                   kOrderTooLowTitle,
                   rt::MessageIcon::Error,
                   rt::button::Ok,
                   {},
                   rt::button::Ok});
  tur.Nro_Orden_Atencion = static_cast<std::uint8_t>(openingOrder_);
  tur.Confirmado = openingOrder_ != 0 ? 1 : 0;
  Display();
  control("?TUR:NRO_ORDEN_ATENCION")->setFocus();
  return false;
}

void AppointmentForm::takePatient(bool found) {
  core::TurnosBuffer& tur = core::TUR();
  if (!found) {
    tur.Cod_Cobertura = 0;
    tur.Nombre = "";
    tur.Telefono = "";
  } else if (tur.Cod_Paciente != 0 && tur.Cod_Paciente <= 0xFFFF) {
    core::PAC().Cod_Paciente = static_cast<std::uint16_t>(tur.Cod_Paciente);
    if (core::access(core::Pacientes::def()).fetchByKey(core::Pacientes::PAS_001) ==
        core::level::Benign) {
      tur.Cod_Cobertura = core::PAC().Cod_Cobertura;
      tur.Nombre = std::string(core::PAC().Nombre.clipped());
      tur.Telefono = std::string(core::PAC().Telefono.clipped());
    }
  }
}

int AppointmentForm::lookUp(const core::LookupField& l, bool fromButton) {
  const int result = core::RecordForm::lookUp(l, fromButton);
  if (&l == &kPatientLookup) {
    takePatient(result == rt::level::Benign);
    showLookups();
  }
  Display();
  return result;
}

int AppointmentForm::TakeAccepted() {
  QWidget* accepted = field();
  const std::string name = accepted ? rt::fromQString(accepted->objectName()) : std::string();
  if (name == "?OK" && !viewing()) {
    Update();
    typeFromList();
    if (!orderAccepted()) return rt::level::Benign;
  }
  if (int r = core::RecordForm::TakeAccepted(); r != rt::level::Benign) return r;
  if (accepted == nullptr) return rt::level::Benign;
  for (const core::LookupField* l : {&kPatientLookup, &kCoverageLookup}) {
    if (name == l->entry) return lookUp(*l, false);
    if (name == l->button) return lookUp(*l, true);
  }
  if (name == "?TUR:NRO_ORDEN_ATENCION") {
    Update();
    orderAccepted();
  } else if (consultationList_) {
    consultationList_->TakeAccepted(accepted);
  }
  return rt::level::Benign;
}

int AppointmentForm::Kill() {
  consultationList_.reset();
  return core::RecordForm::Kill();
}

bool ReacomodarOrdenAtencion(std::uint16_t medico, std::int32_t fecha, std::uint32_t self, int from,
                             int to) {
  rt::Table& day = core::Copia_Turnos::table();
  core::TableAccess& access = core::access(core::Copia_Turnos::def());
  if (access.open() != core::level::Benign) return false;
  std::string failed;
  if (rt::beginTransaction() != 0) {
    failed = core::currentErrorText();
  } else {
    day.clear();
    core::C_TUR().Cod_Medico = medico;
    core::C_TUR().Fecha = fecha;
    day.setFromBuffer(core::Copia_Turnos::TUR07);
    day.setRange(2);
    while (failed.empty() && day.next() == 0) {
      core::TurnosBuffer& other = core::C_TUR();
      const int order = other.Nro_Orden_Atencion;
      if (other.Cod_Turno == self || order == 0) continue;
      int moved = order;
      if (from >= to && order >= to && order < from) moved = order + 1;
      if (from < to && order >= from && order <= to) moved = order - 1;
      if (moved == order) continue;
      other.Nro_Orden_Atencion = static_cast<std::uint8_t>(moved);
      if (day.put() != 0) {
        failed = core::currentErrorText();
        break;
      }
      core::DebugTrace(std::to_string(from) + " < " + std::to_string(to) + " -> " +
                       std::to_string(order) + " -> " + std::to_string(moved));
    }
    if (failed.empty() && rt::commitTransaction() != 0) failed = core::currentErrorText();
    if (!failed.empty() && rt::transactionIsOpen()) rt::rollbackTransaction();
  }
  access.close();
  if (failed.empty()) return true;
  // Half a renumbering would give two patients one order: nothing stays.
  core::showTableMessage(core::TableMessage::UpdateFailed,
                         core::MessageFill().File(core::Turnos::def().label).ErrorText(failed));
  return false;
}

int FormularioTurnos() {
  AppointmentForm form;
  const int response = form.Run();
  const core::TurnosBuffer& tur = core::TUR();
  if (response == rt::kCompleted && tur.Nro_Orden_Atencion != form.openingOrder() &&
      rt::showMessage({kOrderChanged,
                       kOrderTitle,
                       rt::MessageIcon::Question,
                       rt::button::Yes | rt::button::No,
                       {},
                       rt::button::Yes}) == rt::button::Yes) {
    ReacomodarOrdenAtencion(tur.Cod_Medico, tur.Fecha, tur.Cod_Turno, form.openingOrder(),
                            tur.Nro_Orden_Atencion);
  }
  rt::ThreadResponse() = static_cast<std::uint8_t>(response);
  return response;
}

}  // namespace practice
