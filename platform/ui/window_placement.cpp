#include "platform/ui/window_placement.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPointer>
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

// The window's buttons kept in sight: the last item of its box layout when
// that item is a layout of buttons (a status text beside them allowed), a
// row under the contents (OK and Cancel, a list's buttons) or a column at
// their right.
QLayout* buttonsAtTheEdge(QWidget* window, std::vector<QWidget*>& buttons) {
  auto* box = qobject_cast<QBoxLayout*>(window->layout());
  if (box == nullptr || box->count() < 2) return nullptr;
  if (box->direction() != QBoxLayout::TopToBottom && box->direction() != QBoxLayout::LeftToRight)
    return nullptr;
  QLayout* edge = box->itemAt(box->count() - 1)->layout();
  if (edge == nullptr) return nullptr;
  std::vector<QWidget*> widgets;
  collectWidgets(edge, widgets);
  const auto isButton = [](QWidget* w) { return qobject_cast<QAbstractButton*>(w) != nullptr; };
  const bool onlyButtons = std::any_of(widgets.begin(), widgets.end(), isButton) &&
                           std::all_of(widgets.begin(), widgets.end(), [&](QWidget* w) {
                             return isButton(w) || qobject_cast<QLabel*>(w) != nullptr;
                           });
  if (!onlyButtons) return nullptr;
  buttons = std::move(widgets);
  return edge;
}

// Whether the control belongs to the window itself, not to a window of its
// own shown from it (a hosted window's controls have the frame as their
// top-level window).
bool inWindow(const QWidget* control, const QWidget* window) {
  for (const QWidget* w = control; w != nullptr; w = w->parentWidget()) {
    if (w == window) return true;
    if (w->isWindow()) return false;
  }
  return false;
}

// Lets the layouts of the window take in what its controls now ask.
void settleLayouts(QWidget* window) {
  // A layout that takes a change in asks its parent's layout again.
  for (int depth = 0; depth < 8; ++depth)
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  if (QLayout* layout = window->layout()) layout->activate();
}

// Lists, tables and text boxes scroll by themselves: in a window too large
// for `room` they give up the minimum they were designed with, a tenth of it
// at a time, down to what they need to show their scroll bars, until the
// window fits or they have no more to give. The window scrolls only then.
void shrinkViews(QWidget* window, QSize room) {
  struct View {
    QPointer<QAbstractScrollArea> view;
    QSize designed;
    QSize floor;
  };
  // A minimum the window itself was given (what its layout needed, kept in
  // its units through a font change) yields to what the layout needs now.
  window->setMinimumSize(window->minimumSize().boundedTo(room));
  std::vector<View> views;
  for (auto* view : window->findChildren<QAbstractScrollArea*>()) {
    if (!inWindow(view, window)) continue;
    const QSize designed = view->minimumSize();
    const QSize floor = view->minimumSizeHint().boundedTo(designed);
    if (designed.width() > floor.width() || designed.height() > floor.height())
      views.push_back({view, designed, floor});
  }
  for (int tenths = 1; tenths <= 10 && !views.empty(); ++tenths) {
    const QSize minimum = minimumSize(window);
    const bool wide = minimum.width() > room.width();
    const bool tall = minimum.height() > room.height();
    if (!wide && !tall) return;
    for (const View& v : views) {
      if (!v.view) continue;
      const QSize given = v.designed - v.designed * tenths / 10;
      v.view->setMinimumSize(
          wide ? std::max(given.width(), v.floor.width()) : v.view->minimumWidth(),
          tall ? std::max(given.height(), v.floor.height()) : v.view->minimumHeight());
    }
    settleLayouts(window);
  }
}

// Texts that wrap need more lines the narrower the window, and a layout's
// minimum does not count them: a window too short for its wrapped texts is
// widened, within the room, until they fit its height, and made taller
// only when the room's whole width is not enough. The height the texts
// need at the room's width when even the room's height is not enough, else 0.
int roomForWrappedTexts(QWidget* window, QSize room) {
  QLayout* layout = window->layout();
  if (layout == nullptr || !layout->hasHeightForWidth()) return 0;
  const int height = window->height();
  int width = window->width();
  if (layout->totalHeightForWidth(width) <= height) return 0;
  const int step = std::max(1, (room.width() - width) / 20);
  while (width < room.width() && layout->totalHeightForWidth(width) > height)
    width = std::min(room.width(), width + step);
  const int need = layout->totalHeightForWidth(width);
  if (need > room.height()) return need;
  window->resize(width, std::max(need, height));
  return 0;
}

// Moves the window's layout and child widgets into a widget of their own,
// shown in a scroll area that becomes the window's content; the buttons at
// its edge stay beside the scroll area, always in sight.
void scrollContents(QWidget* window, QSize need) {
  std::vector<QWidget*> buttons;
  QLayout* edge = buttonsAtTheEdge(window, buttons);
  auto direction = QBoxLayout::TopToBottom;
  if (edge != nullptr) {
    auto* box = static_cast<QBoxLayout*>(window->layout());
    direction = box->direction();
    box->takeAt(box->count() - 1);
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
  auto* layout = new QBoxLayout(direction, window);
  layout->addWidget(scroll, 1);
  if (edge != nullptr) {
    // The buttons keep the margins they had beside the contents; the
    // contents lose theirs on the buttons' side.
    const QMargins margins = contents->layout()->contentsMargins();
    QMargins outer(0, 0, 0, 0), inner = margins;
    if (direction == QBoxLayout::TopToBottom) {
      edge->setContentsMargins(margins.left(), 0, margins.right(), 0);
      outer.setBottom(margins.bottom());
      inner.setBottom(0);
    } else {
      edge->setContentsMargins(0, margins.top(), 0, margins.bottom());
      outer.setRight(margins.right());
      inner.setRight(0);
    }
    layout->addLayout(edge);
    layout->setContentsMargins(outer);
    contents->layout()->setContentsMargins(inner);
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

void boundWithin(QWidget* window, const QRect& area) {
  const QSize room = area.size().shrunkBy(window->isWindow() ? frameMargins(window) : QMargins());
  window->setMinimumSize(window->minimumSize().boundedTo(room));
  window->resize(window->size().boundedTo(room));
}

bool fitWithin(QWidget* window, const QRect& area) {
  const QMargins frame = window->isWindow() ? frameMargins(window) : QMargins();
  const QSize room = area.size().shrunkBy(frame);
  shrinkViews(window, room);
  QSize minimum = minimumSize(window);
  const QSize size = window->size();
  if (minimum.width() <= room.width() && minimum.height() <= room.height()) {
    // The contents can shrink into the room.
    if (size.width() > room.width() || size.height() > room.height())
      window->resize(size.boundedTo(room));
    const int wrappedHeight = roomForWrappedTexts(window, room);
    if (wrappedHeight == 0) return false;
    // Only scrolling shows its wrapped texts whole.
    minimum = QSize(room.width(), wrappedHeight);
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
