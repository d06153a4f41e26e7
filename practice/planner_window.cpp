#include "practice/planner_window.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "core/aids/calendar_popup.h"
#include "core/aids/control_colouring.h"
#include "core/aids/designed_font.h"
#include "core/aids/window_parts.h"
#include "core/frame/globals.h"
#include "core/shapes/export_handover.h"
#include "core/shapes/list_cells.h"
#include "core/shapes/record_form.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_messages.h"
#include "platform/base/clock.h"
#include "platform/base/cp_literal.h"
#include "platform/base/message_hook.h"
#include "platform/base/picture.h"
#include "platform/base/procedures.h"
#include "platform/data/database.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/picture_validator.h"
#include "platform/ui/qt_text.h"
#include "practice/appointment_form.h"
#include "practice/appointment_report.h"

namespace practice {

using core::request::Change;
using core::request::Insert;

namespace {

constexpr auto& kSecondPlanner =
    "Ya hay una instancia de la ventana abierta.||Por seguridad e integridad de la "
    "informacion,|solo "
    "se permite una abrir una instancia de la |misma. ||Complete la operacion sobre la ventana "
    "actual|y luego abra la otra instancia.";
constexpr auto& kSecondPlannerTitle = "Formulario ya está abierto"_cp;
constexpr auto& kNoPatient = "El turno no tiene asignado un paciente";
constexpr auto& kNoPatientTitle = "No se definió el Paciente"_cp;
constexpr auto& kOutOfOrderTitle = "Orden de Atención"_cp;
constexpr auto& kHasConsultation =
    "El turno que está intentado borrar, corresponde a una consulta.||Por ello, no puede ser "
    "borrado."_cp;
constexpr auto& kHasConsultationTitle = "El Turno tiene asignada una Consulta";
constexpr auto& kDeleteQuestion = "Está seguro de borrar el Turno / Separador?"_cp;
constexpr auto& kDeleteTitle = "Borrado de Turno";

// The day list's columns: header, width in dialog units, picture, queue
// field; columns 2 to 8 take the colours of their cell.
struct DayColumn {
  const char* title;
  int width;
  const char* picture;
  int field;
  int cell;  // DayCell, or -1 without colours
};
const DayColumn kColumns[] = {
    {"C  onfirmado", 0, "@n3", 1, -1},          {"Hora", 25, "@T1", 3, kCellHora},
    {"Dur.", 25, "@T1", 8, kCellDuracion},      {"Nº"_cp, 17, "@N3B", 13, kCellNroOrdenAtencion},
    {"Tipo", 20, "@s3", 18, kCellTipoTurno},    {"Motivo", 116, "@s80", 23, kCellMotivo},
    {"Paciente", 146, "@s90", 28, kCellNombre}, {"Teléfono"_cp, 100, "@s90", 33, kCellTelefono},
    {"Nº Abs."_cp, 0, "@P###-###P", 38, -1},    {"Coseguro", 64, "@N$(13.2)", 39, -1},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string money(std::int64_t hundredths) {
  return trimmed(rt::format(static_cast<double>(hundredths) / 100.0, "@N$(13.2)"));
}

// Reads the row's appointment into the thread's buffer; false when it is gone.
bool readAppointment(std::uint32_t code) {
  core::Turnos::table().clear();
  core::TUR().Cod_Turno = code;
  return core::access(core::Turnos::def()).fetchOrClear(core::Turnos::TUR01) == core::level::Benign;
}

}  // namespace

// ------------------------------------------------------------------ the model

int DayModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(QTU().size());
}

int DayModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant DayModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(QTU().size())) return {};
  const DayRow& row = QTU()[static_cast<std::size_t>(index.row())];
  const DayColumn& column = kColumns[index.column()];
  switch (role) {
    case Qt::DisplayRole: {
      const std::string value = dayField(row, column.field);
      if (column.field == 39) return rt::toQString(money(row.COSEGURO));
      if (column.field == 18 || column.field == 23 || column.field == 28 || column.field == 33)
        return rt::toQString(value);
      return rt::toQString(trimmed(rt::format(std::stod(value), column.picture)));
    }
    case Qt::TextAlignmentRole:
      return column.field == 39 || column.field == 13 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                      : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      break;
  }
  if (column.cell < 0) return {};
  const CellColours& c = row.colours[static_cast<std::size_t>(column.cell)];
  switch (role) {
    case Qt::ForegroundRole:
      return core::colourOf(c.NORMALFG);
    case Qt::BackgroundRole:
      return core::colourOf(c.NORMALBG);
    // The day gives a row the same colours chosen or not, which would leave
    // the chosen row (the one the buttons act on) looking like the others:
    // it takes the list's selection colours. A cell marked apart from its
    // row (the attention order seen or next) keeps its mark.
    case core::kSelectedTextRole:
    case core::kSelectedBackRole: {
      const CellColours& own = row.colours[kCellHora];
      if (c.SELECTEDBG == own.SELECTEDBG && c.SELECTEDFG == own.SELECTEDFG) return {};
      return core::colourOf(role == core::kSelectedTextRole ? c.SELECTEDFG : c.SELECTEDBG);
    }
    default:
      return {};
  }
}

