#pragma once
// The consultation report: the consultations that the consultation list
// shows (its filter), in date order, one line each with the patient's name,
// telephone, coverage plan and birth date and the consultation's reason.
#include <memory>
#include <string>
#include <vector>

#include "core/shapes/report_run.h"
#include "platform/data/view.h"

namespace practice {

class ConsultationReport : public core::ReportRun {
 public:
  // `filter` is the list's filter, whole (a cut one could select other
  // records); the list's order is not used: the report always runs by date.
  ConsultationReport(std::string filter, std::string order);

 protected:
  std::string title() const override;
  std::string procedureName() const override;
  std::string tableName() const override;
  int openTables() override;
  void openView() override;
  void layOut(rt::ReportEngine& report) override;
  void printRecord(rt::ReportEngine& report) override;

 private:
  std::string filter_;
  rt::ReportBand detail_;
};

// The procedure's entry (arguments: filter, order); answers ThreadResponse.
int runReporteConsultas(const std::string& filter, const std::string& order);

}  // namespace practice
