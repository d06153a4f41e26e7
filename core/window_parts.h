#pragma once
// The small controls every window builds the same way: a push button that
// never takes Enter as the default, and an entry with its length and tip,
// each named as the window's code finds it ("?OK").
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <initializer_list>

namespace core {

QPushButton* namedButton(QWidget* parent, const char* name, const char* text,
                         const char* tip = "");
QLineEdit* namedEntry(QWidget* parent, const char* name, int length = 0, const char* tip = "");
// An entry that only shows a value (a looked-up name): read-only, never focused.
QLineEdit* shownEntry(QWidget* parent, const char* name);
// A line of a form's grid: the prompt, the label of `buddy`, in the first
// column and the controls side by side in the second (then a stretch).
void addFormLine(QGridLayout* grid, int row, const char* prompt, QWidget* buddy,
                 std::initializer_list<QWidget*> controls, bool stretch = false);

}  // namespace core