QVariant DayModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kColumnCount)
    return {};
  return rt::toQString(kColumns[section].title);
}

void DayModel::reload() {
  beginResetModel();
  endResetModel();
}

// ----------------------------------------------------------------- the window

PlannerWindow::PlannerWindow() : AidedWindow("ExaminarTurnos") {}
PlannerWindow::~PlannerWindow() = default;

QWidget* PlannerWindow::buildWindow() {
  auto* window = new QWidget(nullptr, Qt::Window);
  window->setFont(core::designedWindowFont());
  window->setWindowTitle(rt::toQString("Edición de Turnos"_cp));
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  auto* bar = new QMenuBar(window);
  QMenu* listings = bar->addMenu("Listados...");
  QAction* report = listings->addAction("Reporte de Turnos");
  report->setObjectName("?REPORTETURNOS");
  QObject::connect(
      report, &QAction::triggered, window, [this] { post(kReportEvent); }, Qt::QueuedConnection);

  auto* warning = new QLabel(window);
  warning->setObjectName("?CADENAADVERTENCIA");
  QFont bold = warning->font();
  bold.setBold(true);
  warning->setFont(bold);

  auto* sheet = new QTabWidget(window);
  sheet->setObjectName("?CurrentTab");
  auto* page = new QWidget;
  sheet->addTab(page, "Turnos");

  auto* physicians = new QComboBox(page);
  physicians->setObjectName("?LOC:NOMBREMEDICO");
  physicians->setMinimumWidth(units.x(150));
  QLineEdit* code = core::namedEntry(page, "?LOC:COD_MEDICO", 6, "Codigo Interno del Médico"_cp);
  code->setMaximumWidth(units.x(30));
  code->hide();  // it lies under the drop-down list
  QLineEdit* date = core::namedEntry(page, "?LOC:FECHATURNO", 10, "Fecha a Examinar");
  date->setMaximumWidth(units.x(50));
  rt::setPicture(date, "@d17");
  auto* calendar = core::namedButton(page, "?CALENDARIO", "...", "Elija Fecha");
  auto* previous = core::namedButton(page, "?FECHAANTERIOR", "<", "Fecha Anterior");
  auto* next = core::namedButton(page, "?FECHAPOSTERIOR", ">", "Fecha Posterior");
  for (QWidget* b : {static_cast<QWidget*>(calendar), static_cast<QWidget*>(previous),
                     static_cast<QWidget*>(next)}) {
    b->setMaximumWidth(units.x(16));
  }
  auto* weekday = new QLabel(page);
  weekday->setObjectName("?LOC:DSCDIA");
  weekday->setMinimumWidth(units.x(45));
  auto* choice = new QHBoxLayout;
  auto* physicianLabel = new QLabel(rt::toQString("Médico:"_cp), page);
  physicianLabel->setBuddy(physicians);
  auto* dateLabel = new QLabel("Fecha:", page);
  dateLabel->setBuddy(date);
  choice->addWidget(physicianLabel);
  choice->addWidget(physicians, 1);
  choice->addWidget(code);
  choice->addSpacing(units.x(10));
  choice->addWidget(dateLabel);
  choice->addWidget(previous);
  choice->addWidget(date);
  choice->addWidget(next);
  choice->addWidget(calendar);
  choice->addWidget(weekday);

  list_ = new QTableView(page);
  list_->setObjectName("?LIST");
  model_ = new DayModel(list_);
  list_->setModel(model_);
  list_->setItemDelegate(new core::CellColourDelegate(list_));
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->verticalHeader()->hide();
  list_->verticalHeader()->setDefaultSectionSize(units.y(10));
  list_->setShowGrid(true);
  list_->setStyleSheet("QTableView { gridline-color: #D3D3D3; }");
  for (int c = 0; c < kColumnCount; ++c) {
    if (kColumns[c].width == 0)
      list_->setColumnHidden(c, true);
    else
      list_->setColumnWidth(c, units.x(kColumns[c].width));
  }
  list_->horizontalHeader()->setStretchLastSection(false);
  list_->setMinimumSize(units.x(400), units.y(160));

  auto* actions = new QVBoxLayout;
  const char* tip = "Editar la Consulta relacionada al turno";
  actions->addWidget(core::namedButton(page, "?EDITARCONSULTA", "Editar &Consulta", tip));
  actions->addWidget(core::namedButton(page, "?VERCONSULTA", "&Ver Consulta", tip));
  actions->addWidget(core::namedButton(page, "?CONFIRMAR", "Confirmar"));
  actions->addSpacing(units.y(6));
  actions->addWidget(core::namedButton(page, "?REFRESCAR", "Refrescar..."));
  actions->addSpacing(units.y(6));
  actions->addWidget(core::namedButton(page, "?INSERT", "&Agregar"));
  actions->addWidget(core::namedButton(page, "?CHANGE", "&Modificar"));
  actions->addWidget(core::namedButton(page, "?DELETE", "&Borrar"));
  actions->addSpacing(units.y(6));
  auto* exporting = core::namedButton(page, "?EXPORTAR", "E&xportar");
  exporting->setCursor(Qt::PointingHandCursor);
  actions->addWidget(exporting);
  actions->addStretch();

  auto* body = new QHBoxLayout;
  body->addWidget(list_, 1);
  body->addLayout(actions);

  auto* totals = new QHBoxLayout;
  auto shownNumber = [&](const char* name, int width) {
    auto* l = new QLabel(page);
    l->setObjectName(name);
    l->setMinimumWidth(units.x(width));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setFrameShape(QFrame::StyledPanel);
    return l;
  };
  totals->addWidget(new QLabel(rt::toQString("Próximo Turno:"_cp), page));
  totals->addWidget(shownNumber("?GLO:PROXIMOTURNO", 20));
  totals->addStretch();
  totals->addWidget(new QLabel("Coseguro: Parciales:", page));
  totals->addWidget(shownNumber("?SUBTOTAL1COSEGURO", 50));
  totals->addWidget(shownNumber("?SUBTOTAL2COSEGURO", 50));
  totals->addWidget(new QLabel("Total:", page));
  totals->addWidget(shownNumber("?TOTALCOSEGURO", 50));

  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->addLayout(choice);
  pageLayout->addLayout(body, 1);
  pageLayout->addLayout(totals);

  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(core::namedButton(window, "?CLOSE", "&Cerrar", "Cerrar Ventana"));
  auto* layout = new QVBoxLayout(window);
  layout->setMenuBar(bar);
  layout->addWidget(warning);
  layout->addWidget(sheet, 1);
  layout->addLayout(bottom);
  return window;
}

