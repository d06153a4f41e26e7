#pragma once
// The colours and minimum heights every window gives its controls by their
// kind when it opens: required entries pale orange, read-only ones light grey,
// currency entries pale green, text boxes pale yellow, lists near white.
#include <QWidget>

namespace core {

// Walks every control of the window and applies the rules.
void ColorearControles(QWidget* window);

}  // namespace core
