#pragma once
// The runtime's age text: how old someone born on a day is on another day,
// as a count, a blank and a unit word: "DAYS" under 60 days, "MOS" under 24
// months, else "YRS", always in completed units.
#include <string>

#include "platform/base/clock.h"

namespace rt {

// Completed months from `from` to `to`: a month completes on the same day of
// the month, or on the month's last day when that month is shorter.
int completedMonths(Date from, Date to);

// Empty for no birth date (0) or one after `at`; cut to `width` characters.
std::string ageText(Date birth, Date at, int width);

}  // namespace rt
