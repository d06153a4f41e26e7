#pragma once
// What the topics and notes windows build alike: a button with its tip and
// status text, the sheet of a record form with its one tab, and the run of a
// window whose answer is also left in ThreadResponse.
#include <QGridLayout>
#include <QPushButton>

#include "platform/base/logical_threads.h"

namespace organiser {

QPushButton* tippedButton(QWidget* parent, const char* name, const char* text, const char* tip = "",
                          const char* status = "");

// The window's title, its sheet "?SHEET1" with the one tab "?TAB1" (added to
// the window's layout by the caller), and the tab's grid.
QGridLayout* formSheet(QWidget* window, const char* title, const char* tab, QWidget*& sheet);

template <class Window>
int runWindow() {
  Window window;
  const int response = window.Run();
  rt::ThreadResponse() = static_cast<std::uint8_t>(response);
  return response;
}

}  // namespace organiser
