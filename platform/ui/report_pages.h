#pragma once
// A report's pages kept as display lists: every item in thousandths of an
// inch from the page's top-left corner, drawn the same way on screen, into a
// PDF file or on a printer.
#include <QFont>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QPainter;

namespace rt {

class RichTextPages;

// The installed face that stands for a font named in a report ("Arial",
// "MS Sans Serif"); names that are installed stay as they are.
QString reportFontFamily(std::string_view name);
// A report font: family by reportFontFamily, size in points.
QFont reportFont(std::string_view name, double points, bool bold = false, bool italic = false);

struct PageItem {
  enum class Kind { Text, Line, Box, RichSlice };
  Kind kind = Kind::Text;
  QRectF rect;  // Text, Box, RichSlice: the area; Line: from top-left to bottom-right
  QString text;
  QFont font;
  int flags = 0;                              // Qt alignment and word-wrap flags of a text
  int penWidth = 10;                          // lines and boxes
  std::shared_ptr<const RichTextPages> rich;  // RichSlice: the text and the slice's top
  double sliceTop = 0;
};

struct ReportPage {
  int width = 8500;  // the paper, thousandths of an inch
  int height = 11000;
  bool paperFixed = false;  // printed on its own paper, not on the printer's
  std::vector<PageItem> items;
};

// Draws a page with the painter's origin at the paper's top-left corner;
// `scale` device units per thousandth of an inch.
void drawPage(QPainter& painter, const ReportPage& page, double scale);

}  // namespace rt