void PlannerWindow::fillPhysicians() {
  auto* box = control<QComboBox>("?LOC:NOMBREMEDICO");
  box->clear();
  rt::Table& t = core::Medicos::table();
  t.clear();
  t.setToStart(core::Medicos::MDC02);
  while (t.next() == 0) {
    box->addItem(rt::toQString(core::MDC().Nombre.clipped()),
                 static_cast<int>(core::MDC().Cod_Medico));
  }
  box->setCurrentIndex(-1);
}

int PlannerWindow::Init() {
  if (int r = AidedWindow::Init(); r != rt::level::Benign) return r;
  rt::ThreadRequest() = 0;
  rt::ThreadResponse() = 0;
  QWidget* window = buildWindow();
  // A second planner (refused once it opens) leaves the open one's day alone.
  if (GLO::ThreadTurnos == 0) QTU().clear();
  bool opened = core::relate(core::Consultas::def()).open() == core::level::Benign &&
                core::relate(core::Feriados::def()).open() == core::level::Benign;
  for (const rt::TableDef* def :
       {&core::Pacientes::def(), &core::PlanillaHorarios::def(), &core::Planilla::def(),
        &core::Turnos::def(), &core::Copia_Turnos::def(), &core::Medicos::def(),
        &core::Especialidades::def()}) {
    opened = opened && core::access(*def).open() == core::level::Benign;
  }
  tablesOpened_ = true;
  if (!opened) {
    delete window;
    return rt::level::Notify;
  }
  Open(window);
  core::ColorearControles(window);
  scaleFont(window);
  fillPhysicians();
  day_.FechaTurno = static_cast<std::int32_t>(rt::today());
  showDate();
  refresh();
  markAndNavigate(window);
  list_->setFocus();
  return rt::level::Benign;
}

