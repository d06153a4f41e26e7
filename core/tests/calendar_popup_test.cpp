#include "core/aids/calendar_popup.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "platform/base/cp_literal.h"
#include "platform/ui/control_colors.h"
#include "platform/ui/control_kinds.h"
#include "platform/ui/qt_text.h"
#include "platform/ui/testing/window_test_kit.h"

namespace core {
namespace {

using rt::testing::click;
using rt::testing::runOnThread;
using rt::testing::ScriptedMessages;
using rt::testing::WindowScript;

std::vector<int> shownDays(const std::array<CalendarCell, 42>& cells) {
  std::vector<int> days;
  for (const CalendarCell& c : cells) days.push_back(c.day);
  return days;
}

TEST(CalendarGrid, AMonthStartingOnSundayAndALeapFebruary) {
  // June 2025 starts on a Sunday: day 1 on the first button, red.
  const rt::Date today = rt::makeDate(6, 18, 2025);
  const rt::Date start = rt::makeDate(6, 18, 2025);
  auto june = calendarGrid(6, 2025, today, start);
  EXPECT_EQ(june[0].day, 1);
  EXPECT_EQ(june[0].colour, kSundayColour);
  EXPECT_EQ(june[29].day, 30);
  EXPECT_EQ(june[30].day, 0) << "hidden after the last day";
  EXPECT_EQ(june[1].colour, kDayColour);
  EXPECT_EQ(june[17].colour, kStartColour) << "the start date is blue even when it is today";
  EXPECT_TRUE(june[17].today);

  // February 2024 (leap) starts on a Thursday and has 29 days.
  const auto february = calendarGrid(2, 2024, rt::makeDate(2, 11, 2024), rt::makeDate(1, 5, 2024));
  std::vector<int> expected(42, 0);
  for (int d = 1; d <= 29; ++d) expected[3 + d] = d;
  EXPECT_EQ(shownDays(february), expected);
  EXPECT_EQ(february[4 + 10].colour, kTodayColour) << "a Sunday that is today is green";
  EXPECT_EQ(february[4 + 3].colour, kSundayColour);

  // A month of 31 days starting on a Saturday fills buttons 7 to 37.
  const auto march = calendarGrid(3, 2025, 0, 0);
  EXPECT_EQ(march[6].day, 1);
  EXPECT_EQ(march[36].day, 31);
}

struct Seen {
  std::vector<int> days;
  std::string focused;
  std::string month;
  int year = 0;
  long colourOfFocused = 0;
};

Seen look(rt::WindowDriver& w) {
  Seen s;
  for (int i = 1; i <= 42; ++i) {
    auto* b = w.control<QPushButton>("?BUTTON" + std::to_string(i));
    s.days.push_back(b->isVisibleTo(w.window()) ? b->text().toInt() : 0);
    if (w.window()->focusWidget() == b) {
      s.focused = rt::fromQString(b->text());
      s.colourOfFocused = rt::toBgr(b->palette().color(QPalette::ButtonText));
    }
  }
  s.month = rt::fromQString(w.control<QComboBox>("?LOC:MESMONTH")->currentText());
  s.year = w.control<QSpinBox>("?LOC:YEAR")->value();
  return s;
}

TEST(CalendarPopup, OpensOnTodayAndAnswersThePickedDay) {
  rt::testing::Watchdog watchdog;  // the test clock: 29 Sep 2025
  Seen opened;
  WindowScript script;
  script.on("Fecha de Consulta", [&](rt::WindowDriver& w) {
    opened = look(w);
    click(w, "?BUTTON8");  // the first Sunday: 7 September
  });
  rt::Date picked = -1;
  ASSERT_TRUE(runOnThread([&] { picked = CalendarPopup("Fecha de Consulta  ", 0); }));
  EXPECT_EQ(script.pending(), 0);
  EXPECT_EQ(opened.month, "Septiembre");
  EXPECT_EQ(opened.year, 2025);
  EXPECT_EQ(opened.focused, "29") << "the focus on the start date";
  EXPECT_EQ(opened.colourOfFocused, kStartColour) << "today and the start: blue wins";
  EXPECT_EQ(opened.days[0], 0);
  EXPECT_EQ(opened.days[1], 1) << "1 September 2025 is a Monday";
  EXPECT_EQ(opened.days[30], 30);
  EXPECT_EQ(opened.days[31], 0);
  EXPECT_EQ(picked, rt::makeDate(9, 7, 2025));
}

TEST(CalendarPopup, MonthYearAndHoyRedrawTheGridClosingAnswers0) {
  rt::testing::Watchdog watchdog;
  ScriptedMessages messages;
  rt::Date result = -1;
  const rt::ThreadNumber thread =
      rt::start([&] { result = CalendarPopup("", rt::makeDate(2, 11, 2024)); });
  ASSERT_TRUE(rt::testing::waitUntil([&] { return rt::WindowDriver::topWindow(thread) != nullptr; },
                                     "calendar open"));
  rt::WindowDriver& w = *rt::WindowDriver::topWindow(thread);
  rt::testing::waitIdle();
  EXPECT_EQ(rt::fromQString(w.window()->windowTitle()), "Calendario");
  Seen february = look(w);
  EXPECT_EQ(february.days[4], 1);
  EXPECT_EQ(february.days[32], 29) << "a leap February";
  EXPECT_EQ(february.days[33], 0);

  auto* months = w.control<QComboBox>("?LOC:MESMONTH");
  months->setCurrentIndex(2);
  emit months->activated(2);
  rt::testing::waitIdle();
  const Seen march = look(w);
  EXPECT_EQ(march.month, "Marzo");
  EXPECT_EQ(march.days[5], 1) << "1 March 2024 is a Friday";

  auto* year = w.control<QSpinBox>("?LOC:YEAR");
  year->setValue(1800);
  rt::testing::waitIdle();
  ASSERT_EQ(messages.asked().size(), 1u);
  EXPECT_EQ(messages.asked()[0].text, "El año debe ser entre 1801 y 2099"_cp);
  EXPECT_EQ(messages.asked()[0].caption, "Mesage de Error");
  EXPECT_EQ(messages.asked()[0].icon, rt::MessageIcon::Warning);
  EXPECT_EQ(w.window()->focusWidget(), year);
  EXPECT_EQ(look(w).days, march.days) << "the grid stays until a valid year";

  year->setValue(2025);
  rt::testing::waitIdle();
  EXPECT_EQ(look(w).days[6], 1) << "1 March 2025 is a Saturday";

  ASSERT_TRUE(click(w, "?BUTTONHOY"));
  rt::testing::waitIdle();
  const Seen today = look(w);
  EXPECT_EQ(today.month, "Septiembre");
  EXPECT_EQ(today.year, 2025);
  EXPECT_EQ(result, -1) << "Hoy leaves the window open";

  w.window()->close();
  ASSERT_TRUE(rt::testing::waitUntil([&] { return !rt::threadAlive(thread); }, "closed"));
  EXPECT_EQ(result, 0);
}

}  // namespace
}  // namespace core

