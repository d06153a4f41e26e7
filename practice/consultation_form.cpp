#include "practice/consultation_form.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/aids/calendar_popup.h"
#include "core/aids/designed_font.h"
#include "core/aids/main_services.h"
#include "core/aids/notes_toolbar.h"
#include "core/aids/patient_services.h"
#include "core/aids/window_parts.h"
#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/procedures.h"
#include "platform/data/record_buffer.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/picture_validator.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/rtf_reader.h"
#include "practice/attachment_form.h"

namespace practice {

using core::request::Change;
using core::request::Delete;
using core::request::Insert;

namespace {

constexpr auto& kNotesTooLong =
    "Las notas superan los 25.000 caracteres permitidos (incluido su formato).|Acórtelas para "
    "poder grabar la consulta."_cp;
constexpr std::int32_t kWhite = 0xFFFFFF;

const rt::TableDef& patients() { return core::Pacientes::def(); }
const rt::TableDef& physicians() { return core::Medicos::def(); }
const rt::TableDef& visitTypes() { return core::TiposConsultas::def(); }

const core::LookupField kLookups[] = {
    {"?CON:COD_PACIENTE", "?LOOKUPPACIENTE", "CON:Cod_Paciente", patients, "PAC:Cod_Paciente",
     core::Pacientes::PAS_001, "ExaminarPacientes"},
    {"?CON:COD_MEDICO", "?LOOKUPMEDICO", "CON:Cod_Medico", physicians, "MDC:Cod_Medico",
     core::Medicos::MDC01, "ExaminarMedicos"},
    {"?CON:COD_TIPOCONSULTA", "?LOOKUPTIPO", "CON:Cod_TipoConsulta", visitTypes,
     "TIC:Cod_TipoConsulta", core::TiposConsultas::TIC01, "ExaminarTiposConsulta"},
};

const char* statusText(int request) {
  switch (request) {
    case core::request::View:
      return "Ver Registro";
    case Insert:
      return "Agregando Registro";
    case Change:
      return "Modificando Registro";
    case Delete:
      return "Borrando Registro";
    default:
      return "";
  }
}

}  // namespace

bool InicializarConsultaDesdeTurno(bool fromAppointment) {
  core::ConsultasBuffer& con = core::CON();
  core::TurnosBuffer& tur = core::TUR();
  const rt::TableDef& consultations = core::Consultas::def();
  // An appointment's patient code the consultation cannot hold would be
  // stored wrapped, on another patient.
  if (fromAppointment && tur.Cod_Turno != 0 &&
      !rt::fitsField(consultations.fields[consultations.fieldIndex("Cod_Paciente")],
                     tur.Cod_Paciente)) {
    return false;
  }
  con.Fecha = rt::today();
  con.Motivo = fromAppointment ? std::string(tur.Motivo.clipped()) : std::string();
  con.Cod_TipoConsulta = 1;
  if (fromAppointment && tur.Cod_Turno != 0) {
    con.Cod_Paciente = static_cast<std::uint16_t>(tur.Cod_Paciente);  // checked above
    con.Cod_Medico = tur.Cod_Medico;
    con.Fecha = tur.Fecha != 0 ? tur.Fecha : rt::today();
    con.Cod_Turno = tur.Cod_Turno;
  }
  con.Notas.clear();
  return true;
}

void GrabarLogConsulta(int request) {
  core::TableAccess& log = core::access(core::LogConsultas::def());
  core::LogConsultas::table().clear();
  core::LogConsultasBuffer& lcn = core::LCN();
  lcn.Cod_Consulta = core::CON().Cod_Consulta;
  lcn.Cod_Usuario = GLO::Cod_Usuario_Logueado;
  lcn.Fecha = rt::today();
  lcn.Hora = rt::clockTime();
  const char* operation = request == Insert                ? "A"
                          : request == Change              ? "M"
                          : request == Delete              ? "B"
                          : request == core::request::View ? "V"
                                                           : "";
  lcn.Operacion = operation;
  // One numbered insert adds the whole entry; a failure loses only it.
  if (log.insertNumbered(false) == core::level::Benign) log.insert(false);
}

ConsultationForm::ConsultationForm(bool fromAppointment)
    : core::RecordForm("FormularioConsultas", core::Consultas::def(), false),
      fromAppointment_(fromAppointment) {}

ConsultationForm::~ConsultationForm() = default;

QWidget* ConsultationForm::buildWindow() {
  const auto [window, sheet, general] =
      core::formSheet("Actualizando un Registro de Consultas", "General");
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  // ------------------------------------------------------------------ general
  auto* grid = new QGridLayout(general);
  int row = 0;
  auto line = [&](const char* prompt, QWidget* buddy, std::initializer_list<QWidget*> controls,
                  bool stretch = false) {
    core::addFormLine(grid, row++, prompt, buddy, controls, stretch);
  };
  auto code = [&](const char* name) {
    QLineEdit* e = core::namedEntry(general, name);
    e->setMaximumWidth(units.x(30));
    return e;
  };
  auto lookupButton = [&](const char* name, const char* text) {
    auto* b = core::namedButton(general, name, text);
    b->setMaximumWidth(units.x(22));
    return b;
  };
  QLineEdit* patient = code("?CON:COD_PACIENTE");
  QLineEdit* patientName = core::shownEntry(general, "?PAC:NOMBRE");
  line("Paciente:", patient,
       {patient, lookupButton("?LOOKUPPACIENTE", "F2"), patientName,
        core::shownEntry(general, "?COB:DESCRIPCION"),
        core::shownEntry(general, "?PAC:NROCARNETOBRASOCIAL")});
  QLineEdit* firstVisit = core::shownEntry(general, "?PAC:FECHA_PRIMER_CONSULTA");
  QLineEdit* born = core::shownEntry(general, "?PAC:FECHA_NACIM");
  QLineEdit* age = core::shownEntry(general, "?LOC:EDADSTR");
  for (QLineEdit* e : {firstVisit, born}) e->setMaximumWidth(units.x(50));
  age->setMaximumWidth(units.x(56));
  line("F.Primer Consulta:", firstVisit, {firstVisit, new QLabel("F.N.:", general), born, age},
       true);
  QLineEdit* date = core::namedEntry(general, "?CON:FECHA");
  date->setMaximumWidth(units.x(50));
  auto* calendar = core::namedButton(general, "?CALENDARIO", "...", "Elija Fecha");
  calendar->setMaximumWidth(units.x(14));
  line("Fecha:", date, {date, calendar}, true);
  QLineEdit* motive = core::namedEntry(general, "?CON:MOTIVO", 120);
  line("Motivo:", motive, {motive});
  QLineEdit* physician = code("?CON:COD_MEDICO");
  line("Médico:"_cp, physician,
       {physician, lookupButton("?LOOKUPMEDICO", "F3"), core::shownEntry(general, "?MDC:NOMBRE")});
  QLineEdit* type = code("?CON:COD_TIPOCONSULTA");
  line("Tipo:", type,
       {type, lookupButton("?LOOKUPTIPO", "F4"), core::shownEntry(general, "?TIC:DESCRIPCION")});

  auto* notesBox = new QGroupBox("Notas:", general);
  auto* notesText = new QTextEdit(notesBox);
  notesText->setObjectName("?CON:NOTAS");
  notesText->setMinimumHeight(units.y(80));
  notesText->setTabChangesFocus(true);
  notes_ = std::make_unique<rt::RtfControl>(&toolWindows_);
  auto* notesLayout = new QVBoxLayout(notesBox);
  notesLayout->addWidget(core::buildNotesToolBar(notesBox, *notes_));
  notesLayout->addWidget(notesText, 1);
  grid->addWidget(notesBox, row++, 0, 1, 2);
  grid->setRowStretch(row - 1, 3);

  auto* filesBox = new QGroupBox("Archivos Adjuntos a la Consulta:", general);
  auto* files = new QTableView(filesBox);
  files->setObjectName("?BROWSE:ADJ");
  files->setMinimumHeight(units.y(40));
  auto* fileButtons = new QVBoxLayout;
  fileButtons->addWidget(core::namedButton(filesBox, "?INSERT:ADJ", "&Agregar"));
  fileButtons->addWidget(core::namedButton(filesBox, "?CHANGE:ADJ", "&Modificar"));
  fileButtons->addWidget(core::namedButton(filesBox, "?DELETE:ADJ", "&Borrar"));
  fileButtons->addWidget(core::namedButton(filesBox, "?OPENFILE", "Abrir"));
  fileButtons->addStretch();
  auto* filesLayout = new QHBoxLayout(filesBox);
  filesLayout->addWidget(files, 1);
  filesLayout->addLayout(fileButtons);
  grid->addWidget(filesBox, row++, 0, 1, 2);
  grid->setRowStretch(row - 1, 1);
  grid->addWidget(core::namedButton(general, "?EDITPATIENT", "Editar Datos Paciente",
                                    "Edita datos del paciente seleccionado"),
                  row++, 0, 1, 2, Qt::AlignLeft);
  grid->setColumnStretch(1, 1);

  // ------------------------------------------------------------ the others
  auto* history = new QWidget;
  sheet->addTab(history, "Otras Consultas y Antecedentes");
  auto* others = new QTableView(history);
  others->setObjectName("?BROWSE:C_CON");
  others->setMinimumHeight(units.y(70));
  auto* otherNotes = new QTextEdit(history);
  otherNotes->setObjectName("?C_CON:NOTAS");
  otherNotes->setReadOnly(true);
  otherNotes->setFocusPolicy(Qt::ClickFocus);
  otherNotes_ = std::make_unique<rt::RtfControl>();
  auto memo = [&](const char* title, const char* name) {
    auto* box = new QGroupBox(rt::toQString(title), history);
    auto* text = new QPlainTextEdit(box);
    text->setObjectName(name);
    text->setReadOnly(true);
    text->setTabChangesFocus(true);
    (new QVBoxLayout(box))->addWidget(text);
    return box;
  };
  auto* memos = new QHBoxLayout;
  memos->addWidget(memo("Antecedentes Familiares", "?PAC:ANT_FAMILIARES"));
  memos->addWidget(memo("Antecedentes Personales:", "?PAC:ANT_PERSONALES"));
  memos->addWidget(memo("Notas (del Paciente):", "?PAC:NOTAS"));
  auto* historyLayout = new QVBoxLayout(history);
  historyLayout->addWidget(others, 3);
  historyLayout->addWidget(otherNotes, 2);
  historyLayout->addLayout(memos, 2);

  // The status text stands at the left of the buttons.
  QHBoxLayout* buttons = core::sheetAndButtons(window, sheet);
  auto* status = new QLabel(window);
  status->setObjectName("?STATUS");
  buttons->insertWidget(0, status);
  buttons->addWidget(core::namedButton(window, "?GENERARFICHA", "Generar Ficha"));

  fields().bind(patient, "CON:Cod_Paciente", 1);
  rt::setPicture(patient, "@n6");
  fields().bind(date, "CON:Fecha", 2);
  rt::setPicture(date, "@d17");
  fields().bind(motive, "CON:Motivo", 3);
  fields().bind(physician, "CON:Cod_Medico", 4);
  rt::setPicture(physician, "@n6");
  fields().bind(type, "CON:Cod_TipoConsulta", 5);
  for (const core::LookupField& l : kLookups) bindLookup(l);
  rt::setPicture(type, "@n6");
  for (QLineEdit* e : {firstVisit, born}) rt::setPicture(e, "@d17");
  return window;
}

int ConsultationForm::PrimeUpdate() {
  if (REQUEST == Insert) {
    core::TableAccess& access = PRIMARY->access();
    access.primeRecord();  // keeps what the calling list holds (its patient)
    if (!InicializarConsultaDesdeTurno(fromAppointment_)) {
      rt::MessageRequest message;
      message.caption = "Código inválido"_cp;
      message.icon = rt::MessageIcon::Error;
      message.text = "El turno tiene el código de paciente "_cp +
                     std::to_string(core::TUR().Cod_Paciente) +
                     ", que no existe.|Corrija el paciente del turno antes de la consulta.";
      rt::showMessage(message);
      return rt::level::Notify;
    }
    // Stored at once, so that attachments can refer to it before OK.
    return access.insertNumbered() == core::level::Benign ? rt::level::Benign : rt::level::Notify;
  }
  if (REQUEST != Delete) return core::RecordForm::PrimeUpdate();
  deleting_ = true;  // shown like a change; OK deletes without a question
  REQUEST = Change;
  const int result = core::RecordForm::PrimeUpdate();
  REQUEST = Delete;
  return result;
}

void ConsultationForm::OwnSetup() {
  openRelations({&core::Adjuntos::def(), &core::Copia_Consultas::def(), &core::LogConsultas::def(),
                 &core::Pacientes::def(), &core::Medicos::def(), &core::TiposConsultas::def(),
                 &core::Turnos::def(), &core::Coberturas_Medicas::def(),
                 &core::Copia_Medicos::def(), &core::Copia_TiposConsultas::def()});
  core::DebugTrace("3 - " + core::CON().Notas);
  notes_->attachControl(control<QTextEdit>("?CON:NOTAS"), 1, {});
  notes_->setMarkup(core::CON().Notas);
  loadedNotes_ = notes_->markup();
  otherNotes_->attachControl(control<QTextEdit>("?C_CON:NOTAS"), 1, {});
  setUpAttachments();
  setUpOthers();
  control<QLabel>("?STATUS")->setText(statusText(REQUEST));
  // The other consultations are read again each time their tab is shown,
  // so that what was stored meanwhile is there.
  QObject::connect(control<QTabWidget>("?CurrentTab"), &QTabWidget::currentChanged, window(),
                   [this](int tab) {
                     if (tab == 1) post(kOthersShown);
                   });
  applyLocks();
  refresh();
  FIRSTFIELD = control(fromAppointment_ || viewing() ? "?CON:MOTIVO" : "?CON:COD_PACIENTE");
  for (int key : {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4}) alertKey(key);
}

void ConsultationForm::setUpAttachments() {
  auto* list = control<QTableView>("?BROWSE:ADJ");
  attachments_ = std::make_unique<core::ListBrowser>(*this, list, core::Adjuntos::def());
  core::ListBrowser& a = *attachments_;
  a.AddSortOrder({}, core::Adjuntos::ADJ02);
  a.SetRange([] { return static_cast<std::int64_t>(core::CON().Cod_Consulta); });
  a.AddColumn(core::ListColumn{"ADJ:Archivo_Adjunto", "Archivo Adjunto", "@s255", 0, -1});
  a.AddHiddenColumn("ADJ:CodAdjunto");
  a.AddHiddenColumn("ADJ:Cod_Consulta");
  a.USEPOPUP = 1;
  if (!viewing()) {
    a.INSERTCONTROL = control("?INSERT:ADJ");
    a.CHANGECONTROL = control("?CHANGE:ADJ");
    a.DELETECONTROL = control("?DELETE:ADJ");
  }
  a.ASKPROCEDURE = 1;
  a.askProcedure = [this](int request) {
    if (viewing()) return rt::kCancelled;
    return callKeepingRecord([request] {
      rt::ThreadRequest() = static_cast<std::uint8_t>(request);
      return FormularioAdjuntos();
    });
  };
  a.ResetView();
}

void ConsultationForm::setUpOthers() {
  auto* list = control<QTableView>("?BROWSE:C_CON");
  others_ = std::make_unique<core::ListBrowser>(*this, list, core::Copia_Consultas::def());
  core::ListBrowser& o = *others_;
  o.AddSortOrder({}, core::Copia_Consultas::CON03);
  o.SetRange([] { return static_cast<std::int64_t>(core::CON().Cod_Paciente); });
  o.AddJoin(core::Copia_Medicos::def(), core::Copia_Medicos::MDC01, {"C_CON:Cod_Medico"});
  o.AddJoin(core::Copia_TiposConsultas::def(), core::Copia_TiposConsultas::TIC01,
            {"C_CON:Cod_TipoConsulta"});
  using core::ListColumn;
  o.AddColumn(ListColumn{"C_CON:Fecha", "Fecha", "@d17", 0, 47});
  o.AddColumn(ListColumn{"C_MDC:Nombre", "Médico"_cp, "@s80", 0, 80});
  o.AddColumn(ListColumn{"C_CON:Motivo", "Motivo", "@s120", 0, 100});
  o.AddColumn(ListColumn{"C_TIC:Descripcion", "Tipo de Consulta", "@s50", 0, 200,
                         core::ColumnAlign::Left, false, true});
  o.AddColumn(ListColumn{"C_TIC:Color", "Color", "@n13", 0, 0});
  ListColumn notes{"C_CON:Notas", "Notas", "@s255", 0, 0};
  notes.shownAs = core::notesAsText;
  o.AddColumn(notes);
  for (const char* field :
       {"C_CON:Cod_Consulta", "C_CON:Cod_Paciente", "C_MDC:Cod_Medico", "C_TIC:Cod_TipoConsulta"}) {
    o.AddHiddenColumn(field);
  }
  o.colourRow = [](core::ListRow& row) {
    const auto colour = static_cast<std::int32_t>(core::C_TIC().Color);
    row.colours[3] = {colour, kWhite, colour, kWhite};
  };
  o.ResetView();
  showOtherNotes();
}

void ConsultationForm::applyLocks() {
  auto readOnly = [this](const char* name) {
    if (auto* e = control<QLineEdit>(name)) e->setReadOnly(true);
  };
  if (fromAppointment_) {
    for (const char* name : {"?CON:COD_PACIENTE", "?CON:COD_MEDICO", "?CON:FECHA"}) readOnly(name);
    for (const char* name : {"?LOOKUPPACIENTE", "?LOOKUPMEDICO", "?CALENDARIO"}) {
      control(name)->setEnabled(false);
    }
  }
  if (viewing()) {
    for (const char* name : {"?CON:COD_PACIENTE", "?CON:FECHA", "?CON:MOTIVO", "?CON:COD_MEDICO",
                             "?CON:COD_TIPOCONSULTA"}) {
      readOnly(name);
    }
    for (const char* name :
         {"?LOOKUPPACIENTE", "?LOOKUPMEDICO", "?LOOKUPTIPO", "?CALENDARIO", "?INSERT:ADJ",
          "?CHANGE:ADJ", "?DELETE:ADJ", "?OPENFILE", "?EDITPATIENT", "?GENERARFICHA"}) {
      control(name)->setEnabled(false);
    }
    control<QTextEdit>("?CON:NOTAS")->setReadOnly(true);
    core::lockNotesToolBar(control("?NOTESTOOLBAR"));
  }
}

void ConsultationForm::refresh() {
  core::TUR().Cod_Turno = core::CON().Cod_Turno;
  core::access(core::Turnos::def()).fetchOrClear(core::Turnos::TUR01);
  core::MDC().Cod_Medico = core::CON().Cod_Medico;
  core::access(core::Medicos::def()).fetchOrClear(core::Medicos::MDC01);
  core::TIC().Cod_TipoConsulta = core::CON().Cod_TipoConsulta;
  core::access(core::TiposConsultas::def()).fetchOrClear(core::TiposConsultas::TIC01);
  showPatient();
  control<QLineEdit>("?MDC:NOMBRE")->setText(rt::toQString(core::MDC().Nombre.clipped()));
  control<QLineEdit>("?TIC:DESCRIPCION")->setText(rt::toQString(core::TIC().Descripcion.clipped()));
}

void ConsultationForm::showPatient() {
  if (core::CON().Cod_Paciente == 0) {
    core::Pacientes::table().clear();
  } else {
    core::PAC().Cod_Paciente = core::CON().Cod_Paciente;
    core::access(core::Pacientes::def()).fetchOrClear(core::Pacientes::PAS_001);
  }
  core::COB().Cod_Cobertura = core::PAC().Cod_Cobertura;
  core::access(core::Coberturas_Medicas::def()).fetchOrClear(core::Coberturas_Medicas::COB_001);
  const core::PacientesBuffer& pac = core::PAC();
  control<QLineEdit>("?PAC:NOMBRE")->setText(rt::toQString(pac.Nombre.clipped()));
  control<QLineEdit>("?COB:DESCRIPCION")->setText(rt::toQString(core::COB().Descripcion.clipped()));
  control<QLineEdit>("?PAC:NROCARNETOBRASOCIAL")
      ->setText(rt::toQString(pac.NroCarnetObraSocial.clipped()));
  control<QLineEdit>("?PAC:FECHA_PRIMER_CONSULTA")
      ->setText(core::shownDate(pac.Fecha_Primer_Consulta));
  control<QLineEdit>("?PAC:FECHA_NACIM")->setText(core::shownDate(pac.Fecha_Nacim));
  control<QLineEdit>("?LOC:EDADSTR")
      ->setText(rt::toQString(core::CON().Cod_Paciente == 0 ? std::string()
                                                            : core::CalcularEdad(pac.Fecha_Nacim)));
  control<QPlainTextEdit>("?PAC:ANT_FAMILIARES")->setPlainText(rt::toQString(pac.Ant_Familiares));
  control<QPlainTextEdit>("?PAC:ANT_PERSONALES")->setPlainText(rt::toQString(pac.Ant_Personales));
  control<QPlainTextEdit>("?PAC:NOTAS")->setPlainText(rt::toQString(pac.Notas));
  control("?EDITPATIENT")->setEnabled(!viewing() && core::CON().Cod_Paciente != 0);
}

bool ConsultationForm::takeNotes() {
  // Notes left as they were keep their stored markup: written again by the
  // editor they could come out longer, and refuse a save of other changes.
  std::string markup = notes_->markup();
  if (markup == loadedNotes_) return true;
  if (markup.size() > kNotesLimit) return false;
  core::CON().Notas = std::move(markup);
  return true;
}

bool ConsultationForm::RestoreField(QWidget* control, rt::RecordBuffer& from) {
  if (control == nullptr || control != this->control("?CON:NOTAS")) {
    return core::RecordForm::RestoreField(control, from);
  }
  notes_->setMarkup(from.memo(core::Consultas::def().memoIndex("CON:Notas")));
  return true;
}

bool ConsultationForm::notesFit() {
  if (takeNotes()) return true;
  rt::showMessage(
      {kNotesTooLong, "Notas", rt::MessageIcon::Warning, rt::button::Ok, {}, rt::button::Ok});
  return false;
}

void ConsultationForm::writeConsultationNow() {
  Update();
  rt::Table& t = primaryTable();
  // Notes over the limit are not written: the stored ones stay as they were.
  if (t.position() == 0 || !takeNotes()) return;
  core::RecordSnapshot typed(t);
  if (t.put() != 0) typed.restore();
}

int ConsultationForm::lookUp(const core::LookupField& l, bool fromButton) {
  const int result = core::RecordForm::lookUp(l, fromButton);
  if (result == rt::level::Benign) others_->ResetView();
  return result;
}

void ConsultationForm::showOtherNotes() {
  std::string markup;
  if (const core::ListRow* row = others_->selectedRow()) {
    if (core::Copia_Consultas::table().fetchPosition(row->position) == 0)
      markup = core::C_CON().Notas;
  }
  otherNotes_->setMarkup(markup);
}

int ConsultationForm::confirmDeleteNow() {
  if (PRIMARY->remove(false) != core::level::Benign) return rt::level::Benign;
  Response = rt::kCompleted;
  RegistrarActividad(false);
  return rt::level::Fatal;
}

int ConsultationForm::TakeEvent() {
  if (event() == kOthersShown && field() == nullptr) {
    others_->ResetView();
    showOtherNotes();
    return rt::level::Benign;
  }
  if (notes_) notes_->takeEvent(*this);
  if (otherNotes_) otherNotes_->takeEvent();
  if (attachments_ && attachments_->TakeEvent()) return rt::level::Benign;
  if (others_ && others_->TakeEvent()) return rt::level::Benign;
  if (event() == rt::event::AlertKey) {
    const int keys[] = {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4};
    for (int i = 0; i < 3; ++i) {
      if (keyCode() == keys[i]) {
        if (control(kLookups[i].button)->isEnabled()) lookUp(kLookups[i], true);
        return rt::level::Benign;
      }
    }
  }
  return core::RecordForm::TakeEvent();
}

int ConsultationForm::TakeNewSelection() {
  if (others_ && field() == others_->list()) showOtherNotes();
  return core::RecordForm::TakeNewSelection();
}

int ConsultationForm::TakeAccepted() {
  QWidget* accepted = field();
  const std::string name = accepted ? rt::fromQString(accepted->objectName()) : std::string();
  if (name == "?OK" && !viewing()) {
    if (deleting_) return confirmDeleteNow();
    if (!notesFit()) return rt::level::Benign;
  }
  if (int r = core::RecordForm::TakeAccepted(); r != rt::level::Benign) return r;
  if (accepted == nullptr) return rt::level::Benign;
  for (const core::LookupField& l : kLookups) {
    if (name == l.entry) return lookUp(l, false);
    if (name == l.button) return lookUp(l, true);
  }
  if (name == "?CON:FECHA") {
    Update();
  } else if (name == "?CALENDARIO") {
    Update();
    core::CON().Fecha =
        core::BotonCalendario(*this, control<QLineEdit>("?CON:FECHA"), "Fecha de Consulta");
  } else if (name == "?EDITPATIENT") {
    Update();
    takeNotes();
    callKeepingRecord([] {
      rt::ThreadRequest() = Change;
      return rt::callProcedure("FormularioPacientes");
    });
  } else if (name == "?GENERARFICHA") {
    const std::string code = std::to_string(core::CON().Cod_Paciente);
    callKeepingRecord([&] { return rt::callProcedure("ReporteHistoriaClinicaFiltrada", {code}); });
  } else if (name == "?OPENFILE") {
    if (const core::ListRow* row = attachments_->selectedRow(); row && !row->values.empty()) {
      core::AbrirArchivoAdjunto(row->values[0]);
    }
  } else if (accepted == attachments_->INSERTCONTROL) {
    writeConsultationNow();
    attachments_->TakeAccepted(accepted);
  } else {
    attachments_->TakeAccepted(accepted);
  }
  refresh();
  return rt::level::Benign;
}

// The closing question covers the notes too: Yes goes through OK, which
// refuses notes too long for the record and keeps them in the window.
bool ConsultationForm::recordChanged() {
  if (notes_ && !deleting_ && notes_->markup() != loadedNotes_) return true;
  return core::RecordForm::recordChanged();
}

int ConsultationForm::Kill() {
  if (FILESOPENED != 0) GrabarLogConsulta(REQUEST);
  if (notes_) notes_->release();
  if (otherNotes_) otherNotes_->release();
  attachments_.reset();
  others_.reset();
  return core::RecordForm::Kill();
}

int FormularioConsultas(bool fromAppointment) {
  return core::runWindow<ConsultationForm>(fromAppointment);
}

}  // namespace practice
