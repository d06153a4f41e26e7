#include "practice/patient_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/aids/calendar_popup.h"
#include "core/aids/designed_font.h"
#include "core/aids/patient_services.h"
#include "core/aids/window_parts.h"
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

namespace practice {

using core::request::Change;
using core::request::Delete;
using core::request::Insert;
using core::request::Select;

namespace {

constexpr auto& kDeleteWarning = "¡¡¡El registro será borrado!!!"_cp;
constexpr auto& kDeleteQuestion =
    "¿Está seguro de borrar el Paciente?||Todos sus datos se perderan..."_cp;
constexpr char kDeleteCaption[] = "Borrado de Paciente";
constexpr std::int32_t kWhite = 0xFFFFFF;

// Whether the key that last reached an entry was Backspace. The completion
// goes back one character for it alone: a shorter text is no sign of it, as
// a letter typed over the completed rest shortens the text too.
class BackspaceWatch : public QObject {
 public:
  using QObject::QObject;
  bool pressed = false;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      pressed = static_cast<QKeyEvent*>(event)->key() == Qt::Key_Backspace;
    }
    return false;
  }
};

}  // namespace

namespace {

const rt::TableDef& localities() { return core::Localidades::def(); }
const rt::TableDef& coverages() { return core::Coberturas_Medicas::def(); }
const rt::TableDef& occupations() { return core::Ocupaciones::def(); }

const core::LookupField kLookups[] = {
    {"?PAC:COD_POSTAL", "?LOOKUPLOCALIDAD", "PAC:Cod_Postal", localities, "LOC:Cod_Postal",
     core::Localidades::LOC01, "ExaminarLocalidades"},
    {"?PAC:COD_COBERTURA", "?LOOKUPCOBERTURA", "PAC:Cod_Cobertura", coverages, "COB:Cod_Cobertura",
     core::Coberturas_Medicas::COB_001, "ExaminarCoberturas"},
    {"?PAC:COD_OCUPACION", "?LOOKUPOCUPACION", "PAC:Cod_Ocupacion", occupations,
     "OCU:Cod_Ocupacion", core::Ocupaciones::OCU01, "ExaminarOcupaciones"},
};

}  // namespace

core::ExportSpec patientHistoryExport() {
  return {16,
          "1,2,3,8,9,10,",
          {{"Fecha", "@d17"},
           {"Motivo", "@s120"},
           {"Tipo de Consulta", "@s50"},
           {"Profesional", "@s80"},
           {"Notas", "@s255"},
           {"Color", "@n13"}},
          {},
          0};
}

PatientForm::PatientForm()
    : core::RecordForm("FormularioPacientes", core::Pacientes::def(), false) {}

PatientForm::~PatientForm() = default;

