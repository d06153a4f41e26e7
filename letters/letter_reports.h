#pragma once
// The two letter reports: the letter as one rich-text band that grows over as
// many pages as it needs, on plain paper (the practice's name, the date and
// the page number at the top of every page) or on letterhead paper (nothing
// printed above the body, which starts lower). Each report prints the letter
// it was handed when its button was pressed.
#include <string>

#include "core/shapes/report_run.h"

namespace letters {

class LetterReport : public core::ReportRun {
 public:
  LetterReport(std::string letter, bool letterhead);

 protected:
  std::string title() const override;
  std::string procedureName() const override;
  std::string tableName() const override;
  int openTables() override;
  void closeTables() override;
  long long primaryRecords() override;
  void openView() override;
  void closeView() override;
  int readNext() override;
  void layOut(rt::ReportEngine& report) override;
  void printRecord(rt::ReportEngine& report) override;

 private:
  std::string letter_;
  bool letterhead_;
  bool opened_ = false;
  int rowsRead_ = 0;
  rt::ReportBand detail_;
};

int ReporteNotaConMacroNormal(std::string letter);
int ReporteNotaConMacroMembrete(std::string letter);

}  // namespace letters
