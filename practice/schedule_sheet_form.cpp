#include "practice/schedule_sheet_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/aids/calendar_popup.h"
#include "core/aids/designed_font.h"
#include "core/aids/window_parts.h"
#include "core/shapes/export_handover.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "core/tables/table_messages.h"
#include "platform/base/cp_literal.h"
#include "platform/base/runtime_errors.h"
#include "platform/data/database.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/qt_text.h"
#include "practice/window_parts.h"

namespace practice {
namespace {

using core::ColumnAlign;
using core::ListColumn;
namespace request = core::request;
using parts::shown;
using parts::trimmedRight;

constexpr char kTitle[] = "Actualizando un Registro de Planilla";

QLineEdit* entry(QWidget* parent, const char* name, const char* picture, const char* tip) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  rt::setPicture(e, picture);
  e->setToolTip(rt::toQString(tip));
  return e;
}

QToolButton* calendarButton(QWidget* parent, const char* name) {
  auto* b = new QToolButton(parent);
  b->setObjectName(name);
  b->setIcon(parent->style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  b->setToolTip("Elija Fecha");
  return b;
}

}  // namespace

const std::vector<std::string>& weekdayNames() {
  static const std::vector<std::string> names{"Lunes",   "Martes",    "Miércoles"_cp, "Jueves",
                                              "Viernes", "Sábado"_cp, "Domingo"};
  return names;
}

std::optional<int> weekdayNumber(std::string_view name) {
  static const char* const byNumber[] = {"",       "Domingo", "Lunes",    "Martes", "Miércoles"_cp,
                                         "Jueves", "Viernes", "Sábado"_cp};
  const std::string text = trimmedRight(name);
  for (int n = 0; n < 8; ++n) {
    if (text == byNumber[n]) return n;
  }
  return std::nullopt;
}

ScheduleSheetForm::ScheduleSheetForm()
    : RecordForm("FormularioPLanilla", core::Planilla::def(), false) {}

ScheduleSheetForm::~ScheduleSheetForm() = default;

QWidget* ScheduleSheetForm::buildWindow() {
  const auto [window, sheet, general] = core::formSheet(kTitle, "General");
  const rt::DialogUnits units = rt::DialogUnits::of(window);

  auto* from = entry(general, "?PLA:FECVIGENCIADESDE", "@d6",
                     "Fecha en que comienza la vigencia de ésta planilla"_cp);
  auto* to = entry(general, "?PLA:FECVIGENCIAHASTA", "@d17",
                   "Fecha en que termina la vigencia de ésta planilla"_cp);
  for (QLineEdit* date : {from, to}) date->setMaximumWidth(units.x(55));
  auto* description = entry(general, "?PLA:DSCPLANILLA", "@s40", "Descripción de la planilla"_cp);
  description->setMaxLength(40);
  auto* consultation =
      entry(general, "?PLA:DURCONSULTA", "@T1", "Duración estimada de la consulta"_cp);
  auto* overbooking =
      entry(general, "?PLA:DURSOBRETURNO", "@t1", "Duración estimada del Sobreturno"_cp);
  for (QLineEdit* time : {consultation, overbooking}) time->setMaximumWidth(units.x(35));

  auto* grid = new QGridLayout;
  auto prompt = [&](const char* text, QWidget* buddy, int row, int column) {
    auto* label = new QLabel(rt::toQString(text), general);
    label->setBuddy(buddy);
    grid->addWidget(label, row, column);
  };
  auto pair = [&](std::initializer_list<QWidget*> widgets) {
    auto* box = new QHBoxLayout;
    box->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : widgets) box->addWidget(w);
    box->addStretch();
    return box;
  };
  prompt("Vigencia Desde:", from, 0, 0);
  grid->addLayout(pair({from, calendarButton(general, "?CALENDAR")}), 0, 1);
  prompt("Hasta:", to, 0, 2);
  grid->addLayout(pair({to, calendarButton(general, "?CALENDAR:2")}), 0, 3);
  prompt("Descripción:"_cp, description, 1, 0);
  grid->addWidget(description, 1, 1, 1, 3);
  prompt("Duración Consulta:"_cp, consultation, 2, 0);
  grid->addLayout(pair({consultation, new QLabel("(HH:MM)", general)}), 2, 1);
  prompt("Sobreturno:", overbooking, 2, 2);
  grid->addLayout(pair({overbooking, new QLabel("(HH:MM)", general)}), 2, 3);
  grid->setColumnStretch(3, 1);

