#pragma once
// Positions and sizes given in dialog units of a window's font: a horizontal
// unit is a quarter of the font's average character width, a vertical unit an
// eighth of its height.
#include <QFont>
#include <QPoint>
#include <QSize>

class QWidget;

namespace rt {

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  int x(int units) const;
  int y(int units) const;
  QSize size(int width, int height) const { return QSize(x(width), y(height)); }
  QPoint point(int left, int top) const { return QPoint(x(left), y(top)); }
  // Pixels back to units, rounded to the nearest unit.
  int unitsX(int pixels) const;
  int unitsY(int pixels) const;
  // The units of a window: of its own font.
  static DialogUnits of(const QWidget* window);

 private:
  int charWidth_;
  int charHeight_;
};

}  // namespace rt
