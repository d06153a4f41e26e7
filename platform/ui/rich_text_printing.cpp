#include "platform/ui/rich_text_printing.h"

#include <QPainter>

#include "platform/ui/rich_text_pages.h"

namespace rt {
namespace {

constexpr double kMarginMillimetres = 20;
constexpr double kThousandthsPerInch = 1000;

}  // namespace

bool drawRichTextPages(QPagedPaintDevice& device, std::string_view markup,
                       const QFont& defaultFont) {
  device.setPageMargins(
      QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres, kMarginMillimetres),
      QPageLayout::Millimeter);
  QPainter painter;
  if (!painter.begin(&device)) return false;
  // One painter unit is a thousandth of an inch, as in the page slicer.
  const double perUnitX = device.logicalDpiX() / kThousandthsPerInch;
  const double perUnitY = device.logicalDpiY() / kThousandthsPerInch;
  painter.scale(perUnitX, perUnitY);
  const int width = static_cast<int>(device.width() / perUnitX);
  const int height = static_cast<int>(device.height() / perUnitY);
  RichTextPages pages(markup, width, defaultFont);
  for (bool first = true;; first = false) {
    if (!first && !device.newPage()) return false;
    pages.drawNext(painter, QPointF(0, 0), height);
    if (pages.atEnd()) break;
  }
  return painter.end();
}

}  // namespace rt
