// Under a real X server with a window manager, every form the program shows
// is mapped and viewable, however often forms open and close, and reopens
// where it was closed, to the pixel. The tests run
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
#include <QPoint>
#include <QPushButton>
#include <QPointer>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "core/frame/activity_log.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/frame/globals.h"
#include "core/shapes/record_form.h"
#include "core/tables/password_digest.h"
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

// Where the client area of a window lies on the screen, as the X server
// (and xwininfo) has it, whatever Qt believes about the frame around it.
QPoint clientPlace(xcb_connection_t* x, QWidget* window) {
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
  std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> at(
      xcb_translate_coordinates_reply(
          x,
          xcb_translate_coordinates(x, static_cast<xcb_window_t>(window->winId()), root, 0, 0),
          nullptr),
      &std::free);
  return at ? QPoint(at->dst_x, at->dst_y) : QPoint(-1, -1);
}

xcb_window_t rootOf(xcb_connection_t* x) { return xcb_setup_roots_iterator(xcb_get_setup(x)).data->root; }

// The window a client window stands in among the root's children: the
// window manager's frame around it.
xcb_window_t screenWindowOf(xcb_connection_t* x, xcb_window_t window) {
  for (;;) {
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(x, xcb_query_tree(x, window), nullptr), &std::free);
    if (!tree || tree->parent == tree->root) return window;
    window = tree->parent;
  }
}

// The root's child seen at a point of the screen: the highest viewable one
// that holds it (the root lists its children from the bottom up).
xcb_window_t seenAt(xcb_connection_t* x, QPoint at) {
  std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
      xcb_query_tree_reply(x, xcb_query_tree(x, rootOf(x)), nullptr), &std::free);
  if (!tree) return XCB_WINDOW_NONE;
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  for (int i = xcb_query_tree_children_length(tree.get()) - 1; i >= 0; --i) {
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, children[i]), nullptr), &std::free);
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) continue;
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> place(
        xcb_get_geometry_reply(x, xcb_get_geometry(x, children[i]), nullptr), &std::free);
    if (place && QRect(place->x, place->y, place->width, place->height).contains(at)) return children[i];
  }
  return XCB_WINDOW_NONE;
}

// Where the middle of a widget lies on the screen, as the X server has it.
QPoint screenMiddle(xcb_connection_t* x, QWidget* widget) {
  QWidget* top = widget->window();
  return clientPlace(x, top) + widget->mapTo(top, widget->rect().center());
}

// Whether the middle of a widget is seen on the screen, not covered by
// another window.
bool seen(xcb_connection_t* x, QWidget* widget) {
  return seenAt(x, screenMiddle(x, widget)) ==
         screenWindowOf(x, static_cast<xcb_window_t>(widget->window()->winId()));
}

// The users list, run on the calling logical thread until it is closed.
void runUsersList(bool& ended) {
  TableManagersInit();
  relate(Usuarios::def()).open();
  UsersList().Run();
  relate(Usuarios::def()).close();
  TableManagersKill();
  ended = true;
}

// The users form opened and closed again and again on a thread of its own,
// under a real X server with a window manager.
class MappedForms : public ::testing::Test {
 protected:
  void SetUp() override {
    x_ = xConnection();
    if (x_ == nullptr || !windowManagerRuns(x_)) {
      GTEST_SKIP() << "needs an X server (QT_QPA_PLATFORM=xcb) with a window manager";
    }
    const std::filesystem::path folder = rt::testing::freshFolder("mapped");
    std::filesystem::create_directories(folder / "tmp");
    setenv("TEMP", rt::runtimeName(folder / "tmp").c_str(), 1);
    ASSERT_EQ(openPracticeDatabase(folder), 0);
    GLO::Nivel_Usuario_Logueado = 9;
    BuildArchivoLog();
  }

  void TearDown() override {
    if (x_ == nullptr) return;
    rt::closeDatabase();
    unsetenv("TEMP");
  }

