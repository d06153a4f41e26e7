#pragma once
// The topics report: the topics the topics list shows (its filter, taken
// whole), by date whatever the list's order, each with its whole notes, the
// practice's name, "Pag.:" n "de" m and the run's date and time on every page.
#include <string>

#include "organiser/report_parts.h"

namespace organiser {

class TopicsReport : public OneTableReport {
 public:
  TopicsReport(std::string filter, std::string order);

 protected:
  std::string title() const override { return "Listado de Temas"; }
  std::string procedureName() const override { return "ReporteTemasFiltrado"; }
  int openTables() override;
  void openView() override;
  void layOut(rt::ReportEngine& report) override;
  void printRecord(rt::ReportEngine& report) override { report.print(detail_); }

 private:
  std::string filter_;
  long runTime_ = 0;
  rt::ReportBand detail_;
};

// The procedure's entry (arguments: filter, order); answers ThreadResponse.
int ReporteTemasFiltrado(const std::string& filter, const std::string& order);

}  // namespace organiser
