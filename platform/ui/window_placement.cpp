#include "platform/ui/window_placement.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QLayout>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <vector>

namespace rt {
namespace {

// A window manager's usual frame, for a window not yet framed.
constexpr QMargins kTypicalFrame(4, 28, 4, 4);

int pulled(int wanted, int low, int length, int room) {
  if (length >= room) return low;
  return std::clamp(wanted, low, low + room - length);
}

// The smallest size the window's contents can take.
QSize minimumSize(const QWidget* window) {
  QSize minimum = window->minimumSize();
  if (const QLayout* layout = window->layout())
    minimum = minimum.expandedTo(layout->totalMinimumSize());
  return minimum;
}

// The widgets a layout holds, its inner layouts' included.
void collectWidgets(QLayout* layout, std::vector<QWidget*>& widgets) {
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (QWidget* w = item->widget()) widgets.push_back(w);
    if (QLayout* inner = item->layout()) collectWidgets(inner, widgets);
  }
}

// The window's row of buttons (OK and Cancel, a list's buttons): the last
// row of its top-to-bottom layout when that row holds buttons only.
QLayout* buttonRow(QWidget* window, std::vector<QWidget*>& buttons) {
  auto* column = qobject_cast<QBoxLayout*>(window->layout());
  if (column == nullptr || column->count() < 2) return nullptr;
  if (column->direction() != QBoxLayout::TopToBottom) return nullptr;
  QLayout* row = column->itemAt(column->count() - 1)->layout();
  if (row == nullptr) return nullptr;
  std::vector<QWidget*> widgets;
  collectWidgets(row, widgets);
  const bool onlyButtons =
      !widgets.empty() && std::all_of(widgets.begin(), widgets.end(), [](QWidget* w) {
        return qobject_cast<QAbstractButton*>(w) != nullptr;
      });
  if (!onlyButtons) return nullptr;
  buttons = std::move(widgets);
  return row;
}

// Moves the window's layout and child widgets into a widget of their own,
// shown in a scroll area that becomes the window's content; the row of
// buttons stays below the scroll area, always in sight.
void scrollContents(QWidget* window, QSize need) {
  std::vector<QWidget*> buttons;
  QLayout* row = buttonRow(window, buttons);
  if (row != nullptr) {
    auto* column = static_cast<QBoxLayout*>(window->layout());
    column->takeAt(column->count() - 1);
  }
  auto* contents = new QWidget;
  contents->setObjectName("rtScrolledContents");
  if (QLayout* layout = window->layout()) contents->setLayout(layout);
  for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isWindow() || child == contents) continue;
    if (std::find(buttons.begin(), buttons.end(), child) != buttons.end()) continue;
    const bool hidden = child->isHidden();
    const QRect at = child->geometry();
    child->setParent(contents);
    child->setGeometry(at);
    child->setHidden(hidden);
  }
  if (contents->layout() == nullptr) contents->setMinimumSize(need);
  auto* scroll = new QScrollArea(window);
  scroll->setObjectName("rtScrolled");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  scroll->setWidget(contents);
  auto* layout = new QVBoxLayout(window);
  layout->addWidget(scroll, 1);
  if (row != nullptr) {
    // The row keeps the margins it had below the contents.
    const QMargins margins = contents->layout()->contentsMargins();
    row->setContentsMargins(margins.left(), 0, margins.right(), 0);
    layout->addLayout(row);
    layout->setContentsMargins(0, 0, 0, margins.bottom());
    contents->layout()->setContentsMargins(margins.left(), margins.top(), margins.right(), 0);
  } else {
    layout->setContentsMargins(0, 0, 0, 0);
  }
  // The control that gets the focus is scrolled into sight.
  QObject::connect(qApp, &QApplication::focusChanged, scroll, [scroll](QWidget*, QWidget* now) {
    if (now != nullptr && scroll->widget() != nullptr && scroll->widget()->isAncestorOf(now))
      scroll->ensureWidgetVisible(now);
  });
  scroll->show();
}

}  // namespace

QRect availableArea(const QWidget* near) {
  const QScreen* screen = near != nullptr ? near->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QMargins frameMargins(const QWidget* window) {
  // The window manager draws the same frame around every window: the last
  // one measured is the best guess for a window not framed yet.
  static QMargins lastMeasured = kTypicalFrame;
  if (window->isVisible()) {
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    if (inner != outer) {
      lastMeasured = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                              outer.right() - inner.right(), outer.bottom() - inner.bottom());
    }
  }
  return lastMeasured;
}

QPoint pulledInto(const QRect& area, QPoint wanted, QSize frameSize) {
  return QPoint(pulled(wanted.x(), area.left(), frameSize.width(), area.width()),
                pulled(wanted.y(), area.top(), frameSize.height(), area.height()));
}

bool fitWithin(QWidget* window, const QRect& area) {
  const QMargins frame = window->isWindow() ? frameMargins(window) : QMargins();
  const QSize room = area.size().shrunkBy(frame);
  const QSize minimum = minimumSize(window);
  const QSize size = window->size();
  if (minimum.width() <= room.width() && minimum.height() <= room.height()) {
    // The contents can shrink into the room.
    if (size.width() > room.width() || size.height() > room.height())
      window->resize(size.boundedTo(room));
    return false;
  }
  const QSize need = size.expandedTo(minimum);
  window->setMinimumSize(0, 0);
  window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  scrollContents(window, need);
  // Room for the scroll bars beside what still fits.
  const int bar = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  window->resize(need.grownBy(QMargins(0, 0, bar, bar)).boundedTo(room));
  return true;
}

namespace {
constexpr char kCentred[] = "rtCentred";
}  // namespace

bool isCentred(const QWidget* window) { return window->property(kCentred).toBool(); }

void placeWindow(QWidget* window, const QWidget* over, std::optional<QPoint> saved) {
  window->setProperty(kCentred, !saved.has_value());
  const QRect area = availableArea(over != nullptr ? over : window);
  const QMargins margins = window->isWindow() ? frameMargins(window) : QMargins();
  const QPoint clientOffset(margins.left(), margins.top());
  const QSize frame = window->size().grownBy(margins);
  QPoint wanted;
  if (saved) {
    wanted = *saved - clientOffset;
  } else {
    QRect target = area;
    if (over != nullptr && over->isVisible()) {
      target = over->isWindow() ? over->frameGeometry()
                                : QRect(over->mapToGlobal(QPoint(0, 0)), over->size());
    }
    wanted = target.center() - QPoint(frame.width() / 2, frame.height() / 2);
  }
  const QPoint at = pulledInto(area, wanted, frame);
  if (!window->isWindow()) {
    window->move(at);
    return;
  }
  // A window is placed by its client area, the place that is stored when it
  // closes: placing the frame instead leaves it to the window manager whether
  // the point is taken for the frame or for the client area, and a window
  // crept by the frame's margins from one opening to the next.
  window->setGeometry(QRect(at + clientOffset, window->size()));
}

void centreInParent(QWidget* child) {
  const QWidget* parent = child->parentWidget();
  if (parent == nullptr) return;
  const QRect area(QPoint(0, 0), parent->size());
  const QSize size = child->frameGeometry().size();
  child->setProperty(kCentred, true);
  child->move(pulledInto(area, area.center() - QPoint(size.width() / 2, size.height() / 2), size));
}

}  // namespace rt
