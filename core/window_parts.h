#pragma once
// The small controls every window builds the same way: a push button that
// never takes Enter as the default, and an entry with its length and tip,
// each named as the window's code finds it ("?OK").
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <cstdint>
#include <initializer_list>

namespace core {

QPushButton* namedButton(QWidget* parent, const char* name, const char* text,
                         const char* tip = "");
QLineEdit* namedEntry(QWidget* parent, const char* name, int length = 0, const char* tip = "");
// An entry that only shows a value (a looked-up name): read-only, never focused.
QLineEdit* shownEntry(QWidget* parent, const char* name);
// The window's layout: its tab sheet above a row of "&OK" and "&Cancelar" at
// the right; the row is returned for windows that add to it.
QHBoxLayout* sheetAndButtons(QWidget* window, QWidget* sheet, const char* okTip = "",
                             const char* cancelTip = "");
// A date as the forms show one ("@d17"); empty for no date (0).
QString shownDate(std::int32_t date);
// A line of a form's grid: the prompt, the label of `buddy`, in the first
// column and the controls side by side in the second (then a stretch).
void addFormLine(QGridLayout* grid, int row, const char* prompt, QWidget* buddy,
                 std::initializer_list<QWidget*> controls, bool stretch = false);

}  // namespace core