  // Opens the users form `opens` times, one after the other; `shown` sees
  // each while it is on the screen, then it is closed.
  void openAndClose(int opens, const std::function<void(int, QWidget*)>& shown) {
    bool ended = false;
    rt::start([&] {
      TableManagersInit();
      relate(Usuarios::def()).open();
      for (int i = 0; i < opens; ++i) {
        // The users form is protected against closing: its close box is
        // greyed while it is shown.
        rt::ThreadRequest() = request::Insert;
        UserForm().Run();
      }
      relate(Usuarios::def()).close();
      TableManagersKill();
      ended = true;
    });
    for (int i = 0; i < opens; ++i) {
      rt::WindowDriver* form = nullptr;
      ASSERT_TRUE(rt::testing::waitUntil([&] { return (form = openForm()) != nullptr; },
                                         "form " + std::to_string(i + 1) + " to open"));
      QWidget* window = form->window();
      shown(i, window);
      const QPointer<QWidget> open = window;
      form->post(rt::event::CloseWindow);
      ASSERT_TRUE(rt::testing::waitUntil([&] { return !open || !open->isVisible(); },
                                         "form " + std::to_string(i + 1) + " to close"));
    }
    ASSERT_TRUE(rt::testing::waitUntil([&] { return ended; }, "the forms' thread to end"));
    EXPECT_TRUE(messages_.asked().empty());
  }

  xcb_connection_t* x_ = nullptr;
  rt::testing::ScriptedMessages messages_;
};

TEST_F(MappedForms, EveryFormOpenedAndClosedManyTimesIsMappedAndViewable) {
  constexpr int kOpens = 200;
  int unmapped = 0;
  openAndClose(kOpens, [&](int i, QWidget* window) {
    if (!rt::testing::waitUntil([&] { return viewable(x_, window); },
                                "form " + std::to_string(i + 1) + " to be mapped", 5s)) {
      ++unmapped;
    }
  });
  EXPECT_EQ(unmapped, 0) << "of " << kOpens << " forms";
}

// A form reopens where it was closed, to the pixel: the place it stores on
// closing is the place it is shown at when it opens.
TEST_F(MappedForms, AFormOpenedAndClosedFiveTimesStandsAtTheSamePlace) {
  std::map<std::string, QPoint> stored;
  rt::WindowDriver::setPositionStore(
      {[&](const std::string& procedure) -> std::optional<QPoint> {
         const auto it = stored.find(procedure);
         if (it == stored.end()) return std::nullopt;
         return it->second;
       },
       [&](const std::string& procedure, QPoint at) { stored[procedure] = at; }});
  std::vector<QPoint> places;
  openAndClose(5, [&](int i, QWidget* window) {
    ASSERT_TRUE(rt::testing::waitUntil([&] { return viewable(x_, window); },
                                       "form " + std::to_string(i + 1) + " to be mapped", 5s));
    // The window manager has framed and placed the window once Qt knows
    // its frame; the place read then is the one it keeps.
    rt::testing::waitUntil(
        [&] { return window->frameGeometry() != window->geometry(); }, "the frame", 2s);
    places.push_back(clientPlace(x_, window));
  });
  rt::WindowDriver::setPositionStore({});
  ASSERT_EQ(places.size(), 5u);
  for (std::size_t i = 1; i < places.size(); ++i) {
    EXPECT_EQ(std::pair(places[i].x(), places[i].y()), std::pair(places[0].x(), places[0].y())) << "opening " << i + 1 << " moved from the first";
  }
}

// Where the window manager decides which window is active, the focus still
// goes where the work goes on: Cancel on a form's closing question leaves it
// in the form's first field, and the closed form gives it back to the list's
// rows it was opened from (not to the first control of another window).
TEST_F(MappedForms, TheFocusGoesBackWhereTheWorkGoesOn) {
  rt::testing::ScriptedMessages messages({rt::button::Cancel, rt::button::No});
  // The list inside a frame whose tool bar comes first in its focus order.
  QMainWindow frame;
  frame.setMenuWidget(new QPushButton("Pacientes", &frame));
  rt::testing::hostWindowsIn(frame);
  bool ended = false;
  rt::start([&] { runUsersList(ended); });
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
}

