#pragma once
// ValueConverter: the base of the value formatter and parser. Converts between
// the runtime's day numbers and times (hundredths of a second plus one) and
// Unix timestamps, reads the UTC clock, and traces. Also the ISO 8601 week
// conversions both derived classes use.
#include <cstdint>
#include <string_view>

namespace textlib {

// The unit argument of the Unix conversions.
namespace unix_unit {
constexpr int Seconds = 0;
constexpr int Milliseconds = 1;
// Any other value: milliseconds when the value is 2,147,483,647 or more.
constexpr int Automatic = -1;
}  // namespace unix_unit

class ValueConverter {
 public:
  virtual ~ValueConverter() = default;

  // "[tb] " + text without trailing spaces, to the debug output.
  virtual void Trace(std::string_view text);
  virtual std::int32_t UnixToDate(int unit, double timestamp);
  virtual std::int32_t UnixToTime(int unit, double timestamp);
  virtual double ToUnixTime(double date, double time, int unit);
  virtual std::int32_t UtcToday();
  virtual std::int32_t UtcClock();
  // The UTC date and time as Unix milliseconds.
  virtual double UtcNow();
};

// The ISO 8601 week date of a day number: week-numbering year, week (1..53)
// and weekday (1 Monday .. 7 Sunday); all 0 for a number that is no calendar
// day.
struct IsoWeekDate {
  std::int32_t year = 0;
  std::int32_t week = 0;
  std::int32_t weekday = 0;
};
IsoWeekDate isoWeekOfYear(std::int32_t date);

// The day number of a week text ("W05", "w5" or "5"), ISO year and weekday;
// 0 for an empty week text or a year outside 1..9999. Weeks above 53 count
// as 53.
std::int32_t dateOfIsoWeek(std::string_view week, std::int32_t year, std::int32_t weekday);

// An empty object of the same family, kept process-wide.
class StringFormatHelper {};
extern StringFormatHelper stringFormatHelper;

}  // namespace textlib