QWidget* PatientForm::buildWindow() {
  const auto [window, sheet, personal] =
      core::formSheet("Actualizando un registro de Pacientes", "Datos Personales");
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  // ------------------------------------------------------------ personal data
  auto* grid = new QGridLayout(personal);
  int row = 0;
  auto line = [&](const char* prompt, QWidget* buddy, std::initializer_list<QWidget*> controls,
                  bool stretch = false) {
    core::addFormLine(grid, row++, prompt, buddy, controls, stretch);
  };

  auto* code = core::shownEntry(personal, "?PAC:COD_PACIENTE");
  code->setMaximumWidth(units.x(40));
  auto* inactive = new QCheckBox("Inactivo?", personal);
  inactive->setObjectName("?PAC:INACTIVO");
  line("Código:"_cp, code, {code, inactive}, true);

  auto* name = core::namedEntry(personal, "?PAC:NOMBRE", 90);
  line("Nombre:", name, {name});

  auto* docType = new QComboBox(personal);
  docType->setObjectName("?PAC:TIPODOC");
  docType->addItems({"DNI", "LC", "LE", "PA", "CI", "ME"});
  auto* docNumber = core::namedEntry(personal, "?PAC:NRODOC");
  docNumber->setMaximumWidth(units.x(60));
  // The number shares the type's prompt; messages name it on its own.
  docNumber->setAccessibleName("Nro. Documento");
  line("Documento:", docType, {docType, docNumber}, true);

  auto* address = core::namedEntry(personal, "?PAC:DIRECCION", 90);
  line("Dirección:"_cp, address, {address});

  auto* postal = core::namedEntry(personal, "?PAC:COD_POSTAL");
  postal->setMaximumWidth(units.x(44));
  auto* locality = core::namedEntry(personal, "?LOC:NOMBRELOCALIDAD", 50);
  auto* findLocality = core::namedButton(personal, "?LOOKUPLOCALIDAD", "F2", "Elija Localidad");
  line("Localidad:", postal, {postal, locality, findLocality});

  auto* phone = core::namedEntry(personal, "?PAC:TELEFONO", 90);
  line("Teléfono:"_cp, phone, {phone});

  auto* email = core::namedEntry(personal, "?PAC:EMAIL", 90);
  QToolButton* mail = core::CrearEnlaceEmail(personal, "?MAILLINK");
  line("E-Mail:", email, {email, mail});

  auto* birth = core::namedEntry(personal, "?PAC:FECHA_NACIM");
  birth->setMaximumWidth(units.x(50));
  auto* calendar = core::namedButton(personal, "?CALENDARIO", "...", "Elija Fecha");
  calendar->setMaximumWidth(units.x(14));
  auto* age = core::shownEntry(personal, "?LOC:EDADSTR");
  age->setMaximumWidth(units.x(56));
  auto* ageLabel = new QLabel("Edad:", personal);
  auto* blood = core::namedEntry(personal, "?PAC:GRUPO_SAN", 4);
  blood->setMaximumWidth(units.x(24));
  auto* bloodLabel = new QLabel(rt::toQString("Grupo Sanguíneo:"_cp), personal);
  bloodLabel->setBuddy(blood);
  line("Fecha de Nacimiento:", birth, {birth, calendar, ageLabel, age, bloodLabel, blood}, true);

  auto* coverage = core::namedEntry(personal, "?PAC:COD_COBERTURA");
  coverage->setMaximumWidth(units.x(30));
  auto* findCoverage =
      core::namedButton(personal, "?LOOKUPCOBERTURA", "F3", "Elija Cobertura Médica"_cp);
  auto* coverageName = core::shownEntry(personal, "?COB:DESCRIPCION");
  line("Cobertura   Médica:"_cp, coverage, {coverage, findCoverage, coverageName});

  auto* card = core::namedEntry(personal, "?PAC:NROCARNETOBRASOCIAL", 30);
  auto* firstVisit = core::namedEntry(personal, "?PAC:FECHA_PRIMER_CONSULTA");
  firstVisit->setMaximumWidth(units.x(50));
  auto* firstLabel = new QLabel("F.Primer Consulta:", personal);
  firstLabel->setBuddy(firstVisit);
  line("Nº de Carnet:"_cp, card, {card, firstLabel, firstVisit});

  auto* occupation = core::namedEntry(personal, "?PAC:COD_OCUPACION");
  occupation->setMaximumWidth(units.x(30));
  auto* findOccupation =
      core::namedButton(personal, "?LOOKUPOCUPACION", "F4", "Elija Ocupación"_cp);
  auto* occupationName = core::shownEntry(personal, "?OCU:DESCRIPCION");
  line("Ocupación:"_cp, occupation, {occupation, findOccupation, occupationName});

  auto memo = [&](const char* title, const char* name) {
    auto* box = new QGroupBox(rt::toQString(title), personal);
    auto* text = new QPlainTextEdit(box);
    text->setObjectName(name);
    text->setTabChangesFocus(true);
    text->setMinimumHeight(units.y(22));
    (new QVBoxLayout(box))->addWidget(text);
    return std::pair{box, text};
  };
  auto [notesBox, notes] = memo("Notas:", "?PAC:NOTAS");
  auto [personalBox, personalHistory] = memo("Antecedentes Personales:", "?PAC:ANT_PERSONALES");
  auto [familyBox, familyHistory] = memo("Antecedentes Familiares:", "?PAC:ANT_FAMILIARES");
  auto* memos = new QHBoxLayout;
  memos->addWidget(notesBox);
  memos->addWidget(personalBox);
  memos->addWidget(familyBox);
  grid->addLayout(memos, row++, 0, 1, 2);
  auto* warning = new QLabel(rt::toQString(kDeleteWarning), personal);
  warning->setObjectName("?DELETEWARNING");
  warning->setStyleSheet("color: red; font-weight: bold;");
  warning->hide();
  grid->addWidget(warning, row++, 0, 1, 2, Qt::AlignCenter);
  grid->setColumnStretch(1, 1);

  // ---------------------------------------------------------- clinical history
  auto* clinical = new QWidget;
  sheet->addTab(clinical, rt::toQString("Historia Clínica"_cp));
  auto* head = new QGridLayout;
  auto* patient = core::shownEntry(clinical, "?PAC:NOMBRE:2");
  auto* group = core::shownEntry(clinical, "?PAC:GRUPO_SAN:2");
  group->setMaximumWidth(units.x(24));
  auto* plan = core::shownEntry(clinical, "?COB:DESCRIPCION:2");
  head->addWidget(new QLabel("Paciente:", clinical), 0, 0);
  head->addWidget(patient, 0, 1);
  head->addWidget(new QLabel(rt::toQString("Grupo Sanguíneo:"_cp), clinical), 0, 2);
  head->addWidget(group, 0, 3);
  head->addWidget(new QLabel("Cobertura Social:", clinical), 1, 0);
  head->addWidget(plan, 1, 1, 1, 3);
  head->setColumnStretch(1, 1);

  auto* visits = new QGroupBox("Consultas:", clinical);
  auto* hint = new QLabel(rt::toQString("Ctrl-B: Buscar - F3: Próximo..."_cp), visits);
  auto* list = new QTableView(visits);
  list->setObjectName("?BROWSE:CON");
  list->setMinimumSize(units.size(400, 90));
  auto* text = new QTextEdit(visits);
  text->setObjectName("?CON:NOTAS");
  text->setReadOnly(true);
  text->setFocusPolicy(Qt::ClickFocus);
  text->setMinimumHeight(units.y(60));
  auto* visitButtons = new QHBoxLayout;
  visitButtons->addWidget(core::namedButton(visits, "?PRINT", "Imprimir..."));
  visitButtons->addWidget(core::namedButton(visits, "?EXPORT", "E&xportar"));
  visitButtons->addWidget(core::namedButton(visits, "?QUERY", "&Consulta"));
  visitButtons->addStretch();
  visitButtons->addWidget(core::namedButton(visits, "?INSERT", "&Agregar"));
  visitButtons->addWidget(core::namedButton(visits, "?CHANGE", "&Modificar"));
  visitButtons->addWidget(core::namedButton(visits, "?DELETE", "&Borrar"));
  visitButtons->addWidget(core::namedButton(visits, "?LOGACTIVIDAD", "Log. Actividad"));
  auto* visitsLayout = new QVBoxLayout(visits);
  visitsLayout->addWidget(hint);
  visitsLayout->addWidget(list, 3);
  visitsLayout->addWidget(text, 2);
  visitsLayout->addLayout(visitButtons);
  auto* clinicalLayout = new QVBoxLayout(clinical);
  clinicalLayout->addLayout(head);
  clinicalLayout->addWidget(visits, 1);

  core::sheetAndButtons(window, sheet);

  rt::setPicture(postal, "P####-###PB");
  int history = 0;
  auto bind = [&](QWidget* control, const char* field) {
    fields().bind(control, field, ++history);
  };
  bind(code, "PAC:Cod_Paciente");
  rt::setPicture(code, "@n6");
  bind(inactive, "PAC:Inactivo");
  bind(name, "PAC:Nombre");
  bind(docType, "PAC:TipoDoc");
  bind(docNumber, "PAC:NroDoc");
  rt::setPicture(docNumber, "@n13");
  bind(address, "PAC:Direccion");
  bind(postal, "PAC:Cod_Postal");
  bind(phone, "PAC:Telefono");
  bind(email, "PAC:Email");
  bind(birth, "PAC:Fecha_Nacim");
  rt::setPicture(birth, "@d17");
  bind(blood, "PAC:Grupo_San");
  bind(coverage, "PAC:Cod_Cobertura");
  rt::setPicture(coverage, "@n6");
  bind(card, "PAC:NroCarnetObraSocial");
  bind(firstVisit, "PAC:Fecha_Primer_Consulta");
  rt::setPicture(firstVisit, "@d17");
  bind(occupation, "PAC:Cod_Ocupacion");
  rt::setPicture(occupation, "@n6");
  bind(notes, "PAC:Notas");
  bind(personalHistory, "PAC:Ant_Personales");
  bind(familyHistory, "PAC:Ant_Familiares");
  for (const core::LookupField& l : kLookups) bindLookup(l);

  // Each keystroke is completed as it stood when typed, even when the next
  // one arrives before the form has handled it.
  auto* backspace = new BackspaceWatch(locality);
  locality->installEventFilter(backspace);
  QObject::connect(
      locality, &QLineEdit::textEdited, window, [this, locality, backspace](const QString& typed) {
        typedLocality_.push_back({typed, locality->cursorPosition(), backspace->pressed});
        post(kTypeAhead);
      });
  return window;
}

