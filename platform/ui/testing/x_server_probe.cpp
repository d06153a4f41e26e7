#include "platform/ui/testing/x_server_probe.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/window_driver.h"

namespace rt::testing {
namespace {

template <class Reply>
using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_window_t rootOf(xcb_connection_t* x) {
  return xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
}

xcb_atom_t atom(xcb_connection_t* x, std::string_view name) {
  Owned<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(
          x, xcb_intern_atom(x, 1, static_cast<std::uint16_t>(name.size()), name.data()), nullptr),
      &std::free);
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// The CARDINAL or WINDOW values of a property, at most `count`.
std::vector<std::uint32_t> property(xcb_connection_t* x, xcb_window_t window, xcb_atom_t name,
                                    xcb_atom_t type, std::uint32_t count) {
  if (name == XCB_ATOM_NONE) return {};
  Owned<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(x, xcb_get_property(x, 0, window, name, type, 0, count), nullptr),
      &std::free);
  if (!reply || reply->format != 32) return {};
  const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
  return std::vector<std::uint32_t>(values,
                                    values + xcb_get_property_value_length(reply.get()) / 4);
}

}  // namespace

xcb_connection_t* windowManagedX() {
  if (QGuiApplication::platformName() != "xcb") return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* x = x11 != nullptr ? x11->connection() : nullptr;
  if (x == nullptr) return nullptr;
  // A window manager that follows the conventions names its check window on
  // the root window.
  if (property(x, rootOf(x), atom(x, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 1).empty())
    return nullptr;
  return x;
}

bool viewable(xcb_connection_t* x, QWidget* window) {
  Owned<xcb_get_window_attributes_reply_t> attributes(
      xcb_get_window_attributes_reply(
          x, xcb_get_window_attributes(x, static_cast<xcb_window_t>(window->winId())), nullptr),
      &std::free);
  return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

QPoint clientPlace(xcb_connection_t* x, QWidget* window) {
  Owned<xcb_translate_coordinates_reply_t> at(
      xcb_translate_coordinates_reply(
          x,
          xcb_translate_coordinates(x, static_cast<xcb_window_t>(window->winId()), rootOf(x), 0, 0),
          nullptr),
      &std::free);
  return at ? QPoint(at->dst_x, at->dst_y) : QPoint(-1, -1);
}

QRect framePlace(xcb_connection_t* x, QWidget* window) {
  const QRect client(clientPlace(x, window), window->size());
  // Left, right, top and bottom borders.
  const std::vector<std::uint32_t> extents =
      property(x, static_cast<xcb_window_t>(window->winId()), atom(x, "_NET_FRAME_EXTENTS"),
               XCB_ATOM_CARDINAL, 4);
  if (extents.size() != 4) return client;
  return client.marginsAdded(QMargins(static_cast<int>(extents[0]), static_cast<int>(extents[2]),
                                      static_cast<int>(extents[1]), static_cast<int>(extents[3])));
}

bool waitUntilPlaced(xcb_connection_t* x, WindowDriver& window, const std::string& what) {
  using namespace std::chrono_literals;
  QWidget* w = window.window();
  if (!waitUntil([&] { return viewable(x, w); }, what + " to be mapped", 5s)) return false;
  if (waitUntil(
          [&] { return window.placedInFrame() && clientPlace(x, w) == w->geometry().topLeft(); },
          what + " to be placed in its frame", 5s))
    return true;
  const QPoint at = clientPlace(x, w);
  ADD_FAILURE() << what << ": " << (window.placedInFrame() ? "placed" : "never placed")
                << " in its frame; the X server has it at " << at.x() << "," << at.y() << ", Qt at "
                << w->geometry().x() << "," << w->geometry().y()
                << (w->frameGeometry() == w->geometry() ? " without a frame" : "");
  return false;
}

}  // namespace rt::testing
