#include "practice/appointment_report.h"

#include <algorithm>

#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/file_warnings.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/ui/report_pages.h"
#include "practice/planner_day.h"

namespace practice {
namespace {

std::string clipped(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

}  // namespace

std::string AppointmentReport::title() const { return "Listado de Turnos"; }
std::string AppointmentReport::procedureName() const { return "ReporteTurnos"; }
std::string AppointmentReport::tableName() const { return "Medicos"; }

int AppointmentReport::openTables() {
  for (const rt::TableDef* def : {&core::Medicos::def(), &core::Especialidades::def()}) {
    if (int e = core::access(*def).open()) return e;
    ++opened_;
  }
  fecha_ = GLO::FechaTurno;
  core::Medicos::table().clear();
  core::MDC().Cod_Medico = GLO::CodMedicoTurno;
  if (core::Medicos::table().fetch(core::Medicos::MDC01) != 0) core::Medicos::table().clear();
  core::Especialidades::table().clear();
  core::ESP().Cod_Especialidad = core::MDC().Cod_Especialidad;
  if (core::Especialidades::table().fetch(core::Especialidades::ESP01) != 0)
    core::Especialidades::table().clear();
  physician_ = clipped(core::MDC().Nombre.view());
  nombre_ = physician_ + " - " + clipped(core::ESP().Descripcion.view());
  return 0;
}

void AppointmentReport::closeTables() {
  const rt::TableDef* defs[] = {&core::Medicos::def(), &core::Especialidades::def()};
  while (opened_ > 0) core::access(*defs[--opened_]).close();
}

void AppointmentReport::openView() {
  // The physicians only drive the run: the day is printed from the queue.
  view_ = std::make_unique<rt::View>(core::Medicos::def(), core::Medicos::MDC01);
  view_->setToStart();
}

void AppointmentReport::layOut(rt::ReportEngine& report) {
  const QFont big = rt::reportFont("Arial", 14, true);
  const QFont plain = rt::reportFont("Arial", 10);
  QFont underlined = rt::reportFont("Arial", 10, true);
  underlined.setUnderline(true);
  const QFont headings = rt::reportFont("Arial Monospaced 03", 10, true);
  const QFont columns = rt::reportFont("Arial Monospaced 04", 10);
  const int right = report.bodyWidth();
  rt::ReportBand& header = report.header;
  header.height = 1354;
  // The chosen physician, not the first one the run reads.
  header.text(
      0, 0, 5156, 260, [this] { return physician_; }, big, "@s80");
  // The prompts end where their values start, whole.
  header.label(6058, 40, 775, 200, "Fecha:", plain, Qt::AlignRight);
  header.text(
      6875, 40, 625, 200, [this] { return std::to_string(ReportRunDate); }, plain, "@d17");
  header.label(0, 300, 5156, 260, "Planilla de Turnos", big);
  header.label(6052, 340, 775, 200, "Pag.:", plain, Qt::AlignRight);
  header.text(
      6875, 340, 625, 200, [this] { return std::to_string(ReportPageNo()); }, plain, "@n3");
  header.label(0, 640, 510, 200, "Fecha:", underlined);
  header.text(
      510, 640, 1000, 200, [this] { return std::to_string(fecha_); }, plain, "@d17");
  header.label(0, 880, 875, 200, "Profesional:", underlined);
  header.text(
      875, 880, 5104, 200, [this] { return nombre_; }, plain, "@s160");
  header.label(323, 1110, 677, 200, "Turno", headings);
  header.label(1000, 1110, 1875, 200, "Nombre", headings);
  header.label(2937, 1110, 2406, 200, "Motivo", headings);
  header.label(5406, 1110, 1146, 200, "Teléfono"_cp, headings);
  header.label(6615, 1110, 802, 200, "Tipo", headings);
  header.line(0, 1330, right, 0);

  detail_ = rt::ReportBand{};
  detail_.height = 250;
  auto cell = [this](auto pick) {
    return [this, pick] { return row_ < QTU().size() ? pick(QTU()[row_]) : std::string(); };
  };
  detail_.text(0, 20, 510, 200, cell([](const DayRow& r) { return std::to_string(r.INDICE); }),
               columns, "@n6");
  detail_.text(573, 20, 365, 200, cell([](const DayRow& r) { return std::to_string(r.HORA); }),
               columns, "@t7");
  detail_.text(1000, 20, 1875, 200, cell([](const DayRow& r) { return r.NOMBRE; }), columns,
               "@s40");
  detail_.text(2937, 20, 2406, 200, cell([](const DayRow& r) { return r.MOTIVO; }), columns,
               "@s80");
  detail_
      .text(5406, 20, 1146, 200, cell([](const DayRow& r) { return r.TELEFONO; }), columns, "@s90")
      .readWhole();
  // The type's longest texts ("Indeterminado") need the rest of the line.
  detail_.text(
      6615, 20, std::max(802, right - 6615), 200, [this] { return tipoTurno_; },
      rt::reportFont("Arial Monospaced 04", 9), "@s20");
  detail_.line(0, 240, right, 0, 5);
}

bool AppointmentReport::PrintPlannerRows(rt::ReportEngine& report) {
  std::stable_sort(QTU().begin(), QTU().end(), [](const DayRow& a, const DayRow& b) {
    return a.NRO_ABSOLUTO < b.NRO_ABSOLUTO;
  });
  for (row_ = 0; row_ < QTU().size(); ++row_) {
    tipoTurno_ = TraeTipoTurno(QTU()[row_].TIPOTURNO);
    report.print(detail_);
  }
  return false;
}

void AppointmentReport::printRecord(rt::ReportEngine& report) {
  if (printed_) return;
  PrintPlannerRows(report);
  printed_ = true;
}

int ReporteTurnos() {
  AppointmentReport report;
  return report.execute();
}

}  // namespace practice