int PlannerWindow::Kill() {
  // Only the registered planner lets go of the day's sheet: a refused second
  // one must not take it from the planner still open.
  if (registered_) {
    GLO::ThreadTurnos = 0;
    GLO::CodPlanilla = 0;
  }
  registered_ = false;
  if (tablesOpened_) {
    for (const rt::TableDef* def :
         {&core::Pacientes::def(), &core::PlanillaHorarios::def(), &core::Planilla::def(),
          &core::Turnos::def(), &core::Copia_Turnos::def(), &core::Medicos::def(),
          &core::Especialidades::def()}) {
      core::access(*def).close();
    }
    core::relate(core::Feriados::def()).close();
    core::relate(core::Consultas::def()).close();
    tablesOpened_ = false;
  }
  return AidedWindow::Kill();
}

void PlannerWindow::showDate() {
  auto* date = control<QLineEdit>("?LOC:FECHATURNO");
  date->setText(day_.FechaTurno == 0 ? QString()
                                     : rt::toQString(trimmed(rt::format(
                                           static_cast<double>(day_.FechaTurno), "@d17"))));
  date->setModified(false);
  control<QLabel>("?LOC:DSCDIA")->setText(rt::toQString(RecuperaDscDia(day_.FechaTurno)));
}

void PlannerWindow::refresh() {
  const RefreshResult result = RefrescarPlanilla(day_, readPlannerDay);
  showDay();
  if (result.notice.holidayMessage) {
    rt::showMessage({result.notice.message,
                     "Feriado",
                     rt::MessageIcon::Information,
                     rt::button::Ok,
                     {},
                     rt::button::Ok});
  }
}

void PlannerWindow::rebuild() {
  day_.builtMedico = 0;
  day_.builtFecha = 0;
  refresh();
}

void PlannerWindow::showDay() {
  const int current = list_->currentIndex().isValid() ? list_->currentIndex().row() : 0;
  model_->reload();
  if (!QTU().empty())
    list_->setCurrentIndex(
        model_->index(std::min<int>(current, static_cast<int>(QTU().size()) - 1), 1));
  auto* warning = control<QLabel>("?CADENAADVERTENCIA");
  warning->setText(rt::toQString(day_.CadenaAdvertencia));
  const QColor colour = core::colourOf(day_.advertenciaColour);
  warning->setStyleSheet(QString("color: %1;").arg(colour.name()));
  control<QLabel>("?GLO:PROXIMOTURNO")->setText(QString::number(GLO::ProximoTurno));
  control<QLabel>("?SUBTOTAL1COSEGURO")->setText(rt::toQString(money(day_.SubTotal1Coseguro)));
  control<QLabel>("?SUBTOTAL2COSEGURO")->setText(rt::toQString(money(day_.SubTotal2Coseguro)));
  control<QLabel>("?TOTALCOSEGURO")->setText(rt::toQString(money(day_.TotalCoseguro)));
  control("?EXPORTAR")->setEnabled(!QTU().empty());
  // A column is never narrower than what it shows (a time, "OTR").
  const rt::DialogUnits units = rt::DialogUnits::of(window());
  for (int c = 0; c < kColumnCount; ++c) {
    if (kColumns[c].width == 0) continue;
    list_->resizeColumnToContents(c);
    list_->setColumnWidth(c, std::max(units.x(kColumns[c].width), list_->columnWidth(c)));
  }
}

std::optional<DayRow> PlannerWindow::selectedRow() const {
  const QModelIndex index = list_->currentIndex();
  if (!index.isValid() || index.row() >= static_cast<int>(QTU().size())) return std::nullopt;
  return QTU()[static_cast<std::size_t>(index.row())];
}

