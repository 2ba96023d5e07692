// Date and time functions: Date, Now, Time, Year ... Second, Weekday, DateSerial,
// TimeSerial, DateValue, TimeValue, DateAdd, DateDiff, DatePart, MonthName,
// WeekdayName.
#include <array>
#include <cmath>

#include "jet/text.h"
#include "sql/eval_node.h"
#include "sql/function_args.h"
#include "sql/function_registry.h"

namespace jet::sql {

namespace {

constexpr long long kMsPerDay = 86'400'000;

CivilDateTime civilArg(const Value& v) { return toCivil(toDateTime(v)); }

// Whole days since day 0 of a calendar date.
long long dayNumber(int year, int month, int day) {
  return static_cast<long long>(std::llround(fromCivil({year, month, day, 0, 0, 0, 0}).days));
}

// A date on a straight time line (milliseconds since day 0); Jet's own numbers
// run the fraction forward from midnight even before day 0, so they are not.
long long linearMs(const CivilDateTime& c) {
  return dayNumber(c.year, c.month, c.day) * kMsPerDay +
         ((c.hour * 60LL + c.minute) * 60 + c.second) * 1000 + c.millisecond;
}

Value fromLinearMs(long long ms) {
  long long day = ms / kMsPerDay;
  long long rest = ms % kMsPerDay;
  if (rest < 0) {
    rest += kMsPerDay;
    --day;
  }
  const CivilDateTime d = toCivil(DateTime{static_cast<double>(day)});
  const CivilDateTime c{d.year, d.month, d.day, static_cast<int>(rest / 3'600'000), static_cast<int>(rest / 60'000 % 60),
                        static_cast<int>(rest / 1000 % 60), static_cast<int>(rest % 1000)};
  if (c.year < 100 || c.year > 9999) invalidCall();
  return Value::dateTime(fromCivil(c));
}

// Day of the week 1..7 counted from `firstDay` (1 Sunday .. 7 Saturday).
int weekdayOf(long long day, int firstDay) {
  const int sundayBased = static_cast<int>(((day + 6) % 7 + 7) % 7);  // day 0 (1899-12-30) is a Saturday: 6
  return (sundayBased - (firstDay - 1) + 7) % 7 + 1;
}

int firstDayArg(std::span<const Value> a, std::size_t i) {
  if (!given(a, i)) return 1;
  const std::int64_t n = longArg(a[i]);
  if (n < 0 || n > 7) invalidCall();
  return n == 0 ? 1 : static_cast<int>(n);
}

Value dateFn(std::span<const Value>, const EvalEnv& env) {
  return Value::dateTime(DateTime{std::floor(env.now().days)});
}
Value nowFn(std::span<const Value>, const EvalEnv& env) { return Value::dateTime(env.now()); }
Value timeFn(std::span<const Value>, const EvalEnv& env) {
  const CivilDateTime c = toCivil(env.now());
  return Value::dateTime(fromCivil({1899, 12, 30, c.hour, c.minute, c.second, 0}));
}

Value yearFn(std::span<const Value> a, const EvalEnv&) { return Value::integer(static_cast<std::int16_t>(civilArg(a[0]).year)); }
Value monthFn(std::span<const Value> a, const EvalEnv&) { return Value::integer(static_cast<std::int16_t>(civilArg(a[0]).month)); }
Value dayFn(std::span<const Value> a, const EvalEnv&) { return Value::integer(static_cast<std::int16_t>(civilArg(a[0]).day)); }
Value hourFn(std::span<const Value> a, const EvalEnv&) { return Value::integer(static_cast<std::int16_t>(civilArg(a[0]).hour)); }
Value minuteFn(std::span<const Value> a, const EvalEnv&) { return Value::integer(static_cast<std::int16_t>(civilArg(a[0]).minute)); }
Value secondFn(std::span<const Value> a, const EvalEnv&) { return Value::integer(static_cast<std::int16_t>(civilArg(a[0]).second)); }

Value weekdayFn(std::span<const Value> a, const EvalEnv&) {
  const CivilDateTime c = civilArg(a[0]);
  return Value::integer(static_cast<std::int16_t>(weekdayOf(dayNumber(c.year, c.month, c.day), firstDayArg(a, 1))));
}

// DateSerial(year, month, day): months and days outside their range carry into
// the next or previous month and year; years 0-29 are 2000-2029, 30-99 1930-1999.
Value dateSerialFn(std::span<const Value> a, const EvalEnv&) {
  long long year = longArg(a[0]);
  const long long month = longArg(a[1]);
  const long long day = longArg(a[2]);
  if (year >= 0 && year < 30) year += 2000;
  else if (year >= 30 && year < 100) year += 1900;
  const long long months = year * 12 + (month - 1);
  const long long y = months >= 0 ? months / 12 : (months - 11) / 12;
  const int m = static_cast<int>(months - y * 12) + 1;
  if (y < 100 || y > 9999) invalidCall();
  return fromLinearMs((dayNumber(static_cast<int>(y), m, 1) + day - 1) * kMsPerDay);
}

Value timeSerialFn(std::span<const Value> a, const EvalEnv&) {
  const long long seconds = longArg(a[0]) * 3600 + longArg(a[1]) * 60 + longArg(a[2]);
  return fromLinearMs(seconds * 1000);
}

Value dateValueFn(std::span<const Value> a, const EvalEnv&) {
  const CivilDateTime c = civilArg(a[0]);
  return Value::dateTime(fromCivil({c.year, c.month, c.day, 0, 0, 0, 0}));
}

Value timeValueFn(std::span<const Value> a, const EvalEnv&) {
  const CivilDateTime c = civilArg(a[0]);
  return Value::dateTime(fromCivil({1899, 12, 30, c.hour, c.minute, c.second, c.millisecond}));
}

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval intervalArg(const Value& v) {
  requireValue(v);
  const std::u16string s = textArg(v);
  static constexpr std::array<std::pair<std::u16string_view, Interval>, 10> kNames = {{
      {u"yyyy", Interval::Year}, {u"q", Interval::Quarter}, {u"m", Interval::Month}, {u"y", Interval::DayOfYear},
      {u"d", Interval::Day}, {u"w", Interval::Weekday}, {u"ww", Interval::Week}, {u"h", Interval::Hour},
      {u"n", Interval::Minute}, {u"s", Interval::Second},
  }};
  for (const auto& [name, interval] : kNames) {
    if (equalNamesNoCase(s, name)) return interval;
  }
  invalidCall();
}

Value dateAddFn(std::span<const Value> a, const EvalEnv&) {
  const Interval interval = intervalArg(a[0]);
  const long long n = longArg(a[1]);
  const CivilDateTime c = civilArg(a[2]);
  const long long ms = linearMs(c);
  switch (interval) {
    case Interval::Year:
    case Interval::Quarter:
    case Interval::Month: {
      const long long step = interval == Interval::Year ? 12 : interval == Interval::Quarter ? 3 : 1;
      const long long months = c.year * 12LL + (c.month - 1) + n * step;
      const long long y = months / 12;
      const int m = static_cast<int>(months % 12) + 1;
      if (months < 0 || y < 100 || y > 9999) invalidCall();
      // The day stays, cut back to the last day of a shorter month.
      CivilDateTime r = c;
      r.year = static_cast<int>(y);
      r.month = m;
      while (r.day > 28 && !isValidCivil(r)) --r.day;
      return fromLinearMs(linearMs(r));
    }
    case Interval::DayOfYear:
    case Interval::Day:
    case Interval::Weekday: return fromLinearMs(ms + n * kMsPerDay);
    case Interval::Week: return fromLinearMs(ms + n * 7 * kMsPerDay);
    case Interval::Hour: return fromLinearMs(ms + n * 3'600'000);
    case Interval::Minute: return fromLinearMs(ms + n * 60'000);
    case Interval::Second: return fromLinearMs(ms + n * 1000);
  }
  invalidCall();
}

long long floorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

// DateDiff(interval, date1, date2[, firstdayofweek]): how many interval
// boundaries lie between the two (calendar years, months, hours ... crossed).
Value dateDiffFn(std::span<const Value> a, const EvalEnv&) {
  if (a[1].isNull() || a[2].isNull()) return Value();
  const Interval interval = intervalArg(a[0]);
  const CivilDateTime x = civilArg(a[1]);
  const CivilDateTime y = civilArg(a[2]);
  const long long dx = dayNumber(x.year, x.month, x.day), dy = dayNumber(y.year, y.month, y.day);
  long long r = 0;
  switch (interval) {
    case Interval::Year: r = y.year - x.year; break;
    case Interval::Quarter: r = (y.year * 4LL + (y.month - 1) / 3) - (x.year * 4LL + (x.month - 1) / 3); break;
    case Interval::Month: r = (y.year * 12LL + y.month) - (x.year * 12LL + x.month); break;
    case Interval::DayOfYear:
    case Interval::Day: r = dy - dx; break;
    case Interval::Weekday: r = (dy - dx) / 7; break;
    case Interval::Week: {
      // Weeks start on the given first day: count those starts crossed.
      const int first = firstDayArg(a, 3);
      auto weekStart = [&](long long d) { return d - (weekdayOf(d, first) - 1); };
      r = (weekStart(dy) - weekStart(dx)) / 7;
      break;
    }
    case Interval::Hour: r = floorDiv(linearMs(y), 3'600'000) - floorDiv(linearMs(x), 3'600'000); break;
    case Interval::Minute: r = floorDiv(linearMs(y), 60'000) - floorDiv(linearMs(x), 60'000); break;
    case Interval::Second: r = floorDiv(linearMs(y), 1000) - floorDiv(linearMs(x), 1000); break;
  }
  return Value::longInt(static_cast<std::int32_t>(r));
}

Value datePartFn(std::span<const Value> a, const EvalEnv&) {
  if (a[1].isNull()) return Value();
  const Interval interval = intervalArg(a[0]);
  const CivilDateTime c = civilArg(a[1]);
  const long long day = dayNumber(c.year, c.month, c.day);
  const int first = firstDayArg(a, 2);
  int r = 0;
  switch (interval) {
    case Interval::Year: r = c.year; break;
    case Interval::Quarter: r = (c.month - 1) / 3 + 1; break;
    case Interval::Month: r = c.month; break;
    case Interval::DayOfYear: r = static_cast<int>(day - dayNumber(c.year, 1, 1)) + 1; break;
    case Interval::Day: r = c.day; break;
    case Interval::Weekday: r = weekdayOf(day, first); break;
    case Interval::Week: {
      // Week 1 is the week of January 1.
      const long long jan1 = dayNumber(c.year, 1, 1);
      const long long start = jan1 - (weekdayOf(jan1, first) - 1);
      r = static_cast<int>((day - start) / 7) + 1;
      break;
    }
    case Interval::Hour: r = c.hour; break;
    case Interval::Minute: r = c.minute; break;
    case Interval::Second: r = c.second; break;
  }
  return Value::integer(static_cast<std::int16_t>(r));
}

constexpr std::array<std::u16string_view, 12> kMonthNames = {u"January", u"February", u"March",     u"April",
                                                              u"May",     u"June",     u"July",      u"August",
                                                              u"September", u"October", u"November", u"December"};
constexpr std::array<std::u16string_view, 7> kDayNames = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                                          u"Thursday", u"Friday", u"Saturday"};

bool abbreviateArg(std::span<const Value> a, std::size_t i) { return given(a, i) && truth(a[i]) == Tri::True; }

Value monthNameFn(std::span<const Value> a, const EvalEnv&) {
  const std::int64_t m = longArg(a[0]);
  if (m < 1 || m > 12) invalidCall();
  const auto name = kMonthNames[static_cast<std::size_t>(m - 1)];
  return Value::text(std::u16string(abbreviateArg(a, 1) ? name.substr(0, 3) : name));
}

Value weekdayNameFn(std::span<const Value> a, const EvalEnv&) {
  const std::int64_t d = longArg(a[0]);
  if (d < 1 || d > 7) invalidCall();
  const int first = firstDayArg(a, 2);
  const auto name = kDayNames[static_cast<std::size_t>((d - 1 + first - 1) % 7)];
  return Value::text(std::u16string(abbreviateArg(a, 1) ? name.substr(0, 3) : name));
}

constexpr auto D = ValueKind::DateTime;
constexpr auto I = ValueKind::Integer;
constexpr auto kFirst = NullRule::FirstNullGivesNull;
constexpr auto kAny = NullRule::AnyNullGivesNull;

constexpr std::array kDateFunctions = {
    FunctionDef{u"Date", 0, 0, dateFn, kAny, D, true},
    FunctionDef{u"Now", 0, 0, nowFn, kAny, D, true},
    FunctionDef{u"Time", 0, 0, timeFn, kAny, D, true},
    FunctionDef{u"Year", 1, 1, yearFn, kFirst, I},
    FunctionDef{u"Month", 1, 1, monthFn, kFirst, I},
    FunctionDef{u"Day", 1, 1, dayFn, kFirst, I},
    FunctionDef{u"Hour", 1, 1, hourFn, kFirst, I},
    FunctionDef{u"Minute", 1, 1, minuteFn, kFirst, I},
    FunctionDef{u"Second", 1, 1, secondFn, kFirst, I},
    FunctionDef{u"Weekday", 1, 2, weekdayFn, kFirst, I},
    FunctionDef{u"DateSerial", 3, 3, dateSerialFn, kAny, D},
    FunctionDef{u"TimeSerial", 3, 3, timeSerialFn, kAny, D},
    FunctionDef{u"DateValue", 1, 1, dateValueFn, kFirst, D},
    FunctionDef{u"TimeValue", 1, 1, timeValueFn, kFirst, D},
    FunctionDef{u"DateAdd", 3, 3, dateAddFn, kAny, D},
    FunctionDef{u"DateDiff", 3, 5, dateDiffFn, NullRule::Handled, ValueKind::Long},
    FunctionDef{u"DatePart", 2, 4, datePartFn, NullRule::Handled, I},
    FunctionDef{u"MonthName", 1, 2, monthNameFn, kFirst, ValueKind::Text},
    FunctionDef{u"WeekdayName", 1, 3, weekdayNameFn, kFirst, ValueKind::Text},
};

}  // namespace

std::span<const FunctionDef> dateFunctions() { return kDateFunctions; }

}  // namespace jet::sql
