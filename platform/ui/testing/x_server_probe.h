#pragma once
// What the X server itself says about a window, for the tests that run under
// a real X server with a window manager (QT_QPA_PLATFORM=xcb, by hand): where
// its client area and its frame lie, as xwininfo has them, whatever Qt
// believes about the frame. Under any other platform, or without a window
// manager, there is no connection and such tests skip.
#include <xcb/xcb.h>

#include <QPoint>
#include <QRect>
#include <string>

class QWidget;

namespace rt {
class WindowDriver;
}  // namespace rt

namespace rt::testing {

// The X server's connection when the program runs under it with a window
// manager that follows the desktop conventions; null otherwise.
xcb_connection_t* windowManagedX();

// What xwininfo calls IsViewable: the window and every window around it
// (the window manager's frame) are mapped.
bool viewable(xcb_connection_t* x, QWidget* window);

// Where the client area of a window lies on the screen.
QPoint clientPlace(xcb_connection_t* x, QWidget* window);

// The window with the frame the window manager drew around it (the borders
// it announces), on the screen.
QRect framePlace(xcb_connection_t* x, QWidget* window);

// Waits until the window is viewable, placed again once its frame was
// known, and where that placement put it: the place read then is the one it
// keeps. False (and a test failure naming `what`) when that never comes.
bool waitUntilPlaced(xcb_connection_t* x, WindowDriver& window, const std::string& what);

}  // namespace rt::testing