int PatientForm::PrimeUpdate() {
  if (REQUEST == Insert) {
    core::TableAccess& access = PRIMARY->access();
    access.primeRecord();
    core::PAC().Fecha_Primer_Consulta = rt::today();
    return access.insertNumbered() == core::level::Benign ? rt::level::Benign : rt::level::Notify;
  }
  if (REQUEST != Delete) return core::RecordForm::PrimeUpdate();
  // A delete shows the patient as a change would and asks on completion.
  deleting_ = true;
  REQUEST = Change;
  const int result = core::RecordForm::PrimeUpdate();
  REQUEST = Delete;
  return result;
}

void PatientForm::OwnSetup() {
  openRelations({&core::Localidades::def(), &core::Coberturas_Medicas::def(),
                 &core::Ocupaciones::def(), &core::Consultas::def(), &core::Medicos::def(),
                 &core::TiposConsultas::def()});
  if (deleting_) {
    control("?DELETEWARNING")->show();
    CANCELACTION = 0;
  }
  // The name is where a receptionist starts typing (the code above it is
  // shown only, and a stray blank must not tick "Inactivo?").
  FIRSTFIELD = control("?PAC:NOMBRE");
  for (int key : {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4}) alertKey(key);
  setUpHistory();
  refresh();
  showAge();
}

