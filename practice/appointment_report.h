#pragma once
// The appointment sheet: the planner's day as it holds it, every row in slot
// order with its position, time, name, reason, telephone and type, under the
// day and the physician with the speciality.
#include <memory>
#include <string>

#include "core/shapes/report_run.h"
#include "platform/data/view.h"

namespace practice {

class AppointmentReport : public core::ReportRun {
 protected:
  std::string title() const override;
  std::string procedureName() const override;
  std::string tableName() const override;
  int openTables() override;
  void closeTables() override;
  void openView() override;
  void layOut(rt::ReportEngine& report) override;
  void printRecord(rt::ReportEngine& report) override;

 private:
  // Prints the whole queue, sorted by slot number (the queue stays so).
  bool PrintPlannerRows(rt::ReportEngine& report);

  int opened_ = 0;
  rt::ReportBand detail_;
  long fecha_ = 0;
  std::string physician_;  // the chosen physician's name
  std::string nombre_;     // name - speciality
  std::string tipoTurno_;
  std::size_t row_ = 0;
  bool printed_ = false;
};

// Prints the day for GLO:CodMedicoTurno and GLO:FechaTurno; answers
// ThreadResponse.
int ReporteTurnos();

}  // namespace practice
