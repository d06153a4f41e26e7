#include "practice/consultation_report.h"

#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/file_warnings.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp1252.h"
#include "platform/ui/report_pages.h"

namespace practice {
namespace {

constexpr int kLineHeight = 180;

std::string dayText(long day) { return std::to_string(day); }

}  // namespace

ConsultationReport::ConsultationReport(std::string filter, std::string /*order*/)
    : filter_(std::move(filter)) {}

std::string ConsultationReport::title() const { return "Listado de Consultas"; }
std::string ConsultationReport::procedureName() const { return "ReporteConsultas"; }
std::string ConsultationReport::tableName() const { return "Consultas"; }

int ConsultationReport::openTables() {
  return openReportTables(core::Consultas::def(),
                          {&core::Pacientes::def(), &core::Coberturas_Medicas::def(),
                           &core::Medicos::def(), &core::TiposConsultas::def()});
}

void ConsultationReport::openView() {
  view_ = std::make_unique<rt::View>(core::Consultas::def(), core::Consultas::CON05);
  // The tables the list joins, so that a filter on any column the list
  // shows (a query on the patient's name) narrows the listing as it narrows
  // the list.
  const rt::TableDef& consultations = core::Consultas::def();
  view_->join(core::Pacientes::def(), core::Pacientes::PAS_001,
              {consultations.fieldIndex("CON:Cod_Paciente")});
  view_->joinThrough(core::Pacientes::def(), core::Coberturas_Medicas::def(),
                     core::Coberturas_Medicas::COB_001,
                     {core::Pacientes::def().fieldIndex("PAC:Cod_Cobertura")});
  view_->join(core::Medicos::def(), core::Medicos::MDC01,
              {consultations.fieldIndex("CON:Cod_Medico")});
  view_->join(core::TiposConsultas::def(), core::TiposConsultas::TIC01,
              {consultations.fieldIndex("CON:Cod_TipoConsulta")});
  view_->setToStart();
  if (!rt::clip(filter_).empty() && view_->setFilter(filter_).code != 0) {
    // A filter the report cannot use is ignored, as the warning says.
    core::ShowFileWarningNumber(core::kViewOpenWarning);
    view_->setFilter(rt::View::Filter{});
  }
}

void ConsultationReport::layOut(rt::ReportEngine& report) {
  const QFont headings = rt::reportFont("Arial Monospaced 03", 10, true);
  const QFont columns = rt::reportFont("Arial Monospaced 03", 10);
  const int right = report.bodyWidth();
  rt::ReportBand& header = report.header;
  header.height = 900;
  layOutPageHeader(header, "Reporte de Consultas (Filtrado)");
  header.label(0, 640, 1719, 200, "Apellido y Nombre", headings);
  header.label(1823, 640, 781, 200, "Telefono", headings);
  header.label(2708, 640, 781, 200, "Cobertura", headings);
  header.label(3698, 640, 625, 200, "F. Nac.", headings);
  header.label(4427, 640, 2865, 200, "Motivo", headings);
  header.line(0, 860, right, 0);

  detail_ = rt::ReportBand{};
  detail_.height = kLineHeight;
  detail_.text(
      0, 10, 1719, 170, [] { return std::string(core::PAC().Nombre); }, columns, "@s90");
  detail_
      .text(
          1823, 10, 781, 170, [] { return std::string(core::PAC().Telefono); }, columns, "@s90")
      .readWhole();
  detail_.text(
      2708, 10, 781, 170, [] { return std::string(core::COB().Descripcion); }, columns, "@s90");
  detail_.text(
      3646, 10, 625, 170, [] { return dayText(core::PAC().Fecha_Nacim); }, columns, "@d17");
  detail_.text(
      4427, 10, 2865, 170, [] { return std::string(core::CON().Motivo); }, columns, "@s120");
}

void ConsultationReport::printRecord(rt::ReportEngine& report) {
  rt::Table& patients = core::Pacientes::table();
  patients.clear();
  core::PAC().Cod_Paciente = core::CON().Cod_Paciente;
  if (patients.fetch(core::Pacientes::PAS_001) != 0) patients.clear();
  rt::Table& plans = core::Coberturas_Medicas::table();
  plans.clear();
  core::COB().Cod_Cobertura = core::PAC().Cod_Cobertura;
  if (plans.fetch(core::Coberturas_Medicas::COB_001) != 0) plans.clear();
  report.print(detail_);
}

int runReporteConsultas(const std::string& filter, const std::string& order) {
  ConsultationReport report(filter, order);
  return report.execute();
}

}  // namespace practice
