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
#include <QHBoxLayout>
#include <QLabel>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPoint>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>
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

#include "core/aids/designed_font.h"
#include "core/frame/activity_log.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/frame/settings_store.h"
#include "core/frame/window_font_start.h"
#include "core/shapes/aided_window.h"
#include "core/shapes/record_form.h"
#include "core/tables/table_managers.h"
#include "core/frame/users_windows.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/window_placement.h"

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

// A list window as the program designs them, in dialog units of its
// designed font: a wide list with a column of buttons at its side, and a
// status text beside OK and Cancel under it.
class ListWithButtons : public AidedWindow {
 public:
  int Init() override {
    AidedWindow::Init();
    auto* window = new QWidget(nullptr, Qt::Dialog);
    window->setFont(designedWindowFont());
    window->setWindowTitle("Lista con botones");
    const rt::DialogUnits units = rt::DialogUnits::of(window);
    auto* list = new QTableWidget(30, 8, window);
    list->setMinimumSize(units.size(680, 170));
    auto* side = new QVBoxLayout;
    for (const char* name : {"?INSERT", "?CHANGE", "?DELETE", "?EXPORT"}) {
      auto* b = new QPushButton(QString::fromLatin1(name + 1), window);
      b->setObjectName(name);
      side->addWidget(b);
    }
    side->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(list, 1);
    body->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel("Agregando Registro", window));
    bottom->addStretch();
    for (const char* name : {"?OK", "?CANCEL"}) {
      auto* b = new QPushButton(QString::fromLatin1(name + 1), window);
      b->setObjectName(name);
      bottom->addWidget(b);
    }
    auto* layout = new QVBoxLayout(window);
    layout->addLayout(body, 1);
    layout->addLayout(bottom);
    Open(window);
    setUpAids(window);
    return rt::level::Benign;
  }
};

// At the default font and at font size 16 a window opens whole on the
// screen, uses the room the screen has before it scrolls (its list gives
// up room first) and has every button of its bottom row and of its side
// column in view.
TEST_F(MappedForms, AtEveryFontAWindowIsWholeOnTheScreenWithEveryButtonInView) {
  for (const char* size : {"", "16"}) {
    SCOPED_TRACE(*size != '\0' ? size : "the default font");
    std::filesystem::remove(rt::resolvePath(kProgramIni));
    setWindowFontStartValues();
    settingsStore().Init(kProgramIni);
    if (*size != '\0') settingsStore().update("AnyFont", "FontSize", size);
    ListWithButtons list;
    bool ended = false;
    rt::start([&] {
      list.Run();
      ended = true;
    });
    ASSERT_TRUE(rt::testing::waitUntil([&] { return list.isOpen(); }, "the window"));
    QWidget* window = list.window();
    ASSERT_TRUE(rt::testing::waitUntil([&] { return viewable(x_, window); }, "it mapped", 5s));
    rt::testing::waitUntil(
        [&] { return window->frameGeometry() != window->geometry(); }, "the frame", 2s);
    // Sized and placed whole on the screen. (Where the window manager then
    // shows it is the placement's matter, tested on its own.)
    const QRect area = rt::availableArea(window);
    const QRect framed = window->frameGeometry();
    EXPECT_TRUE(area.contains(framed)) << "whole on the screen: " << framed.width() << "x"
                                       << framed.height() << "+" << framed.x() << "+" << framed.y();
    EXPECT_EQ(window->findChild<QScrollArea*>(), nullptr) << "no scroll bar";
    for (const char* name : {"?INSERT", "?CHANGE", "?DELETE", "?EXPORT", "?OK", "?CANCEL"}) {
      auto* button = window->findChild<QPushButton*>(name);
      ASSERT_NE(button, nullptr) << name;
      const QRect shown(button->mapTo(window, QPoint(0, 0)), button->size());
      EXPECT_TRUE(button->isVisible() && window->rect().contains(shown)) << name << " in view";
    }
    list.post(rt::event::CloseWindow);
    ASSERT_TRUE(rt::testing::waitUntil([&] { return ended; }, "the window to close"));
    settingsStore().Kill();
  }
  std::filesystem::remove(rt::resolvePath(kProgramIni));
  setWindowFontStartValues();
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
}

}  // namespace
}  // namespace core
