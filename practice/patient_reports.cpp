#include "practice/patient_reports.h"

#include "core/frame/globals.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/file_warnings.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/ui/report_pages.h"

namespace practice {
namespace {

constexpr int kLineHeight = 180;

// One column of a listing: heading position, field position, width, value,
// picture, and whether its value is read as a whole (a phone: it shrinks to
// fit, never wraps).
struct Column {
  int headingAt;
  int at;
  int width;
  const char* heading;
  std::function<std::string()> value;
  const char* picture;
  bool whole = false;
};

void layOutColumns(rt::ReportEngine& report, rt::ReportBand& detail,
                   const std::vector<Column>& columns) {
  const QFont headings = rt::reportFont("Arial Monospaced 03", 10, true);
  const QFont lines = rt::reportFont("Arial Monospaced 04", 10);
  rt::ReportBand& header = report.header;
  for (const Column& c : columns) {
    header.label(c.headingAt, 640, c.width + (c.at - c.headingAt), 200, c.heading, headings);
  }
  header.line(0, 860, report.bodyWidth(), 0);
  detail = rt::ReportBand{};
  detail.height = kLineHeight;
  for (const Column& c : columns) {
    detail.text(c.at, 10, c.width, 170, c.value, lines, c.picture);
    if (c.whole) detail.readWhole();
  }
}

std::string name() { return std::string(core::PAC().Nombre); }
std::string address() { return std::string(core::PAC().Direccion); }
std::string locality() { return std::string(core::LOC().NombreLocalidad); }
std::string phone() { return std::string(core::PAC().Telefono); }
std::string plan() { return std::string(core::COB().Descripcion); }
std::string born() { return std::to_string(core::PAC().Fecha_Nacim); }

}  // namespace

std::string PatientListing::tableName() const { return "Pacientes"; }

int PatientListing::openTables() {
  return openReportTables(core::Pacientes::def(),
                          {&core::Coberturas_Medicas::def(), &core::Localidades::def()});
}

void PatientListing::openView() {
  view_ = std::make_unique<rt::View>(core::Pacientes::def(), core::Pacientes::PAS_002);
  const rt::TableDef& patients = core::Pacientes::def();
  view_->join(core::Coberturas_Medicas::def(), core::Coberturas_Medicas::COB_001,
              {patients.fieldIndex("PAC:Cod_Cobertura")});
  view_->join(core::Localidades::def(), core::Localidades::LOC01,
              {patients.fieldIndex("PAC:Cod_Postal")});
  view_->setToStart();
  if (!applyFilter(*view_)) {
    // A filter the listing cannot use is ignored, as the warning says.
    core::ShowFileWarningNumber(core::kViewOpenWarning);
    view_->setFilter(rt::View::Filter{});
  }
}

void PatientListing::printRecord(rt::ReportEngine& report) {
  if (showsPlan()) {
    rt::Table& plans = core::Coberturas_Medicas::table();
    plans.clear();
    core::COB().Cod_Cobertura = core::PAC().Cod_Cobertura;
    if (plans.fetch(core::Coberturas_Medicas::COB_001) != 0) plans.clear();
  }
  rt::Table& localities = core::Localidades::table();
  localities.clear();
  core::LOC().Cod_Postal = core::PAC().Cod_Postal;
  if (localities.fetch(core::Localidades::LOC01) != 0) localities.clear();
  report.print(detail_);
}

PatientReport::PatientReport(std::string filter, std::string /*order*/)
    : filter_(std::move(filter)) {}

std::string PatientReport::title() const { return "Listado de Pacientes"; }
std::string PatientReport::procedureName() const { return "ReportePacientes"; }

bool PatientReport::applyFilter(rt::View& view) {
  return rt::clip(filter_).empty() || view.setFilter(filter_).code == 0;
}

void PatientReport::layOut(rt::ReportEngine& report) {
  report.header.height = 900;
  layOutPageHeader(report.header, "Reporte de Pacientes");
  layOutColumns(report, detail_,
                {{0, 0, 1573, "Apellido y Nombre", name, "@s90"},
                 {1635, 1635, 1490, "Dirección"_cp, address, "@s90"},
                 {3187, 3187, 1302, "Localidad", locality, "@s50"},
                 {4552, 4552, 781, "Telefono", phone, "@s90", true},
                 {5396, 5396, 781, "Cobertura", plan, "@s90"},
                 {6250, 6250, 625, "F. Nac.", born, "@d17"}});
}

BirthdayReport::BirthdayReport(rt::Date date) : Fecha(date) {
  names_.bind("Fecha", rt::Binding::numberAt(&Fecha));
}

std::string BirthdayReport::title() const { return "Listado de Cumpleaños"_cp; }
std::string BirthdayReport::procedureName() const { return "ReporteCumpleanos"; }
QWidget* BirthdayReport::progressParent() const { return GLO::VentanaPrincipal; }

bool BirthdayReport::applyFilter(rt::View& view) {
  // Day and month of a date 0 read as a day of December: a patient without
  // a birth date, or a listing without a date, matches nobody.
  return view.setFilter(
                 "PAC:Fecha_Nacim <> 0 AND Fecha <> 0 AND "
                 "Day(PAC:Fecha_Nacim) = Day(Fecha) AND Month(PAC:Fecha_Nacim) = Month(Fecha)",
                 &names_)
             .code == 0;
}

void BirthdayReport::layOut(rt::ReportEngine& report) {
  report.header.height = 900;
  layOutPageHeader(report.header, "Reporte de Pacientes que cumplen años el"_cp);
  report.header.text(
      4219, 300, 1400, 260, [this] { return std::to_string(Fecha); },
      rt::reportFont("Arial", 14, true), "@d17");
  layOutColumns(report, detail_,
                {{0, 0, 1812, "Apellido y Nombre", name, "@s90"},
                 {1875, 1875, 1854, "Dirección"_cp, address, "@s90"},
                 {3792, 3792, 1469, "Localidad", locality, "@s50"},
                 {5323, 5323, 833, "Telefono", phone, "@s90", true},
                 {6406, 6250, 646, "F. Nac.", born, "@d17"}});
}

int runReportePacientes(const std::string& filter, const std::string& order) {
  PatientReport report(filter, order);
  return report.execute();
}

int runReporteCumpleanos(rt::Date date) {
  BirthdayReport report(date);
  return report.execute();
}

}  // namespace practice
