#pragma once
// Saved export layouts: the columns, titles, totals and sort order a user
// chose for one list, kept under a name (tables KovSaveC and KovSaveD), and
// the chooser window in which a list's own layouts are picked or deleted.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/shapes/list_window.h"

namespace output {

// One chosen column of a layout, in the order of the selected list.
struct LayoutColumn {
  std::string title;    // as exported (titles may have been edited)
  int totaling = 1;     // 1 not totalled, 2 totalled
  int id = 0;           // the column's number in the list's rows
  char order = 0;       // '+' or '-' when part of the sort order
  int orderNumber = 0;  // its place in the sort order, 0 when not sorted
};

// Saves a layout of the list `procedure` of the program `app` on the calling
// thread; the table numbers it. Rows of that number left behind by a deleted
// layout are removed first, in the same transaction. Answers the number, or
// 0 after telling the user why nothing was saved.
std::int32_t saveExportLayout(std::string_view app, std::string_view procedure,
                              std::string_view name, const std::vector<LayoutColumn>& columns);

// A layout's columns in the order they were saved.
std::vector<LayoutColumn> loadExportLayout(std::int32_t id);

// The chooser: the layouts of the list `procedure` of the program `app`.
class ExportLayoutList : public core::ListWindow {
 public:
  ExportLayoutList(std::string procedure, std::string application, std::string caption);
  int RunProcedure(int number, int request) override;

 protected:
  QWidget* buildWindow() override;
  void setUpBrowser(core::ListBrowser& browser) override;
  void callForm() override {}
  std::string listControlName() const override { return "?BROWSE:1"; }

 private:
  std::string procedure_;
  std::string application_;
  std::string caption_;
};

// Runs the chooser on the calling thread; answers ThreadResponse (1 when a
// layout was chosen, its KovSaveC record then in the thread's buffer).
int runKovSelectGeneracion(std::string procedure, std::string application, std::string caption);

}  // namespace output
