// Under a real X server with a window manager, every form the program shows
// is mapped and viewable, however often forms open and close, and reopens
// where it was closed, to the pixel, whole on the screen. The tests run
// by hand, for example:
//   QT_QPA_PLATFORM=xcb DISPLAY=:1 build/core/core_tests --gtest_filter='MappedForms.*'
// with openbox (or another window manager) running on that display; under the
// offscreen platform, or without a window manager, it is skipped.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPoint>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/aids/designed_font.h"
#include "core/frame/activity_log.h"
#include "core/frame/globals.h"
#include "core/frame/program_startup.h"
#include "core/frame/settings_store.h"
#include "core/frame/users_windows.h"
#include "core/frame/window_font_start.h"
#include "core/shapes/aided_window.h"
#include "core/shapes/record_form.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/data_files.h"
#include "core/tables/password_digest.h"
#include "core/tables/table_managers.h"
#include "platform/base/logical_threads.h"
#include "platform/base/paths.h"
#include "platform/base/testing/test_environment.h"
#include "platform/data/database.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/report_preview.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/testing/x_server_probe.h"
#include "platform/ui/window_placement.h"

namespace core {
namespace {

using namespace std::chrono_literals;
using rt::testing::clientPlace;
using rt::testing::viewable;

rt::WindowDriver* openForm() {
  for (rt::WindowDriver* w : rt::WindowDriver::openWindows()) {
    if (dynamic_cast<RecordForm*>(w) != nullptr && w->isOpen() && w->window() != nullptr) return w;
  }
  return nullptr;
}

xcb_window_t rootOf(xcb_connection_t* x) {
  return xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
}

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
        xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, children[i]), nullptr),
        &std::free);
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE) continue;
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> place(
        xcb_get_geometry_reply(x, xcb_get_geometry(x, children[i]), nullptr), &std::free);
    if (place && QRect(place->x, place->y, place->width, place->height).contains(at))
      return children[i];
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

