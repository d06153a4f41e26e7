// Under a real X server with a window manager, every form the program shows
// is mapped and viewable, however often forms open and close. The test runs
// by hand, for example:
//   QT_QPA_PLATFORM=xcb DISPLAY=:1 build/core/core_tests --gtest_filter='MappedForms.*'
// with openbox (or another window manager) running on that display; under the
// offscreen platform, or without a window manager, it is skipped.
#include <xcb/xcb.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QPointer>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/frame/activity_log.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/frame/globals.h"
#include "core/shapes/record_form.h"
#include "core/tables/table_managers.h"
#include "core/frame/users_windows.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

using namespace std::chrono_literals;

xcb_connection_t* xConnection() {
  if (QGuiApplication::platformName() != "xcb") return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

// Whether a window manager that follows the desktop conventions runs: it
// names its check window on the root window.
bool windowManagerRuns(xcb_connection_t* x) {
  const char name[] = "_NET_SUPPORTING_WM_CHECK";
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
      xcb_intern_atom_reply(x, xcb_intern_atom(x, 1, sizeof name - 1, name), nullptr), &std::free);
  if (!atom || atom->atom == XCB_ATOM_NONE) return false;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> property(
      xcb_get_property_reply(
          x, xcb_get_property(x, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr),
      &std::free);
  return property && xcb_get_property_value_length(property.get()) > 0;
}

// What xwininfo calls IsViewable: the window and every window around it
// (the window manager's frame) are mapped.
bool viewable(xcb_connection_t* x, QWidget* window) {
  std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
      xcb_get_window_attributes_reply(
          x, xcb_get_window_attributes(x, static_cast<xcb_window_t>(window->winId())), nullptr),
      &std::free);
  return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

rt::WindowDriver* openForm() {
  for (rt::WindowDriver* w : rt::WindowDriver::openWindows()) {
    if (dynamic_cast<RecordForm*>(w) != nullptr && w->isOpen() && w->window() != nullptr) return w;
  }
  return nullptr;
}

// A practice folder of its own, with the administrator logged in.
void openPractice(const char* name) {
  const std::filesystem::path folder = rt::testing::freshFolder(name);
  std::filesystem::create_directories(folder / "tmp");
  setenv("TEMP", rt::runtimeName(folder / "tmp").c_str(), 1);
  ASSERT_EQ(openPracticeDatabase(folder), 0);
  GLO::Nivel_Usuario_Logueado = 9;
  BuildArchivoLog();
}

bool windowManagerRuns() {
  xcb_connection_t* x = xConnection();
  return x != nullptr && windowManagerRuns(x);
}

TEST(MappedForms, EveryFormOpenedAndClosedManyTimesIsMappedAndViewable) {
  if (!windowManagerRuns()) {
    GTEST_SKIP() << "needs an X server (QT_QPA_PLATFORM=xcb) with a window manager";
  }
  xcb_connection_t* x = xConnection();
  openPractice("mapped");
  rt::testing::ScriptedMessages messages;

  constexpr int kOpens = 200;
  bool ended = false;
  rt::start([&] {
    TableManagersInit();
    relate(Usuarios::def()).open();
    for (int i = 0; i < kOpens; ++i) {
      // The users form is protected against closing: its close box is
      // greyed while it is shown.
      rt::ThreadRequest() = request::Insert;
      UserForm().Run();
    }
    relate(Usuarios::def()).close();
    TableManagersKill();
    ended = true;
  });

  int unmapped = 0;
  for (int i = 0; i < kOpens; ++i) {
    rt::WindowDriver* form = nullptr;
    ASSERT_TRUE(rt::testing::waitUntil([&] { return (form = openForm()) != nullptr; },
                                       "form " + std::to_string(i + 1) + " to open"));
    QWidget* window = form->window();
    if (!rt::testing::waitUntil([&] { return viewable(x, window); },
                                "form " + std::to_string(i + 1) + " to be mapped", 5s)) {
      ++unmapped;
    }
    const QPointer<QWidget> shown = window;
    form->post(rt::event::CloseWindow);
    ASSERT_TRUE(rt::testing::waitUntil([&] { return !shown || !shown->isVisible(); },
                                       "form " + std::to_string(i + 1) + " to close"));
  }
  ASSERT_TRUE(rt::testing::waitUntil([&] { return ended; }, "the forms' thread to end"));
  EXPECT_EQ(unmapped, 0) << "of " << kOpens << " forms";
  EXPECT_TRUE(messages.asked().empty());
  rt::closeDatabase();
  unsetenv("TEMP");
}

// Where the window manager decides which window is active, the focus still
// goes where the work goes on: Cancel on a form's closing question leaves it
// in the form's first field, and the closed form gives it back to the list's
// rows it was opened from (not to the first control of another window).
TEST(MappedForms, TheFocusGoesBackWhereTheWorkGoesOn) {
  if (!windowManagerRuns()) {
    GTEST_SKIP() << "needs an X server (QT_QPA_PLATFORM=xcb) with a window manager";
  }
  openPractice("focus");
  rt::testing::ScriptedMessages messages({rt::button::Cancel, rt::button::No});
  // The list inside a frame whose tool bar comes first in its focus order.
  QMainWindow frame;
  frame.setMenuWidget(new QPushButton("Pacientes", &frame));
  auto* area = new QMdiArea(&frame);
  frame.setCentralWidget(area);
  frame.resize(1000, 700);
  frame.show();
  rt::WindowDriver::setChildHost(0x7fff, [area](QWidget* w) {
    QMdiSubWindow* holder = area->addSubWindow(w);
    holder->show();
    area->setActiveSubWindow(holder);
    return true;
  });
  bool ended = false;
  rt::start([&] {
    TableManagersInit();
    relate(Usuarios::def()).open();
    UsersList().Run();
    relate(Usuarios::def()).close();
    TableManagersKill();
    ended = true;
  });
  rt::WindowDriver* list = nullptr;
  ASSERT_TRUE(rt::testing::waitUntil(
      [&] {
        for (rt::WindowDriver* w : rt::WindowDriver::openWindows())
          if (dynamic_cast<UsersList*>(w) != nullptr) list = w;
        return list != nullptr;
      },
      "the list to open"));
  rt::WindowDriver::setChildHost(0, {});
  QWidget* rows = list->control("?BROWSE:5");
  list->bringToFront();
  rows->setFocus();
  ASSERT_TRUE(rt::testing::waitUntil([&] { return QApplication::focusWidget() == rows; },
                                     "the rows to have the focus"));
  list->post(rt::event::Accepted, list->control("?INSERT:6"));
  rt::WindowDriver* form = nullptr;
  ASSERT_TRUE(rt::testing::waitUntil([&] { return (form = openForm()) != nullptr; }, "the form"));
  ASSERT_TRUE(rt::testing::waitUntil([&] { return form->window()->isActiveWindow(); },
                                     "the form to be active"));
  auto* first = qobject_cast<QLineEdit*>(rt::firstEntry(form->window()));
  ASSERT_NE(first, nullptr);
  first->setText("Nuevo");
  rt::entryAfter(form->window(), first)->setFocus();
  form->post(rt::event::CloseWindow);  // Cancel to the question
  EXPECT_TRUE(rt::testing::waitUntil(
      [&] { return messages.asked().size() == 1 && QApplication::focusWidget() == first; },
      "the first field to have the focus"));
  form->post(rt::event::CloseWindow);  // No: closes unsaved
  EXPECT_TRUE(rt::testing::waitUntil([&] { return openForm() == nullptr; }, "the form to close"));
  EXPECT_TRUE(rt::testing::waitUntil([&] { return QApplication::focusWidget() == rows; },
                                     "the rows to have the focus again"));
  list->post(rt::event::CloseWindow);
  ASSERT_TRUE(rt::testing::waitUntil([&] { return ended; }, "the list's thread to end"));
  rt::closeDatabase();
  unsetenv("TEMP");
}

}  // namespace
}  // namespace core