void PatientForm::setUpHistory() {
  auto* list = control<QTableView>("?BROWSE:CON");
  history_ = std::make_unique<core::ListBrowser>(*this, list, core::Consultas::def());
  core::ListBrowser& h = *history_;
  h.AddSortOrder({}, core::Consultas::CON03);  // the patient's consultations by date
  h.SetRange([] { return core::PAC().Cod_Paciente; });
  h.AddJoin(core::Medicos::def(), core::Medicos::MDC01, {"CON:Cod_Medico"});
  h.AddJoin(core::TiposConsultas::def(), core::TiposConsultas::TIC01, {"CON:Cod_TipoConsulta"});
  using core::ListColumn;
  h.AddColumn(ListColumn{"CON:Fecha", "Fecha", "@d17", 0, 40});
  h.AddColumn(ListColumn{"CON:Motivo", "Motivo", "@s120", 0, 240});
  h.AddColumn(ListColumn{"TIC:Descripcion", "Tipo de Consulta", "@s50", 0, 100,
                         core::ColumnAlign::Left, false, true});
  h.AddColumn(ListColumn{"MDC:Nombre", "Profesional", "@s80", 0, 100});
  ListColumn notes{"CON:Notas", "Notas", "@s255", 0, 0};
  notes.shownAs = core::notesAsText;
  h.AddColumn(notes);
  h.AddColumn(ListColumn{"TIC:Color", "Color", "@n13", 0, 0});
  for (const char* field :
       {"CON:Cod_Consulta", "CON:Cod_Paciente", "MDC:Cod_Medico", "TIC:Cod_TipoConsulta"}) {
    h.AddHiddenColumn(field);
  }
  h.colourRow = [](core::ListRow& row) {
    const auto colour = static_cast<std::int32_t>(core::TIC().Color);
    row.colours[2] = {colour, kWhite, colour, kWhite};
  };
  if (!viewing()) {
    h.INSERTCONTROL = control("?INSERT");
    h.CHANGECONTROL = control("?CHANGE");
    h.DELETECONTROL = control("?DELETE");
  } else {
    for (const char* name : {"?INSERT", "?CHANGE", "?DELETE"}) control(name)->setEnabled(false);
  }
  h.QUERYCONTROL = control("?QUERY");
  h.EXPORTCONTROL = control("?EXPORT");
  h.ASKPROCEDURE = 1;
  h.askProcedure = [this](int request) { return runConsultationForm(request); };
  h.query = [this] { history_->RunQuery(); };
  h.ResetView();
  search_ = std::make_unique<core::ListSearch>(
      h, core::ListSearchSettings{
             "Fecha|@d17|CON:Fecha|Motivo|@s120|CON:Motivo|Tipo de Consulta|@s50|"
             "TIC:Descripcion|Profesional|@s80|MDC:Nombre|Notas|@s255|CON:Notas|Color|@n13|"
             "TIC:Color|",
             "No hay más ocurrencias."_cp, "No se ha definido el criterio de busqueda.", "Buscar"});
  for (int key : search_->keys()) alertKey(key);
  notes_ = std::make_unique<rt::RtfControl>();
  notes_->attachControl(control<QTextEdit>("?CON:NOTAS"), 1, {});
  showNotes();
}

