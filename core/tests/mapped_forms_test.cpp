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
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPoint>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
#include "platform/ui/report_preview.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/testing/x_server_probe.h"
#include "platform/ui/window_placement.h"

namespace core {
namespace {

using namespace std::chrono_literals;

rt::WindowDriver* openForm() {
  for (rt::WindowDriver* w : rt::WindowDriver::openWindows()) {
    if (dynamic_cast<RecordForm*>(w) != nullptr && w->isOpen() && w->window() != nullptr) return w;
  }
  return nullptr;
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
    places.push_back(rt::testing::clientPlace(x_, form.window()));
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
            rt::ReportPreview(pages, QStringLiteral("Listado de Cumplea\u00f1os"), 1).preview();
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