// Windows opened and closed again and again on a thread of their own, under
// a real X server with a window manager.
class MappedForms : public ::testing::Test {
 protected:
  void SetUp() override {
    x_ = rt::testing::windowManagedX();
    if (x_ == nullptr) {
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

  // Runs `windows` on a thread of its own; each of the `opens` windows it
  // shows, found by `open`, is seen by `shown` while it is on the screen,
  // then closed.
  void openAndClose(int opens, const std::function<void()>& windows,
                    const std::function<rt::WindowDriver*()>& open,
                    const std::function<void(int, rt::WindowDriver&)>& shown) {
    bool ended = false;
    rt::start([&] {
      windows();
      ended = true;
    });
    for (int i = 0; i < opens; ++i) {
      rt::WindowDriver* form = nullptr;
      ASSERT_TRUE(rt::testing::waitUntil([&] { return (form = open()) != nullptr; },
                                         "window " + std::to_string(i + 1) + " to open"));
      shown(i, *form);
      const QPointer<QWidget> opened = form->window();
      form->post(rt::event::CloseWindow);
      ASSERT_TRUE(rt::testing::waitUntil([&] { return !opened || !opened->isVisible(); },
                                         "window " + std::to_string(i + 1) + " to close"));
    }
    ASSERT_TRUE(rt::testing::waitUntil([&] { return ended; }, "the windows' thread to end"));
    EXPECT_TRUE(messages_.asked().empty());
  }

  // Opens the users form `opens` times, one after the other.
  void openUserForms(int opens, const std::function<void(int, rt::WindowDriver&)>& shown) {
    openAndClose(
        opens,
        [opens] {
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
        },
        openForm, shown);
  }

  xcb_connection_t* x_ = nullptr;
  rt::testing::ScriptedMessages messages_;
};

TEST_F(MappedForms, EveryFormOpenedAndClosedManyTimesIsMappedAndViewable) {
  constexpr int kOpens = 200;
  int unmapped = 0;
  openUserForms(kOpens, [&](int i, rt::WindowDriver& form) {
    if (!rt::testing::waitUntil([&] { return rt::testing::viewable(x_, form.window()); },
                                "form " + std::to_string(i + 1) + " to be mapped", 5s)) {
      ++unmapped;
    }
  });
  EXPECT_EQ(unmapped, 0) << "of " << kOpens << " forms";
}

// Every place equals the first.
void expectOnePlace(const std::vector<QPoint>& places) {
  for (std::size_t i = 1; i < places.size(); ++i) {
    EXPECT_EQ(std::pair(places[i].x(), places[i].y()), std::pair(places[0].x(), places[0].y()))
        << "opening " << i + 1 << " moved from the first";
  }
}

// A form reopens where it was closed, to the pixel: the place it stores on
// closing is the place it is shown at when it opens.
TEST_F(MappedForms, AFormOpenedAndClosedFiveTimesStandsAtTheSamePlace) {
  rt::testing::PlacesKept kept;
  std::vector<QPoint> places;
  openUserForms(5, [&](int i, rt::WindowDriver& form) {
    ASSERT_TRUE(rt::testing::waitUntilPlaced(x_, form, "form " + std::to_string(i + 1)));
    places.push_back(clientPlace(x_, form.window()));
  });
  ASSERT_EQ(places.size(), 5u);
  expectOnePlace(places);
}

// The print preview, a window of its own as tall as the screen lets it,
// reopens where it was closed too, its frame whole on the screen: centred
// the first time, then where it was left, and so again once the places were
// forgotten.
TEST_F(MappedForms, ThePreviewOpenedFiveTimesStandsAtTheSamePlaceWholeOnTheScreen) {
  rt::testing::PlacesKept kept;
  const std::vector<rt::ReportPage> pages(2);
  auto previews = [&](int opens) {
    std::vector<QRect> frames;
    openAndClose(
        opens,
        [&] {
          const rt::ProcedureScope report("ReporteCumpleanos");
          for (int i = 0; i < opens; ++i) {
            rt::ReportPreview(pages, QStringLiteral("Listado de Cumpleaños"), 1).preview();
          }
        },
        [] {
          for (rt::WindowDriver* w : rt::WindowDriver::openWindows())
            if (dynamic_cast<rt::ReportPreview*>(w) != nullptr && w->window() != nullptr) return w;
          return static_cast<rt::WindowDriver*>(nullptr);
        },
        [&](int i, rt::WindowDriver& preview) {
          ASSERT_TRUE(
              rt::testing::waitUntilPlaced(x_, preview, "preview " + std::to_string(i + 1)));
          frames.push_back(rt::testing::framePlace(x_, preview.window()));
        });
    return frames;
  };
  const QRect screen = rt::availableArea(nullptr);
  for (const char* round : {"as first opened", "after the places were forgotten"}) {
    SCOPED_TRACE(round);
    const std::vector<QRect> frames = previews(5);
    ASSERT_EQ(frames.size(), 5u);
    std::vector<QPoint> places;
    for (const QRect& frame : frames) {
      EXPECT_TRUE(screen.contains(frame))
          << "frame " << frame.width() << "x" << frame.height() << "+" << frame.x() << "+"
          << frame.y() << " on a screen of " << screen.width() << "x" << screen.height();
      places.push_back(frame.topLeft());
    }
    expectOnePlace(places);
    kept.clear();
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
    rt::testing::waitUntil([&] { return window->frameGeometry() != window->geometry(); },
                           "the frame", 2s);
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
         for (const auto& [entry, text] :
              {std::pair("?LOC:LOGIN", "ana"), std::pair("?LOC:PASSWORD", "x")}) {
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
        [&] { return (list = openedOfKind(static_cast<UsersList*>(nullptr), nullptr)) != nullptr; },
        "the list"));
    list->post(rt::event::Accepted, list->control("?INSERT:6"));
    rt::WindowDriver* form = nullptr;
    ASSERT_TRUE(rt::testing::waitUntil([&] { return (form = openForm()) != nullptr; }, "its form"));
    ASSERT_TRUE(rt::testing::waitUntil(
        [&] { return viewable(x_, form->window()) && seen(x_, form->window()); },
        "the form on the screen"));
    rt::testing::waitUntil(
        [&] { return form->window()->frameGeometry() != form->window()->geometry(); },
        "the form's frame", 2s);
    const QPoint formPlace = clientPlace(x_, form->window());

    rt::start([&] { c.run(otherEnded); });
    rt::WindowDriver* other = nullptr;
    ASSERT_TRUE(rt::testing::waitUntil([&] { return (other = c.opened(list)) != nullptr; },
                                       "the window opened"));
    ASSERT_TRUE(other->hosted());
    EXPECT_TRUE(rt::testing::waitUntil([&] { return seen(x_, other->window()); },
                                       "it in front of the form", 5s));

    area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->window()->parentWidget()));
    EXPECT_TRUE(rt::testing::waitUntil(
        [&] { return viewable(x_, form->window()) && seen(x_, form->window()); }, "the form back",
        5s));
    rt::testing::waitUntil([&] { return clientPlace(x_, form->window()) == formPlace; },
                           "the form's place", 2s);
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