void PatientForm::refresh() {
  core::LOC().Cod_Postal = core::PAC().Cod_Postal;
  core::access(core::Localidades::def()).fetchOrClear(core::Localidades::LOC01);
  core::COB().Cod_Cobertura = core::PAC().Cod_Cobertura;
  core::access(core::Coberturas_Medicas::def()).fetchOrClear(core::Coberturas_Medicas::COB_001);
  core::OCU().Cod_Ocupacion = core::PAC().Cod_Ocupacion;
  core::access(core::Ocupaciones::def()).fetchOrClear(core::Ocupaciones::OCU01);
  auto* locality = control<QLineEdit>("?LOC:NOMBRELOCALIDAD");
  locality->setText(rt::toQString(core::LOC().NombreLocalidad.clipped()));
  control<QLineEdit>("?COB:DESCRIPCION")->setText(rt::toQString(core::COB().Descripcion.clipped()));
  control<QLineEdit>("?COB:DESCRIPCION:2")
      ->setText(rt::toQString(core::COB().Descripcion.clipped()));
  control<QLineEdit>("?OCU:DESCRIPCION")->setText(rt::toQString(core::OCU().Descripcion.clipped()));
  if (history_) control("?EXPORT")->setEnabled(history_->RecordsInView() > 0);
}

void PatientForm::showAge() {
  control<QLineEdit>("?LOC:EDADSTR")
      ->setText(rt::toQString(core::CalcularEdad(core::PAC().Fecha_Nacim)));
}

void PatientForm::typeAhead() {
  if (typedLocality_.empty()) return;
  const TypedLocality typed = typedLocality_.front();
  typedLocality_.erase(typedLocality_.begin());
  auto* locality = control<QLineEdit>("?LOC:NOMBRELOCALIDAD");
  const core::LocalityTypeAhead result =
      core::CompletarLocalidad(rt::fromQString(typed.text), typed.cursor, typed.backspace);
  if (result.found) {
    Update();
    core::PAC().Cod_Postal = result.postalCode;
    Display();
  }
  locality->setText(rt::toQString(result.name));
  locality->setSelection(result.selectionStart, result.selectionEnd - result.selectionStart);
  if (result.selectionEnd == result.selectionStart)
    locality->setCursorPosition(result.selectionStart);
}

void PatientForm::pickBirthDate() {
  Update();
  core::PAC().Fecha_Nacim =
      core::BotonCalendario(*this, control<QLineEdit>("?PAC:FECHA_NACIM"), "Calendario");
  showAge();
}

void PatientForm::showNotes() {
  if (!notes_) return;
  std::string markup;
  if (const core::ListRow* row = history_->selectedRow()) {
    rt::Table& visits = core::Consultas::table();
    if (visits.fetchPosition(row->position) == 0) markup = core::CON().Notas;
  }
  notes_->setMarkup(markup);
}

void PatientForm::writePatientNow() {
  Update();
  rt::Table& t = table();
  if (t.position() == 0) return;
  // A plain write of the record shown; when it fails (changed elsewhere) the
  // form keeps what the user typed, and the save on OK says why.
  core::RecordSnapshot typed(t);
  if (t.put() != 0) typed.restore();
}

int PatientForm::runConsultationForm(int request) {
  if (viewing()) return rt::kCancelled;
  return callKeepingRecord([request] {
    rt::ThreadRequest() = static_cast<std::uint8_t>(request);
    return rt::callProcedure("FormularioConsultas", {"0"});
  });
}

