#pragma once
// The change history: "Historial.txt" of the working folder shown as a
// read-only list of coloured rows. A marker at the start of a line chooses the
// style of that line and the lines after it; long lines wrap at 80 characters
// with a hanging indent.
#include <string>
#include <string_view>
#include <vector>

#include "core/shapes/aided_window.h"

namespace admin {

// One row of the list: its text (runtime text, at most 255 characters) and
// its style (0 the list's own, 1 bold black, 2 red, 3 blue, 4 green, 5
// orange, 6 maroon).
struct HistoryRow {
  std::string text;
  int style = 0;
  bool operator==(const HistoryRow&) const = default;
};

// The rows of the file's lines (runtime text, without their line ends).
std::vector<HistoryRow> historyRows(const std::vector<std::string>& lines);

// The file's lines as runtime text: UTF-8 when the whole file is valid
// UTF-8, else CP1252; line ends "\n" or "\r\n"; every line whole.
std::vector<std::string> historyLines(std::string_view content);

class WhatsNewWindow : public core::AidedWindow {
 public:
  explicit WhatsNewWindow(std::vector<HistoryRow> rows) : rows_(std::move(rows)) {}
  int Init() override;

 private:
  std::vector<HistoryRow> rows_;
};

// The procedure "WhatsNew": reads the file and shows the window; a file that
// cannot be read is said in a message and no window opens.
int WhatsNew();

}  // namespace admin
