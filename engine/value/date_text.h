// Dates and times as text: reading the forms people type (in #...# literals,
// CDate, Locate and the grid). Writing them is the pattern writer's
// (writeDatePattern and generalDateText in jet/value_text.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "jet/value.h"
#include "jet/value_text.h"

namespace jet {

// Reads a date, a time or both:
//   5/1/2003, 5-1-03, 5.1.2003 (order by `order`; a first number over 12 with a
//   second of at most 12 is read the other way round, as Jet does),
//   2003-01-05, 2003/1/5 (year first whenever the first number has 3+ digits),
//   5 Jan 2003, 5-Jan-03, Jan 5, 2003, January 5 2003 (English month names;
//   a leading weekday name is ignored),
//   times 10:30, 10:30:15, 10:30:15.250, 10:30 PM, 10 PM, 10:30a,
//   and ISO 2003-01-05T10:30:00.
// Two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999. A date without a year
// ("5/1", "Jan 5") takes `currentYear`, and is rejected when that is empty. A time
// alone is on day 0 (1899-12-30). Years outside 100..9999 are rejected.
std::optional<DateTime> parseDateText(std::u16string_view text, DateOrder order, std::optional<int> currentYear);
// The same, giving the calendar date read before the check of its year (so a
// caller can tell a date out of range from text that is no date).
std::optional<CivilDateTime> readDateText(std::u16string_view text, DateOrder order, std::optional<int> currentYear);

}  // namespace jet
