#pragma once
// The print preview: the report's pages one at a time, with page buttons, a
// number of copies and "Imprimir", which prints them (on the chosen printer)
// and closes the preview once the print service took them; a print that
// failed keeps the preview open. Its answer is 1 when the pages were printed,
// 0 when the window was closed without printing.
#include <vector>

#include "platform/ui/report_pages.h"
#include "platform/ui/window_driver.h"

class QLabel;
class QScrollArea;
class QSpinBox;

namespace rt {

class ReportPreview : public WindowDriver {
 public:
  ReportPreview(const std::vector<ReportPage>& pages, QString title, int copies);
  int Init() override;
  int TakeAccepted() override;
  int TakeWindowEvent() override;

  // The answer (1 printed, 0 not) and the copies asked for.
  int preview();
  int copies() const { return copies_; }

 private:
  void showPage(int index);

  const std::vector<ReportPage>& pages_;
  QString title_;
  int copies_;
  int current_ = 0;
  QLabel* page_ = nullptr;
  QScrollArea* area_ = nullptr;
  QLabel* counter_ = nullptr;
  QSpinBox* copiesBox_ = nullptr;
};

}  // namespace rt
