#include "practice/listing_procedures.h"

#include <cstdlib>

#include "platform/base/procedures.h"
#include "practice/birthday_window.h"
#include "practice/consultation_list.h"
#include "practice/history_report.h"
#include "practice/patient_reports.h"

namespace practice {
namespace {

std::string argument(const rt::ProcedureArgs& args, std::size_t n) {
  return args.size() > n ? args[n] : std::string();
}

long number(const rt::ProcedureArgs& args, std::size_t n) {
  return std::strtol(argument(args, n).c_str(), nullptr, 10);
}

}  // namespace

void registerListingProcedures() {
  rt::registerProcedure("ExaminarConsultas",
                        [](const rt::ProcedureArgs&) { return ExaminarConsultas(); });
  rt::registerProcedure("VentanaListadoCumples",
                        [](const rt::ProcedureArgs&) { return runVentanaListadoCumples(); });
  rt::registerProcedure("ReporteHistoriaClinicaFiltrada", [](const rt::ProcedureArgs& args) {
    return runReporteHistoriaClinicaFiltrada(static_cast<std::uint16_t>(number(args, 0)));
  });
  rt::registerProcedure("ReportePacientes", [](const rt::ProcedureArgs& args) {
    return runReportePacientes(argument(args, 0), argument(args, 1));
  });
  rt::registerProcedure("ReporteCumpleanos", [](const rt::ProcedureArgs& args) {
    return runReporteCumpleanos(static_cast<rt::Date>(number(args, 0)));
  });
}

}  // namespace practice