  auto* list = new QTableView(general);
  list->setObjectName("?List");
  list->setMinimumSize(units.size(270, 90));
  auto* listButtons = new QHBoxLayout;
  listButtons->addWidget(core::namedButton(general, "?EXPORTAR", "E&xportar"));
  listButtons->addStretch();
  listButtons->addWidget(core::namedButton(general, "?Insert", "&Agregar", "Agregar un Registro"));
  listButtons->addWidget(
      core::namedButton(general, "?Change", "&Modificar", "Modificar el Registro resaltado"));
  listButtons->addWidget(
      core::namedButton(general, "?Delete", "&Borrar", "Borrar el Registro resaltado"));
  auto* generalLayout = new QVBoxLayout(general);
  generalLayout->addLayout(grid);
  generalLayout->addWidget(list, 1);
  generalLayout->addLayout(listButtons);

  core::sheetAndButtons(window, sheet, {.okTip = "Acepta y cierra."});

  fields().bind(from, "PLA:FecVigenciaDesde", 4);
  fields().bind(to, "PLA:FecVigenciaHasta", 5);
  fields().bind(description, "PLA:DscPlanilla", 2);
  fields().bind(consultation, "PLA:DurConsulta", 6);
  fields().bind(overbooking, "PLA:DurSobreturno", 7);
  return window;
}

void ScheduleSheetForm::OwnSetup() {
  if (REQUEST == request::Insert) window()->setWindowTitle("Agregando Registro");
  if (REQUEST == request::Change) window()->setWindowTitle("Modificando Registro");
  // The tables a sheet's neighbours live in, opened with the form as the
  // program always has.
  consultationsOpened_ = core::relate(core::Consultas::def()).open() == core::level::Benign;
  copiesOpened_ = core::relate(core::Copia_Planillas::def()).open() == core::level::Benign;

  auto* list = control<QTableView>("?List");
  weekdays_ = std::make_unique<core::ListBrowser>(*this, list, core::PlanillaHorarios::def());
  core::ListBrowser& b = *weekdays_;
  b.AddSortOrder("", core::PlanillaHorarios::PLH03);
  b.SetRange([] { return static_cast<std::int64_t>(core::PLA().CodPlanilla); });
  b.AddColumn(shown("PLH:DiaSemanaDsc", "Día"_cp, "@s10", 65));
  b.AddColumn(shown("PLH:HrEntrada1", "Hr Entrada 1", "@T1", 48, ColumnAlign::Right));
  b.AddColumn(shown("PLH:HrSalida1", "Hr Salida 1", "@T1", 48, ColumnAlign::Right));
  b.AddColumn(shown("PLH:HrEntrada2", "Hr Entrada 2", "@T1", 48, ColumnAlign::Right));
  b.AddColumn(shown("PLH:HrSalida2", "Hr Salida 2", "@T1", 46, ColumnAlign::Right));
  b.AddHiddenColumn("PLH:CodInterno");
  b.AddHiddenColumn("PLH:CodPlanilla");
  b.AddHiddenColumn("PLH:DiaSemanaNro");
  core::CellEditor weekday;
  weekday.choices = weekdayNames();
  weekday.dropWidth = 100;
  weekday.required = true;
  weekday.changed = [](const std::string& text) {
    if (const std::optional<int> number = weekdayNumber(text)) {
      core::PLH().DiaSemanaNro = static_cast<std::uint16_t>(*number);
    }
  };
  b.SetCellEditor(1, std::move(weekday));
  for (int column = 2; column <= 5; ++column) b.SetCellEditor(column, core::CellEditor{});
  b.INSERTCONTROL = control("?Insert");
  b.CHANGECONTROL = control("?Change");
  b.DELETECONTROL = control("?Delete");
  b.EXPORTCONTROL = control("?EXPORTAR");
  list->setGridStyle(Qt::SolidLine);
  list->setStyleSheet("QTableView { gridline-color: #d3d3d3; }");
  // The list keeps Enter, Tab and the arrows for its cells.
  keyNavigator().Exclude(list);
  b.ResetView();
}