void PlannerWindow::selectRow(int row) { list_->setCurrentIndex(model_->index(row, 1)); }

void PlannerWindow::choose(std::uint16_t medico, std::int32_t fecha) {
  day_.Cod_Medico = medico;
  day_.FechaTurno = fecha;
  auto* box = control<QComboBox>("?LOC:NOMBREMEDICO");
  box->setCurrentIndex(box->findData(static_cast<int>(medico)));
  showDate();
  refresh();
}

int PlannerWindow::TakeWindowEvent() {
  if (event() == rt::event::OpenWindow) {
    if (GLO::ThreadTurnos != 0 && GLO::ThreadTurnos != static_cast<std::int32_t>(thread())) {
      rt::post(rt::event::GainFocus, static_cast<rt::ThreadNumber>(GLO::ThreadTurnos));
      rt::showMessage({kSecondPlanner,
                       kSecondPlannerTitle,
                       rt::MessageIcon::Information,
                       rt::button::Ok,
                       {},
                       rt::button::Ok});
      return rt::level::Fatal;
    }
    GLO::ThreadTurnos = static_cast<std::int32_t>(thread());
    registered_ = true;
  }
  const int result = rt::WindowDriver::TakeWindowEvent();
  if (event() == rt::event::GainFocus) bringToFront();
  return result;
}

int PlannerWindow::TakeEvent() {
  if (event() == kReportEvent && field() == nullptr) {
    report();
    return rt::level::Benign;
  }
  return rt::WindowDriver::TakeEvent();
}

int PlannerWindow::TakeAccepted() {
  if (int r = rt::WindowDriver::TakeAccepted(); r != rt::level::Benign) return r;
  QWidget* accepted = field();
  if (accepted == nullptr) return rt::level::Benign;
  const std::string name = rt::fromQString(accepted->objectName());
  if (accepted == list_) {
    // A double click books on a free row and changes a booked one.
    const std::optional<DayRow> row = selectedRow();
    if (row) post(rt::event::Accepted, control(row->COD_TURNO != 0 ? "?CHANGE" : "?INSERT"));
  } else if (name == "?LOC:NOMBREMEDICO") {
    auto* box = control<QComboBox>(name);
    if (box->currentIndex() >= 0)
      day_.Cod_Medico = static_cast<std::uint16_t>(box->currentData().toInt());
    refresh();
  } else if (name == "?LOC:COD_MEDICO") {
    physicianCode();
  } else if (name == "?LOC:FECHATURNO") {
    const std::string typed = rt::fromQString(control<QLineEdit>(name)->text());
    day_.FechaTurno = static_cast<std::int32_t>(std::atol(rt::deformat(typed, "@d17").c_str()));
    showDate();
    refresh();
  } else if (name == "?CALENDARIO") {
    day_.FechaTurno = static_cast<std::int32_t>(core::BotonCalendario(
        *this, control<QLineEdit>("?LOC:FECHATURNO"), "Selección de Fecha"_cp));
    showDate();
    refresh();
  } else if (name == "?FECHAANTERIOR" || name == "?FECHAPOSTERIOR") {
    day_.FechaTurno += name == "?FECHAANTERIOR" ? -1 : 1;
    showDate();
    refresh();
  } else if (name == "?EDITARCONSULTA") {
    editConsultation();
  } else if (name == "?VERCONSULTA") {
    viewConsultation();
  } else if (name == "?CONFIRMAR") {
    confirm();
  } else if (name == "?REFRESCAR") {
    day_.forceRebuild = 1;
    refresh();
  } else if (name == "?INSERT") {
    add();
  } else if (name == "?CHANGE") {
    change();
  } else if (name == "?DELETE") {
    remove();
  } else if (name == "?EXPORTAR") {
    exportDay();
  } else if (name == "?CLOSE") {
    return rt::level::Fatal;
  }
  return rt::level::Benign;
}

void PlannerWindow::physicianCode() {
  auto* entry = control<QLineEdit>("?LOC:COD_MEDICO");
  const auto code = static_cast<std::uint16_t>(entry->text().trimmed().toUInt());
  if (code == 0) return;
  core::Medicos::table().clear();
  core::MDC().Cod_Medico = code;
  if (core::access(core::Medicos::def()).fetchByKey(core::Medicos::MDC01) == core::level::Benign) {
    day_.Cod_Medico = code;
    return;
  }
  rt::ThreadRequest() = core::request::Select;
  if (rt::callProcedure("ExaminarMedicos") == rt::kCompleted) {
    day_.Cod_Medico = core::MDC().Cod_Medico;
    entry->setText(QString::number(day_.Cod_Medico));
  } else {
    entry->setFocus();
  }
}

