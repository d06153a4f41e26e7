#pragma once
// The list export window: the user chooses and orders the columns a list
// handed over, renames their titles, marks columns for totals, chooses a
// sort order, saves and loads those choices as named layouts, and writes the
// rows as a spreadsheet, a document, text, HTML or XML (then mails or opens
// the file), or prints them.
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/shapes/aided_window.h"
#include "core/shapes/export_handover.h"
#include "platform/export/export_file.h"
#include "platform/export/spilled_rows.h"

class QListWidget;
class QTreeWidget;

namespace output {

// The window's kinds of output (its L:Option values).
namespace option {
constexpr int Spreadsheet = 1;
constexpr int Text = 2;
constexpr int Html = 3;
constexpr int Xml = 4;
constexpr int Document = 5;
constexpr int Print = 6;
}  // namespace option

// The column numbers that row 1 of the parameters lists, in its order: each
// number (up to three digits) ends at a ","; the scan stops at a blank, and
// a number without its "," is dropped.
std::vector<int> listedColumnNumbers(std::string_view row);

class ExportWindow : public core::AidedWindow {
 public:
  explicit ExportWindow(core::ExportHandOver& handOver);
  ~ExportWindow() override;

  int Init() override;
  int Kill() override;
  int TakeEvent() override;
  int TakeAccepted() override;

  struct Available {
    std::string title;  // SITEM
    int id = 0;         // SITEM_ID
  };
  struct Selected {
    std::string title;  // PITEM
    int icon = 1;       // PITEM_ICONO: 1 not totalled, 2 totalled
    int id = 0;         // PITEM_ID
  };
  struct Order {
    char sign = '+';          // EC_ORDEN
    std::string description;  // EC_DESCRIPCION
    int field = 0;            // the field of the rows it sorts by
  };
  const std::vector<Available>& available() const { return available_; }
  const std::vector<Selected>& selected() const { return selected_; }
  const std::vector<Order>& order() const { return order_; }
  // The export folder and the list's name: each kind adds its extension.
  const std::filesystem::path& basePath() const { return base_; }

 private:
  QWidget* buildWindow();
  void preselect();
  void refresh();
  int availableRow() const;
  int selectedRow() const;
  int orderRow() const;
  void writeBack();
  void commitTitle();

  void moveRight();
  void moveLeft();
  void moveAll(bool right);
  void swap(int by);
  void totalize();
  void editTitle();
  void addOrder();
  void removeOrder();
  void flipOrder();

  void exportAs(QWidget* button);
  // False, with a message, when the list has more rows than a spreadsheet
  // holds; nothing is read.
  bool fitsASpreadsheet();
  // The values each kept row holds: the selected columns', then the sort's.
  std::vector<int> fieldsRead() const;
  // Reads the hand-over's rows into `rows` a batch at a time (the windows
  // are served between batches) and puts them in the chosen order; false
  // when they could not be kept (rows.error() says why).
  bool readRows(rt::SpilledRows& rows);
  void sortRows(rt::SpilledRows& rows) const;
  // The title and the selected columns (no rows).
  rt::ExportFileTable table() const;
  static constexpr std::size_t kReadBatch = 100;
  static constexpr std::chrono::milliseconds kReadBudget{20};
  std::filesystem::path takenFile(const std::vector<std::string>& extensions) const;
  void afterExport(const std::filesystem::path& file);

  void saveLayout();
  void chooseLayout();
  void enableLayoutGroup();

  core::ExportHandOver& handOver_;
  std::vector<Available> available_;
  std::vector<Selected> selected_;
  std::vector<Order> order_;
  std::map<int, std::size_t> paired_;  // column number -> its row of the column queue
  std::filesystem::path base_;
  std::filesystem::path lastFile_;
  int option_ = 0;    // L:Option
  int editing_ = -1;  // the selected row under the title editor
  bool saved_ = false;
  bool tablesOpened_ = false;

  QListWidget* availableList_ = nullptr;
  QListWidget* selectedList_ = nullptr;
  QTreeWidget* orderList_ = nullptr;
};

// Runs the window on the calling thread for the running hand-over (the
// procedure of that name); nothing when no list handed one over.
int runKovExportSourceV2();

}  // namespace output
