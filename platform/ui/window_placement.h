#pragma once
// Where a window opens and how it fits: centred over the window it belongs
// to (or at the place the user left it), always whole inside the screen's
// available area with its title bar on the screen; a window too large for
// that area first lets its lists and texts give up room (they scroll by
// themselves), and only when that is not enough lets its client area scroll,
// its row or column of buttons kept in sight beside the scrolled part.
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <optional>

class QWidget;

namespace rt {

// The screen's available area (without panels and docks) of the screen the
// widget is on, else of the primary screen.
QRect availableArea(const QWidget* near);

// The window-manager frame around a top-level window: measured once the
// window is shown with its frame, otherwise the frame last measured around a
// window (a typical title bar and border before any).
QMargins frameMargins(const QWidget* window);

// The top-left corner of a frame of `frameSize` placed at `wanted` (its
// top-left) and pulled into `area`: when the frame is larger than the area
// it starts at the area's top-left, so the title bar is always reachable.
QPoint pulledInto(const QRect& area, QPoint wanted, QSize frameSize);

// Makes the window fit `area` (its frame included): a window whose needed
// size is larger has its lists and texts shrunk from their designed
// minimum toward what their scroll bars need; when it still needs more, its contents are moved into
// a scroll area and it is sized to the area. A window that fits but is too short for its wrapped
// texts is widened (else made taller) within the area. True when the contents now scroll.
bool fitWithin(QWidget* window, const QRect& area);

// Keeps the window's size within `area` (its frame included), whatever
// minimum it was given, without changing its contents.
void boundWithin(QWidget* window, const QRect& area);

// Places a top-level window: its client area at `saved` (its top-left) when
// given, else centred over `over` (else over the area), then pulled into the
// area with its frame.
void placeWindow(QWidget* window, const QWidget* over, std::optional<QPoint> saved);

// Centres a child window inside its parent's client area, whole where it fits.
void centreInParent(QWidget* child);

// Whether the window was last placed centred (not at a place it was given).
bool isCentred(const QWidget* window);

}  // namespace rt