int PatientForm::confirmDelete() {
  QApplication::beep();
  if (rt::showMessage({kDeleteQuestion,
                       kDeleteCaption,
                       rt::MessageIcon::Question,
                       rt::button::Yes | rt::button::No,
                       {},
                       rt::button::No}) != rt::button::Yes) {
    Response = rt::kCancelled;
    RegistrarActividad(false);
    return rt::level::Fatal;
  }
  if (PRIMARY->remove(false) != core::level::Benign) return rt::level::Benign;
  Response = rt::kCompleted;
  RegistrarActividad(false);
  return rt::level::Fatal;
}

int PatientForm::TakeEvent() {
  if (event() == kTypeAhead) {
    typeAhead();
    return rt::level::Benign;
  }
  // The history tab repeats the name and blood group as they are typed.
  control<QLineEdit>("?PAC:NOMBRE:2")->setText(control<QLineEdit>("?PAC:NOMBRE")->text());
  control<QLineEdit>("?PAC:GRUPO_SAN:2")->setText(control<QLineEdit>("?PAC:GRUPO_SAN")->text());
  if (history_ && history_->TakeEvent()) return rt::level::Benign;
  if (event() == rt::event::AlertKey) {
    const bool inHistory = history_ && history_->list()->hasFocus();
    if (inHistory && search_ && search_->TakeKey(keyCode())) return rt::level::Benign;
    if (inHistory && history_->TakeKey(keyCode()) == 0) return rt::level::Benign;
    const int keys[] = {Qt::Key_F2, Qt::Key_F3, Qt::Key_F4};
    for (int i = 0; i < 3; ++i) {
      if (keyCode() == keys[i]) {
        lookUp(kLookups[i], true);
        return rt::level::Benign;
      }
    }
  }
  return core::RecordForm::TakeEvent();
}

int PatientForm::TakeNewSelection() {
  if (history_ && field() == history_->list()) showNotes();
  return core::RecordForm::TakeNewSelection();
}

int PatientForm::TakeAccepted() {
  QWidget* accepted = field();
  const std::string name = accepted ? rt::fromQString(accepted->objectName()) : std::string();
  if (name == "?OK" && deleting_) return confirmDelete();
  if (int r = core::RecordForm::TakeAccepted(); r != rt::level::Benign) return r;
  if (accepted == nullptr) return rt::level::Benign;
  for (int i = 0; i < 3; ++i) {
    const core::LookupField& l = kLookups[i];
    if (name == l.entry) return lookUp(l, false);
    if (name == l.button) return lookUp(l, true);
  }
  if (name == "?PAC:FECHA_NACIM") {
    Update();
    showAge();
  } else if (name == "?CALENDARIO") {
    pickBirthDate();
  } else if (name == "?MAILLINK") {
    Update();
    core::AbrirEnlaceEmail(core::PAC().Email.view());
  } else if (name == "?PRINT") {
    writePatientNow();
    const std::string code = std::to_string(core::PAC().Cod_Paciente);
    callKeepingRecord([&] { return rt::callProcedure("ReporteHistoriaClinicaFiltrada", {code}); });
  } else if (name == "?LOGACTIVIDAD") {
    if (const core::ListRow* row = history_->selectedRow(); row && !row->extras.empty()) {
      const std::string visit = row->extras[0];
      callKeepingRecord([&] { return rt::callProcedure("ExaminarLogConsulta", {visit}); });
    }
  } else if (name == "?EXPORT") {
    Update();
    if (history_->RecordsInView() > 0) {
      core::PrepararExportacion(*history_, patientHistoryExport(), window());
    }
  } else if (history_ && accepted == history_->INSERTCONTROL) {
    writePatientNow();
    history_->TakeAccepted(accepted);
  } else if (history_) {
    history_->TakeAccepted(accepted);
  }
  refresh();
  return rt::level::Benign;
}

int PatientForm::Kill() {
  if (notes_) notes_->release();
  notes_.reset();
  search_.reset();
  history_.reset();
  const int result = core::RecordForm::Kill();
  return result;
}

int FormularioPacientes() { return core::runWindow<PatientForm>(); }

}  // namespace practice