namespace core {
namespace {

// A form with a date entry and its date button: the first press picks a day,
// the second leaves the calendar as `leave` does.
class DateForm : public rt::WindowDriver {
 public:
  explicit DateForm(std::string typed) : typed_(std::move(typed)) {}
  QLineEdit* entry = nullptr;
  std::vector<rt::Date> returned;
  std::vector<std::string> acceptedTexts;
  std::string shownAfterLeaving;
  bool selectedAfterPick = false;

  int Init() override {
    auto* w = new QWidget;
    w->setWindowTitle("Feriado");
    entry = new QLineEdit(rt::toQString(typed_), w);
    entry->setObjectName("?FER:FECHA");
    rt::setPicture(entry, "@d17");
    auto* button = new QPushButton("...", w);
    button->setObjectName("?CALENDARIO");
    button->move(0, 40);
    Open(w);
    return rt::level::Benign;
  }
  int TakeAccepted() override {
    if (field() == control("?CALENDARIO")) {
      returned.push_back(BotonCalendario(*this, entry, "Fecha del Feriado"));
      if (returned.size() == 2) {
        shownAfterLeaving = rt::fromQString(entry->text());
        post(rt::event::CloseWindow);
      }
    } else if (field() == entry) {
      acceptedTexts.push_back(rt::fromQString(entry->text()));
      selectedAfterPick =
          window()->focusWidget() == entry && entry->selectedText() == entry->text();
      post(rt::event::Accepted, control("?CALENDARIO"));  // the second press
    }
    return rt::level::Benign;
  }

