#include "platform/ui/report_pages.h"

#include <QFontDatabase>
#include <QPainter>

#include "platform/ui/qt_text.h"
#include "platform/ui/rich_text_pages.h"

namespace rt {

QString reportFontFamily(std::string_view name) {
  const QString family = toQString(name).trimmed();
  const QString lower = family.toLower();
  // Faces drawn to the metrics of the Windows ones the layouts were drawn
  // with, so a text takes the room its box was made for.
  struct StandIn {
    const char* prefix;
    const char* face;
  };
  static constexpr StandIn kStandIns[] = {
      {"courier", "Liberation Mono"},
      {"lettrgoth", "Liberation Mono"},  // Letter Gothic 12 pitch: 0.6 em, as Courier
      {"letter gothic", "Liberation Mono"},
      {"times", "Liberation Serif"},
      {"arial", "Liberation Sans"},
      {"helvetica", "Liberation Sans"},
      {"ms sans serif", "Liberation Sans"},
      {"calibri", "Carlito"},
      {"cambria", "Caladea"},
  };
  for (const StandIn& s : kStandIns) {
    if (lower.startsWith(QLatin1String(s.prefix)) &&
        QFontDatabase::hasFamily(QLatin1String(s.face))) {
      return QLatin1String(s.face);
    }
  }
  if (!family.isEmpty() && QFontDatabase::hasFamily(family)) return family;
  return QStringLiteral("Liberation Sans");
}

QFont reportFont(std::string_view name, double points, bool bold, bool italic) {
  QFont font(reportFontFamily(name));
  // Sizes in the page's own unit, so that a scaled painter scales the text too.
  font.setPixelSize(qRound((points > 0 ? points : 10) * 1000.0 / 72.0));
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setBold(bold);
  font.setItalic(italic);
  font.setStyleStrategy(QFont::PreferOutline);
  return font;
}

void drawPage(QPainter& painter, const ReportPage& page, double scale) {
  painter.save();
  painter.scale(scale, scale);
  for (const PageItem& item : page.items) {
    switch (item.kind) {
      case PageItem::Kind::Text:
        painter.setFont(item.font);
        painter.setPen(Qt::black);
        painter.drawText(item.rect, item.flags, item.text);
        break;
      case PageItem::Kind::Line:
        painter.setPen(QPen(Qt::black, item.penWidth));
        painter.drawLine(QLineF(item.rect.topLeft(), item.rect.bottomRight()));
        break;
      case PageItem::Kind::Box:
        painter.setPen(QPen(Qt::black, item.penWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(item.rect);
        break;
      case PageItem::Kind::RichSlice:
        if (item.rich) {
          item.rich->drawSlice(painter, item.rect.topLeft(), item.sliceTop,
                               item.sliceTop + item.rect.height());
        }
        break;
    }
  }
  painter.restore();
}

}  // namespace rt