void PlannerWindow::editConsultation() {
  const std::optional<DayRow> row = selectedRow();
  if (!row || row->COD_TURNO == 0 || (row->TIPOTURNO != "TUR" && row->TIPOTURNO != "STU")) return;
  // The patients are seen in their order: a later one waits.
  if (DAT::RespetaOrdenTurnos != 0 && row->NRO_ORDEN_ATENCION > GLO::ProximoTurno) {
    rt::showMessage({"El paciente tiene el orden de atención "_cp +
                         std::to_string(row->NRO_ORDEN_ATENCION) +
                         " y el próximo a atender es el "_cp + std::to_string(GLO::ProximoTurno) +
                         ".||Las consultas se editan en el orden de atención."_cp,
                     kOutOfOrderTitle,
                     rt::MessageIcon::Information,
                     rt::button::Ok,
                     {},
                     rt::button::Ok});
    return;
  }
  if (!readAppointment(row->COD_TURNO)) return;
  if (core::TUR().Cod_Paciente == 0) {
    rt::showMessage({kNoPatient,
                     kNoPatientTitle,
                     rt::MessageIcon::Warning,
                     rt::button::Ok,
                     {},
                     rt::button::Ok});
    return;
  }
  core::Consultas::table().clear();
  core::CON().Cod_Turno = row->COD_TURNO;
  core::access(core::Consultas::def()).fetchOrClear(core::Consultas::CON07);
  rt::ThreadRequest() = static_cast<std::uint8_t>(core::CON().Cod_Consulta == 0 ? Insert : Change);
  rt::callProcedure("FormularioConsultas", {"1"});
  rebuild();
}

void PlannerWindow::viewConsultation() {
  const std::optional<DayRow> row = selectedRow();
  if (!row || row->COD_CONSULTA == 0) return;
  rt::ThreadRequest() = core::request::View;
  readAppointment(row->COD_TURNO);
  core::Consultas::table().clear();
  core::CON().Cod_Consulta = row->COD_CONSULTA;
  if (core::access(core::Consultas::def()).fetchByKey(core::Consultas::CON01) !=
      core::level::Benign)
    return;
  rt::callProcedure("FormularioConsultas", {"1"});
  rebuild();
}

void PlannerWindow::confirm() {
  const std::optional<DayRow> row = selectedRow();
  if (!row || row->COD_TURNO == 0 || row->CONFIRMADO != 0) return;
  // The next order is taken from what is stored, in the same transaction as
  // the write: two workstations confirming at once get distinct orders.
  std::string failed;
  bool found = false;
  if (rt::beginTransaction() != 0) {
    failed = core::currentErrorText();
  } else {
    rt::Table& appointments = core::Turnos::table();
    appointments.clear();
    core::TUR().Cod_Turno = row->COD_TURNO;
    found = appointments.fetch(core::Turnos::TUR01) == 0;
    if (found) {
      int highest = 0;
      rt::Table& day = core::Copia_Turnos::table();
      day.clear();
      core::C_TUR().Cod_Medico = core::TUR().Cod_Medico;
      core::C_TUR().Fecha = core::TUR().Fecha;
      day.setFromBuffer(core::Copia_Turnos::TUR08);
      day.setRange(2);
      while (day.next() == 0) highest = std::max<int>(highest, core::C_TUR().Nro_Orden_Atencion);
      core::TUR().Confirmado = 1;
      core::TUR().Nro_Orden_Atencion = static_cast<std::uint8_t>(highest + 1);
      if (appointments.put() != 0) failed = core::currentErrorText();
    }
    if (failed.empty() && rt::commitTransaction() != 0) failed = core::currentErrorText();
    if (!failed.empty() && rt::transactionIsOpen()) rt::rollbackTransaction();
  }
  if (!failed.empty()) {
    core::showTableMessage(core::TableMessage::UpdateFailed,
                           core::MessageFill().File(core::Turnos::def().label).ErrorText(failed));
  } else if (found) {
    rt::ThreadRequest() = Change;
    rt::callProcedure("FormularioTurnos");
  }
  rebuild();
}

