#pragma once
// The small controls every window builds the same way: a push button that
// never takes Enter as the default, and an entry with its length and tip,
// each named as the window's code finds it ("?OK").
#include <QLineEdit>
#include <QPushButton>

namespace core {

QPushButton* namedButton(QWidget* parent, const char* name, const char* text,
                         const char* tip = "");
QLineEdit* namedEntry(QWidget* parent, const char* name, int length = 0, const char* tip = "");

}  // namespace core
