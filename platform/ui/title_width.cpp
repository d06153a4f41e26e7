#include "platform/ui/title_width.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QWidget>
#include <algorithm>

namespace rt {
namespace {

// The window icon, the three buttons and the gaps around them, in units of
// the title font's height (so larger fonts get larger buttons).
constexpr double kTitleBarExtras = 7.5;

}  // namespace

int titleBarWidth(const QWidget* window) {
  if (window == nullptr || window->windowTitle().isEmpty()) return 0;
  // Window managers draw titles bold, in the desktop's title font.
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  const QFontMetrics metrics(font);
  return metrics.horizontalAdvance(window->windowTitle()) +
         static_cast<int>(kTitleBarExtras * metrics.height());
}

void widenToTitle(QWidget* window) {
  if (window == nullptr || !window->isWindow()) return;
  const int needed = std::min(titleBarWidth(window), window->maximumWidth());
  if (window->width() < needed) window->resize(needed, window->height());
}

}  // namespace rt
