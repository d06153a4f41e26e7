#pragma once
// The organiser's topics: the list by date and time, every second row tinted,
// with the selected topic's notes under it, and the topic form with its date
// picker and its attached file.
#include <cstdint>
#include <vector>

#include "core/shapes/list_window.h"
#include "core/shapes/record_form.h"

namespace organiser {

// The tint of every second loaded row (blue-green-red: a pale green).
inline constexpr std::int32_t kTopicTint = 0xEEFFF1;

// The tints of the loaded rows by their place among them: the first, third ...
// keep the list's colours, the second, fourth ... black on the tint; selected
// rows always keep the list's selection colours.
void tintByPosition(std::vector<core::ListRow>& rows);

core::ExportSpec topicListExport();

class TopicList : public core::ListWindow {
 public:
  TopicList();
  int TakeEvent() override;
  int TakeAccepted() override;

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(core::ListBrowser& browser) override;
  void OwnSetup() override;
  void callForm() override;
  std::optional<core::ListSearchSettings> searchSettings() const override;

 private:
  // The query holds the topic's date only, and opens empty every time.
  void runQuery();
  // The selected topic's notes in the box under the list.
  void showNotes();
  std::int64_t shown_ = -1;
};

class TopicForm : public core::RecordForm {
 public:
  TopicForm();
  int PrimeUpdate() override;
  int TakeAccepted() override;

 protected:
  QWidget* buildWindow() override;
  void OwnSetup() override;

 private:
  void pickFile();
};

int ExaminarTemas();
int FormularioTemas();

}  // namespace organiser
