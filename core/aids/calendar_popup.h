#pragma once
// The program's date picker: a month grid of day buttons with a month list, a
// year spinner and "Hoy", modal on the caller's thread. Sundays show red,
// today green and the date it started from blue.
#include <QLineEdit>
#include <array>
#include <string>
#include <string_view>

#include "platform/base/clock.h"
#include "platform/ui/window_driver.h"

namespace core {

inline constexpr long kDayColour = 0x400040;     // blue-green-red: dark purple
inline constexpr long kSundayColour = 0x0000FF;  // red
inline constexpr long kTodayColour = 0x00FF00;   // green
inline constexpr long kStartColour = 0xFF0000;   // blue
inline constexpr int kFirstYear = 1801;
inline constexpr int kLastYear = 2099;

struct CalendarCell {
  int day = 0;  // 0: the button is hidden
  long colour = kDayColour;
  bool today = false;  // its tip says " Hoy ! !"
};

// The 42 buttons of a month, six rows of seven from Sunday: day 1 on the
// button of its weekday, the buttons before and after the month hidden.
std::array<CalendarCell, 42> calendarGrid(int month, int year, rt::Date today, rt::Date start);

// Opens the picker on the month of `date` (0: today) and returns the day the
// user picked, or 0 when the window was closed without a pick. A blank title
// keeps "Calendario". With keepPosition 0 the window goes to (x, y) on the
// screen, or to the mouse pointer when both are 0. `flat` is given to every
// button.
rt::Date CalendarPopup(std::string_view title, rt::Date date, int keepPosition = 1, int flat = 1,
                       int y = 0, int x = 0);

// The date button beside a date entry, the same for every date field: the
// date on screen is where the picker starts; the entry gets the focus, then
// the picked date and an accepted event, and the selection. Leaving the
// picker without a pick keeps what the entry shows. Returns the date for the
// caller's field: the picked one, or the one the entry shows.
rt::Date BotonCalendario(rt::WindowDriver& window, QLineEdit* dateEntry, std::string_view title);

class CalendarWindow : public rt::WindowDriver {
 public:
  CalendarWindow(std::string title, rt::Date date, int keepPosition, int flat, int y, int x);
  int Init() override;
  int TakeWindowEvent() override;
  int TakeFieldEvent() override;
  rt::Date result() const { return result_; }

 private:
  void showDate(rt::Date date);
  void drawMonth();
  void yearChanged();

  std::string title_;
  rt::Date date_;
  int keepPosition_, flat_, y_, x_;
  int month_ = 1, year_ = 2000;
  int firstButton_ = 0;  // 0-based index of the button of day 1
  rt::Date result_ = 0;
};

}  // namespace core
