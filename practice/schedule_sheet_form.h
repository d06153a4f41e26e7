#pragma once
// The schedule sheet of a physician: its validity dates, description and
// durations, with its weekday rows edited in the form's own list.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/shapes/list_browser.h"
#include "core/shapes/record_form.h"

namespace practice {

// The weekday names of the "Día" drop-down, in the order they are offered.
const std::vector<std::string>& weekdayNames();
// The weekday number of a name (trailing blanks ignored): blank 0, "Domingo"
// 1 .. "Sábado" 7; none for any other text.
std::optional<int> weekdayNumber(std::string_view name);

class ScheduleSheetForm : public core::RecordForm {
 public:
  ScheduleSheetForm();
  ~ScheduleSheetForm() override;

  int Kill() override;
  int TakeEvent() override;
  int TakeAccepted() override;

  core::ListBrowser* weekdays() { return weekdays_.get(); }

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;

 private:
  void removeNewSheet();

  std::unique_ptr<core::ListBrowser> weekdays_;
  bool consultationsOpened_ = false;
  bool copiesOpened_ = false;
};

int FormularioPLanilla();

}  // namespace practice
