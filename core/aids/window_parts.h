#pragma once
// The pieces every window builds the same way: a push button that never
// takes Enter as the default, and an entry with its length and tip, each
// named as the window's code finds it ("?OK"); a form's window with its tab
// sheet; the lines of a form's grid and its notes box; the sheet above the
// OK and Cancel row; and the run of a window
// whose answer its caller also finds in ThreadResponse.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "platform/base/logical_threads.h"

namespace core {

// The tip shows over the button, the status text in the frame's status bar.
QPushButton* namedButton(QWidget* parent, const char* name, const char* text, const char* tip = "",
                         const char* status = "");
QLineEdit* namedEntry(QWidget* parent, const char* name, int length = 0, const char* tip = "");
// An entry that only shows a value (a looked-up name): read-only, never focused.
QLineEdit* shownEntry(QWidget* parent, const char* name);
// A form's window in the designed font with its title, and its tab sheet
// "?CurrentTab" with a first page; the caller lays the sheet out.
struct FormSheet {
  QWidget* window;
  QTabWidget* sheet;
  QWidget* page;
};
FormSheet formSheet(const QString& title, const QString& firstTab,
                    Qt::WindowFlags flags = Qt::Dialog);

// The row of OK and Cancel under a window's sheet.
struct FormButtons {
  const char* okTip = "";
  const char* cancelTip = "";
  bool icons = false;  // the style's standard OK and Cancel icons
  const char* okText = "&OK";
  const char* cancelText = "&Cancelar";
};
// The window's layout: its tab sheet above the row of "?OK" and "?CANCEL" at
// the right; the row is returned for windows that add to it.
QHBoxLayout* sheetAndButtons(QWidget* window, QWidget* sheet, const FormButtons& buttons = {});
// A date as the forms show one ("@d17"); empty for no date (0).
QString shownDate(std::int32_t date);
// A line of a form's grid: the prompt, the label of `buddy`, in the first
// column (left empty for a null prompt) and the controls side by side in the
// second (then a stretch).
void addFormLine(QGridLayout* grid, int row, const char* prompt, QWidget* buddy,
                 std::initializer_list<QWidget*> controls, bool stretch = false);
// A record's notes across both columns of a form's grid: the plain text
// `name` in a box "Notas:", from `minHeight` to `maxHeight` pixels high,
// where Tab moves on to the next control.
QPlainTextEdit* addNotesBox(QGridLayout* grid, int row, const char* name, int minHeight,
                            int maxHeight);

// Runs the window on the calling thread; its answer is returned and left in
// ThreadResponse for a caller that called it by name.
template <class Window, class... Args>
int runWindow(Args&&... args) {
  Window window(std::forward<Args>(args)...);
  const int response = window.Run();
  rt::ThreadResponse() = static_cast<std::uint8_t>(response);
  return response;
}

}  // namespace core
