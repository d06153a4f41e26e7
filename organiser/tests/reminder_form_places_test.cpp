// Under a real X server with a window manager, the reminder form opens at one
// place and one height however it is opened: Agregar, Modificar, Agregar
// after a save. The test runs by hand, for example:
//   QT_QPA_PLATFORM=xcb DISPLAY=:1 build/organiser/organiser_tests
//   --gtest_filter='ReminderFormPlaces.*'
// with openbox (or another window manager) running on that display; under the
// offscreen platform, or without a window manager, it is skipped.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "core/frame/window_font_start.h"
#include "core/tables/catalog_tables.h"
#include "core/tables/table_managers.h"
#include "organiser/reminders.h"
#include "organiser/tests/organiser_test_kit.h"
#include "platform/ui/testing/window_test_kit.h"
#include "platform/ui/testing/x_server_probe.h"

namespace organiser {
namespace {

using core::AgendaRecordatoria;

class ReminderFormPlaces : public testing::OrganiserTables {
 protected:
  void SetUp() override {
    x_ = rt::testing::windowManagedX();
    if (x_ == nullptr) {
      GTEST_SKIP() << "needs an X server (QT_QPA_PLATFORM=xcb) with a window manager";
    }
    OrganiserTables::SetUp();
  }
  void TearDown() override {
    if (x_ != nullptr) OrganiserTables::TearDown();
  }

  xcb_connection_t* x_ = nullptr;
};

ReminderForm* openReminderForm() {
  for (rt::WindowDriver* w : rt::WindowDriver::openWindows()) {
    if (auto* form = dynamic_cast<ReminderForm*>(w); form != nullptr && form->isOpen()) return form;
  }
  return nullptr;
}

TEST_F(ReminderFormPlaces, TheFormOpensAtOneHeightOnAgregarModificarAndAfterASave) {
  rt::testing::PlacesKept kept;
  rt::testing::ScriptedMessages messages;
  // The program's font, read already: the form grows with it once shown.
  struct ProgramFont {
    const core::WindowFontStart saved = core::windowFontStart();
    ProgramFont() {
      core::windowFontStart() = {"Roboto Medium", 9, -1, -1, -1, 0, 4 | saved.flags, saved.section};
    }
    ~ProgramFont() { core::windowFontStart() = saved; }
  } programFont;
  struct Opening {
    const char* what;
    int request;
    bool saved;  // left with OK after a subject was typed, else with Cancelar
  };
  const std::vector<Opening> openings = {
      {"Agregar", core::request::Insert, false},
      {"Agregar again", core::request::Insert, false},
      {"Agregar, saved", core::request::Insert, true},
      {"Agregar after a save", core::request::Insert, false},
      {"Modificar", core::request::Change, false},
      {"Agregar after Modificar", core::request::Insert, false},
  };
  bool ended = false;
  rt::start([&] {
    core::TableAccess& reminders = core::access(AgendaRecordatoria::def());
    reminders.open();
    for (const Opening& opening : openings) {
      if (opening.request == core::request::Change) {
        core::AGG().CodigoInterno = 1;
        EXPECT_EQ(AgendaRecordatoria::table().fetch(AgendaRecordatoria::AGG00), 0);
      }
      rt::ThreadRequest() = static_cast<std::uint8_t>(opening.request);
      ReminderForm().Run();
    }
    reminders.close();
    ended = true;
  });

  struct Seen {
    QPoint place;  // the client area's corner
    int okY;       // where OK stands on the screen
    int height;
  };
  std::vector<Seen> seen;
  for (const Opening& opening : openings) {
    ReminderForm* form = nullptr;
    ASSERT_TRUE(rt::testing::waitUntil([&] { return (form = openReminderForm()) != nullptr; },
                                       std::string(opening.what) + ": the form to open"));
    ASSERT_TRUE(rt::testing::waitUntilPlaced(x_, *form, opening.what));
    QWidget* window = form->window();
    const QPoint place = rt::testing::clientPlace(x_, window);
    seen.push_back({place, place.y() + form->control("?OK")->mapTo(window, QPoint(0, 0)).y(),
                    window->height()});
    if (opening.saved) form->control<QLineEdit>("?AGG:ASUNTO")->setText("Llamar al laboratorio");
    const QPointer<QWidget> opened = window;
    ASSERT_TRUE(rt::testing::click(*form, opening.saved ? "?OK" : "?CANCEL"));
    ASSERT_TRUE(rt::testing::waitUntil([&] { return !opened || !opened->isVisible(); },
                                       std::string(opening.what) + ": the form to close"));
  }
  ASSERT_TRUE(rt::testing::waitUntil([&] { return ended; }, "the forms' thread to end"));
  EXPECT_TRUE(messages.asked().empty());
  EXPECT_EQ(AgendaRecordatoria::table().records(), 1);

  for (std::size_t i = 1; i < seen.size(); ++i) {
    SCOPED_TRACE(openings[i].what);
    EXPECT_EQ(std::pair(seen[i].place.x(), seen[i].place.y()),
              std::pair(seen[0].place.x(), seen[0].place.y()));
    EXPECT_EQ(seen[i].okY, seen[0].okY);
    EXPECT_EQ(seen[i].height, seen[0].height);
  }
}

}  // namespace
}  // namespace organiser