int ScheduleSheetForm::TakeEvent() {
  if (weekdays_ && weekdays_->TakeEvent()) return rt::level::Benign;
  return RecordForm::TakeEvent();
}

int ScheduleSheetForm::TakeAccepted() {
  QWidget* accepted = field();
  if (weekdays_ && accepted != nullptr && weekdays_->TakeAccepted(accepted)) {
    return rt::level::Benign;
  }
  const std::string name = accepted ? rt::fromQString(accepted->objectName()) : std::string();
  if (name == "?CALENDAR" || name == "?CALENDAR:2") {
    Update();
    const bool start = name == "?CALENDAR";
    auto* date = control<QLineEdit>(start ? "?PLA:FECVIGENCIADESDE" : "?PLA:FECVIGENCIAHASTA");
    const rt::Date picked =
        core::BotonCalendario(*this, date, start ? "Buscar Fecha" : "Bucar Fecha");
    (start ? core::PLA().FecVigenciaDesde : core::PLA().FecVigenciaHasta) = picked;
    return rt::level::Benign;
  }
  if (name == "?EXPORTAR") {
    Update();
    if (weekdays_->FinishEdit() && weekdays_->RecordsInView() > 0) {
      core::PrepararExportacion(*weekdays_,
                                core::ExportSpec{12,
                                                 "1,2,3,4,5,",
                                                 {{"Día"_cp, "@s10", 0},
                                                  {"Hr Entrada 1", "@T1", 0},
                                                  {"Hr Salida 1", "@T1", 0},
                                                  {"Hr Entrada 2", "@T1", 0},
                                                  {"Hr Salida 2", "@T1", 0}},
                                                 "Administrator the PlanillaHorarios",
                                                 0},
                                window());
    }
    return rt::level::Benign;
  }
  if ((name == "?OK" || name == "?CANCEL") && weekdays_ && weekdays_->editing()) {
    // A row left open is stored with the sheet, or dropped with the cancel.
    if (name == "?OK" && !weekdays_->FinishEdit()) return rt::level::Benign;
    weekdays_->AbandonEdit();
  }
  return RecordForm::TakeAccepted();
}

void ScheduleSheetForm::removeNewSheet() {
  // The rows stored for the new sheet and the sheet itself go in one
  // transaction: a sheet without dates would stay otherwise, refused by its
  // rows, and its blank start would block every new sheet of the physician.
  rt::Table& rows = core::PlanillaHorarios::table();
  rt::Table& sheets = table();
  const std::uint32_t code = core::PLA().CodPlanilla;
  const std::int64_t position = sheets.position();
  rows.clear();
  core::PLH().CodPlanilla = code;
  if (rows.fetch(core::PlanillaHorarios::PLH02) != 0) return;  // none: the shape removes it
  int rc = rt::beginTransaction();
  for (; rc == 0;) {
    rows.clear();
    core::PLH().CodPlanilla = code;
    const int found = rows.fetch(core::PlanillaHorarios::PLH02);
    if (found == rt::error::RecordNotFound) break;
    rc = found != 0 ? found : rows.remove();
  }
  if (rc == 0) rc = sheets.fetchPosition(position);
  if (rc == 0) rc = sheets.remove();
  if (rc == 0) {
    rc = rt::commitTransaction();
  } else {
    rt::rollbackTransaction();
  }
  if (rc == 0) {
    PRIMARY->access().forgetNumbered();
    return;
  }
  core::showTableMessage(
      core::TableMessage::DeleteFailed,
      core::MessageFill().File(core::Planilla::def().label).ErrorText(core::currentErrorText()));
}

int ScheduleSheetForm::Kill() {
  if (FILESOPENED != 0 && ORIGINALREQUEST == request::Insert &&
      PRIMARY->access().numberedPending()) {
    removeNewSheet();
  }
  weekdays_.reset();
  if (copiesOpened_) core::relate(core::Copia_Planillas::def()).close();
  if (consultationsOpened_) core::relate(core::Consultas::def()).close();
  copiesOpened_ = consultationsOpened_ = false;
  return RecordForm::Kill();
}

int FormularioPLanilla() { return core::runWindow<ScheduleSheetForm>(); }

}  // namespace practice