 private:
  std::string typed_;
};

TEST(BotonCalendario, StartsFromTheShownDateStoresThePickAndLeavingKeepsTheDate) {
  struct Way {
    const char* name;
    void (*leave)(rt::WindowDriver&);
  };
  const Way ways[] = {
      {"the close box", [](rt::WindowDriver& w) { w.window()->close(); }},
      {"Esc",
       [](rt::WindowDriver& w) { QTest::keyClick(w.window()->focusWidget(), Qt::Key_Escape); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    rt::testing::Watchdog watchdog;
    Seen shown;
    WindowScript script;
    script.on("Feriado", [](rt::WindowDriver& w) { click(w, "?CALENDARIO"); });
    script.on("Fecha del Feriado", [&](rt::WindowDriver& w) {
      shown = look(w);
      click(w, "?BUTTON24");  // 20 February 2024
    });
    script.on("Fecha del Feriado", way.leave);
    DateForm form("11/02/2024");
    ASSERT_TRUE(runOnThread([&] { form.Run(); }));
    EXPECT_EQ(script.pending(), 0);
    EXPECT_EQ(shown.month, "Febrero");
    EXPECT_EQ(shown.year, 2024);
    EXPECT_EQ(shown.focused, "11");
    EXPECT_EQ(form.acceptedTexts, (std::vector<std::string>{"20/02/2024"}))
        << "an accepted event follows the pick, none the leaving";
    EXPECT_TRUE(form.selectedAfterPick) << "the entry is selected again";
    const rt::Date picked = rt::makeDate(2, 20, 2024);
    EXPECT_EQ(form.returned, (std::vector<rt::Date>{picked, picked}));
    EXPECT_EQ(form.shownAfterLeaving, "20/02/2024") << "leaving without a pick keeps the date";
  }
}

// A date typed and not yet taken by the form (the holiday form's entry, say)
// stays when the calendar is left without a pick; so does an empty entry.
TEST(BotonCalendario, LeavingWithoutAPickKeepsWhatWasTyped) {
  const struct {
    const char* typed;
    rt::Date date;
  } cases[] = {{"25/05/2027", rt::makeDate(5, 25, 2027)}, {"", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    rt::testing::Watchdog watchdog;
    WindowScript script;
    script.on("Feriado", [](rt::WindowDriver& w) {
      w.post(rt::event::Accepted, w.control("?CALENDARIO"));
      w.post(rt::event::Accepted, w.control("?CALENDARIO"));
    });
    for (int press = 0; press < 2; ++press) {
      script.on("Fecha del Feriado", [](rt::WindowDriver& w) {
        QTest::keyClick(w.window()->focusWidget(), Qt::Key_Escape);
      });
    }
    DateForm form(c.typed);
    ASSERT_TRUE(runOnThread([&] { form.Run(); }));
    EXPECT_EQ(script.pending(), 0);
    EXPECT_EQ(form.returned, (std::vector<rt::Date>{c.date, c.date}));
    EXPECT_EQ(form.shownAfterLeaving, c.typed);
    EXPECT_TRUE(form.acceptedTexts.empty());
  }
}

}  // namespace
}  // namespace core
