#include "practice/history_report.h"

#include "core/tables/catalog_tables.h"
#include "core/tables/clinical_tables.h"
#include "core/tables/table_managers.h"
#include "platform/base/cp1252.h"
#include "platform/base/cp_literal.h"
#include "platform/ui/report_pages.h"

namespace practice {
namespace {

constexpr int kLine = 160;

std::string clipped(std::string_view text) { return std::string(rt::clip(text)); }

bool isRichText(std::string_view notes) {
  const std::size_t start = notes.find_first_not_of(" \r\n\t");
  return start != std::string_view::npos && notes.substr(start, 5) == "{\\rtf";
}

QFont underlined(QFont font) {
  font.setUnderline(true);
  return font;
}

}  // namespace

HistoryReport::HistoryReport(std::uint16_t patient) : Cod_Paciente(patient) {}

std::string HistoryReport::title() const { return "Listado de Historia Clínica"_cp; }
std::string HistoryReport::procedureName() const { return "ReporteHistoriaClinicaFiltrada"; }
std::string HistoryReport::tableName() const { return "Consultas"; }

int HistoryReport::openTables() {
  return openReportTables(core::Consultas::def(),
                          {&core::Pacientes::def(), &core::Localidades::def()});
}

void HistoryReport::openView() {
  // The patient's consultations are a range of the key by patient and date:
  // the same records and order as a filter on the patient, without walking
  // every other patient's.
  view_ = std::make_unique<rt::View>(core::Consultas::def(), core::Consultas::CON03);
  view_->setRange(1);
  core::Consultas::table().clear();
  core::CON().Cod_Paciente = Cod_Paciente;
  view_->setToStart();
}

void HistoryReport::layOut(rt::ReportEngine& report) {
  const QFont plain = rt::reportFont("Arial", 10);
  const QFont bold = rt::reportFont("Arial", 10, true);
  const QFont heading = underlined(bold);
  rt::ReportBand& header = report.header;
  header.height = 650;
  layOutPageHeader(header, "Historia Clinica");

  patientBand_ = rt::ReportBand{};
  patientBand_.height = 844;
  patientBand_.label(0, 0, 800, kLine, "Paciente:", heading);
  patientBand_.text(
      833, 0, 4740, kLine, [] { return std::string(core::PAC().Nombre); }, plain, "@s90");
  patientBand_.label(0, kLine, 980, kLine, "F.Nacimiento:", bold);
  patientBand_.text(
      990, kLine, 1000, kLine, [] { return std::to_string(core::PAC().Fecha_Nacim); }, plain,
      "@d17");
  patientBand_.label(0, 2 * kLine, 800, kLine, "Dirección"_cp, bold);
  patientBand_.text(
      813, 2 * kLine, 4740, kLine, [] { return std::string(core::PAC().Direccion); }, plain,
      "@s90");
  patientBand_.text(
      813, 3 * kLine, 700, kLine, [] { return std::to_string(core::PAC().Cod_Postal); }, plain,
      "P####-###PB");
  patientBand_.text(
      1542, 3 * kLine, 4000, kLine, [] { return std::string(core::LOC().NombreLocalidad); }, plain,
      "@s50");
  patientBand_.label(0, 4 * kLine, 800, kLine, "Teléfono:"_cp, bold);
  patientBand_
      .text(
          813, 4 * kLine, 4740, kLine, [] { return std::string(core::PAC().Telefono); }, plain,
          "@s90")
      .readWhole();

  // The antecedents wrap and grow their bands.
  auto antecedents = [&](rt::ReportBand& band, const char* label,
                         std::function<std::string()> memo) {
    band = rt::ReportBand{};
    band.height = 2 * kLine;
    band.label(0, 0, 1850, kLine, label, heading);
    band.wrapped(1875, 0, 4896, std::move(memo), plain);
  };
  antecedents(personalBand_,
              "Antecedentes Personales:", [] { return clipped(core::PAC().Ant_Personales); });
  antecedents(familyBand_,
              "Antecedentes Familiares:", [] { return clipped(core::PAC().Ant_Familiares); });

  gapBand_ = rt::ReportBand{};
  gapBand_.height = 83;

  const int right = report.bodyWidth();
  detail_ = rt::ReportBand{};
  detail_.height = 2 * kLine + 40;
  detail_.label(0, 0, 720, kLine,
                "Consulta:", underlined(rt::reportFont("Arial Monospaced 03", 10, true)));
  detail_.text(
      729, 0, 760, kLine, [] { return std::to_string(core::CON().Fecha); }, plain, "@d17");
  detail_.text(
      1510, 0, right - 1510, kLine, [] { return std::string(core::CON().Motivo); }, plain, "@s120");
  // The notes: the consultation form's rich text printed formatted; a note
  // that is not rich text prints as it stands.
  detail_.rich(
      677, kLine + 20, 6354,
      [] {
        const std::string& notes = core::CON().Notas;
        return isRichText(notes) ? notes : std::string();
      },
      plain);
  detail_.wrapped(
      677, kLine + 20, 6354,
      [] {
        const std::string& notes = core::CON().Notas;
        return isRichText(notes) ? std::string() : clipped(notes);
      },
      plain);
}

void HistoryReport::printRecord(rt::ReportEngine& report) {
  rt::Table& patients = core::Pacientes::table();
  patients.clear();
  core::PAC().Cod_Paciente = core::CON().Cod_Paciente;
  if (patients.fetch(core::Pacientes::PAS_001) != 0) patients.clear();
  rt::Table& localities = core::Localidades::table();
  localities.clear();
  core::LOC().Cod_Postal = core::PAC().Cod_Postal;
  if (localities.fetch(core::Localidades::LOC01) != 0) localities.clear();
  if (!patientPrinted_) {
    report.print(patientBand_);
    if (!clipped(core::PAC().Ant_Personales).empty()) report.print(personalBand_);
    if (!clipped(core::PAC().Ant_Familiares).empty()) report.print(familyBand_);
    report.print(gapBand_);
    patientPrinted_ = true;
  }
  report.print(detail_);
}

int runReporteHistoriaClinicaFiltrada(std::uint16_t patient) {
  HistoryReport report(patient);
  return report.execute();
}

}  // namespace practice