void PlannerWindow::add() {
  const std::optional<DayRow> row = selectedRow();
  if (!row) return;
  rt::ThreadRequest() = Insert;
  if (row->TIPOTURNO == "LIB" || row->TIPOTURNO == "XXX") return;
  GLO::IndiceTurno = row->INDICE;
  GLO::CodMedicoTurno = day_.Cod_Medico;
  GLO::FechaTurno = day_.FechaTurno;
  GLO::TipoTurno = row->COD_TURNO == 0 ? "TUR" : "STU";
  GLO::HoraTurno = row->HORA;
  GLO::NroAbsolutoTurno = row->NRO_ABSOLUTO;
  rt::callProcedure("FormularioTurnos");
  rebuild();
}

void PlannerWindow::change() {
  const std::optional<DayRow> row = selectedRow();
  if (!row) return;
  rt::ThreadRequest() = Change;
  if (row->COD_TURNO == 0 || !readAppointment(row->COD_TURNO)) return;
  rt::callProcedure("FormularioTurnos");
  rebuild();
}

void PlannerWindow::remove() {
  const std::optional<DayRow> row = selectedRow();
  if (!row) return;
  GLO::IndiceTurno = row->INDICE;
  GLO::CodMedicoTurno = day_.Cod_Medico;
  GLO::FechaTurno = day_.FechaTurno;
  GLO::NroAbsolutoTurno = row->NRO_ABSOLUTO;
  if (row->COD_TURNO != 0 && row->COD_CONSULTA != 0) {
    rt::showMessage({kHasConsultation,
                     kHasConsultationTitle,
                     rt::MessageIcon::Error,
                     rt::button::Ok,
                     {},
                     rt::button::Ok});
    return;
  }
  if (rt::showMessage({kDeleteQuestion,
                       kDeleteTitle,
                       rt::MessageIcon::Question,
                       rt::button::Yes | rt::button::No,
                       {},
                       rt::button::No}) != rt::button::Yes) {
    return;
  }
  // Through the relations: a consultation recorded meanwhile on another
  // workstation refuses the delete instead of being left without its
  // appointment.
  if (row->COD_TURNO != 0 && readAppointment(row->COD_TURNO)) {
    core::relate(core::Turnos::def()).remove(false);
  }
  rebuild();
}

void PlannerWindow::exportDay() {
  if (QTU().empty()) return;
  core::Medicos::table().clear();
  core::MDC().Cod_Medico = day_.Cod_Medico;
  core::access(core::Medicos::def()).fetchOrClear(core::Medicos::MDC01);
  std::string title = "Planilla de turnos - " + trimmed(core::MDC().Nombre.view()) + " - " +
                      trimmed(rt::format(static_cast<double>(day_.FechaTurno), "@d17"));
  if (title.size() > 100) title.resize(100);
  core::ExportSpec spec;
  spec.number = 3;
  spec.fields = "1,3,8,13,18,23,28,33,38,39,";
  spec.fixedTitle = title;
  spec.mode = 0;
  std::vector<int> widths;
  const rt::DialogUnits units = rt::DialogUnits::of(window());
  for (int c = 0; c < kColumnCount; ++c) {
    spec.columns.push_back({kColumns[c].title, kColumns[c].picture, 0});
    widths.push_back(list_->isColumnHidden(c) ? 0 : units.unitsX(list_->columnWidth(c)));
  }
  const DayRowFields rows;
  core::PrepararExportacion(rows, widths, spec, window());
}

void PlannerWindow::report() {
  GLO::CodMedicoTurno = day_.Cod_Medico;
  GLO::FechaTurno = day_.FechaTurno;
  rt::callProcedure("ReporteTurnos");
  // The listing leaves the queue in slot order; the list shows it so.
  showDay();
}

int ExaminarTurnos() {
  PlannerWindow window;
  return window.Run();
}

void registerPlannerProcedures() {
  rt::registerProcedure("ExaminarTurnos",
                        [](const rt::ProcedureArgs&) { return ExaminarTurnos(); });
  rt::registerProcedure("FormularioTurnos",
                        [](const rt::ProcedureArgs&) { return FormularioTurnos(); });
  rt::registerProcedure("ReporteTurnos", [](const rt::ProcedureArgs&) { return ReporteTurnos(); });
}

}  // namespace practice