// A window opened from the frame while another list's form stands over the
// frame comes in front of that form; the form comes back, where it was, when
// its own list is turned to again. So do a list and the login of "Relogin".
TEST_F(MappedForms, AWindowOpenedOverAnotherListsFormComesInFront) {
  rt::testing::ScriptedMessages messages;
  QMainWindow frame;
  QMdiArea* area = rt::testing::hostWindowsIn(frame);
  ASSERT_TRUE(rt::testing::waitUntil([&] { return viewable(x_, &frame); }, "the frame"));
  bool added = false;
  rt::start([&] {
    TableManagersInit();
    relate(Usuarios::def()).open();
    access(Usuarios::def()).primeRecord();
    USU().Cod_Usuario = 1;
    USU().Nombre_Usuario = "Ana";
    USU().Login_Usuario = "ana";
    USU().Password_Usuario = passwordDigest("x");
    USU().NivelAcceso = 9;
    added = Usuarios::table().add() == 0;
    relate(Usuarios::def()).close();
    TableManagersKill();
  });
  ASSERT_TRUE(rt::testing::waitUntil([&] { return added; }, "the user"));

  auto openedOfKind = [](auto* kind, rt::WindowDriver* besides) -> rt::WindowDriver* {
    for (rt::WindowDriver* w : rt::WindowDriver::openWindows()) {
      if (w != besides && w->isOpen() && dynamic_cast<decltype(kind)>(w) != nullptr) return w;
    }
    return nullptr;
  };
  struct Case {
    const char* what;
    std::function<void(bool& ended)> run;
    std::function<rt::WindowDriver*(rt::WindowDriver* list)> opened;
    std::function<void(rt::WindowDriver&)> close;
  };
  const Case cases[] = {
      {"a list", runUsersList,
       [&](rt::WindowDriver* list) { return openedOfKind(static_cast<UsersList*>(nullptr), list); },
       [](rt::WindowDriver& w) { w.post(rt::event::CloseWindow); }},
      {"the login of Relogin",
       [](bool& ended) {
         TableManagersInit();
         Relogin();
         TableManagersKill();
         ended = true;
       },
       [&](rt::WindowDriver*) { return openedOfKind(static_cast<LoginWindow*>(nullptr), nullptr); },
       [](rt::WindowDriver& w) {
         for (const auto& [entry, text] : {std::pair("?LOC:LOGIN", "ana"), std::pair("?LOC:PASSWORD", "x")}) {
           w.control<QLineEdit>(entry)->setText(text);
           w.post(rt::event::Accepted, w.control(entry));
         }
         w.post(rt::event::Accepted, w.control("?OK"));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool listEnded = false, otherEnded = false;
    rt::start([&] { runUsersList(listEnded); });
    rt::WindowDriver* list = nullptr;
    ASSERT_TRUE(rt::testing::waitUntil(
        [&] { return (list = openedOfKind(static_cast<UsersList*>(nullptr), nullptr)) != nullptr; }, "the list"));
    list->post(rt::event::Accepted, list->control("?INSERT:6"));
    rt::WindowDriver* form = nullptr;
    ASSERT_TRUE(rt::testing::waitUntil([&] { return (form = openForm()) != nullptr; }, "its form"));
    ASSERT_TRUE(rt::testing::waitUntil([&] { return viewable(x_, form->window()) && seen(x_, form->window()); },
                                       "the form on the screen"));
    rt::testing::waitUntil([&] { return form->window()->frameGeometry() != form->window()->geometry(); },
                           "the form's frame", 2s);
    const QPoint formPlace = clientPlace(x_, form->window());

    rt::start([&] { c.run(otherEnded); });
    rt::WindowDriver* other = nullptr;
    ASSERT_TRUE(rt::testing::waitUntil([&] { return (other = c.opened(list)) != nullptr; }, "the window opened"));
    ASSERT_TRUE(other->hosted());
    EXPECT_TRUE(rt::testing::waitUntil([&] { return seen(x_, other->window()); }, "it in front of the form", 5s));

    area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->window()->parentWidget()));
    EXPECT_TRUE(rt::testing::waitUntil(
        [&] { return viewable(x_, form->window()) && seen(x_, form->window()); }, "the form back", 5s));
    rt::testing::waitUntil([&] { return clientPlace(x_, form->window()) == formPlace; }, "the form's place", 2s);
    EXPECT_EQ(std::pair(clientPlace(x_, form->window()).x(), clientPlace(x_, form->window()).y()),
              std::pair(formPlace.x(), formPlace.y()));

    c.close(*other);
    ASSERT_TRUE(rt::testing::waitUntil([&] { return otherEnded; }, "the window opened to close"));
    form->post(rt::event::CloseWindow);
    ASSERT_TRUE(rt::testing::waitUntil([&] { return openForm() == nullptr; }, "the form to close"));
    list->post(rt::event::CloseWindow);
    ASSERT_TRUE(rt::testing::waitUntil([&] { return listEnded; }, "the list to close"));
  }
  rt::WindowDriver::setChildHost(0, {});
  EXPECT_TRUE(messages.asked().empty()) << messages.asked()[0].text;
}

}  // namespace
}  // namespace core
