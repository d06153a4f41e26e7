#pragma once
// One patient's clinical history: the patient's data and antecedents once,
// then every consultation of the patient, oldest first, with its date,
// reason and notes (rich text printed formatted, across pages as needed).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/shapes/report_run.h"
#include "platform/data/view.h"

namespace practice {

class HistoryReport : public core::ReportRun {
 public:
  explicit HistoryReport(std::uint16_t patient);

  std::uint16_t Cod_Paciente = 0;

 protected:
  std::string title() const override;
  std::string procedureName() const override;
  std::string tableName() const override;
  int openTables() override;
  void openView() override;
  void layOut(rt::ReportEngine& report) override;
  void printRecord(rt::ReportEngine& report) override;

 private:
  bool patientPrinted_ = false;
  rt::ReportBand patientBand_, personalBand_, familyBand_, gapBand_, detail_;
};

// The procedure's entry (argument: the patient's code); answers ThreadResponse.
int runReporteHistoriaClinicaFiltrada(std::uint16_t patient);

}  // namespace practice
