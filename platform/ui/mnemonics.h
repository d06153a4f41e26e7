#pragma once
// The marked letters of a window's controls ("&Cerrar"): Alt with a letter
// must reach one control only. Where two controls of a window mark the same
// letter, the close button keeps it and the other takes the first letter of
// its caption that no control of the window marks (or none).
#include <QString>
#include <vector>

class QWidget;

namespace rt {

// The controls of the window that mark a letter (buttons, and prompts that
// lead to a control), with their marked letter in upper case.
struct MarkedControl {
  QWidget* control;
  QChar letter;
};
std::vector<MarkedControl> markedControls(const QWidget* window);

// Gives every clashing control a letter of its own; answers how many changed.
int resolveMnemonicClashes(QWidget* window);

}  // namespace rt
