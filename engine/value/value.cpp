// Value helpers: value kind names, exact currency and decimal text, GUID text and the
// Jet day-number calendar.
#include "jet/value.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace jet {

__extension__ using Int128 = __int128;

const char* valueKindName(ValueKind kind) noexcept {
  switch (kind) {
    case ValueKind::Null: return "Null";
    case ValueKind::Boolean: return "Boolean";
    case ValueKind::Byte: return "Byte";
    case ValueKind::Integer: return "Integer";
    case ValueKind::Long: return "Long";
    case ValueKind::Currency: return "Currency";
    case ValueKind::Single: return "Single";
    case ValueKind::Double: return "Double";
    case ValueKind::DateTime: return "DateTime";
    case ValueKind::Text: return "Text";
    case ValueKind::Binary: return "Binary";
    case ValueKind::Guid: return "GUID";
    case ValueKind::Decimal: return "Decimal";
  }
  return "Unknown";
}

namespace {

// Decimal digits of an unsigned 128-bit number.
std::string digitsOf(UInt128 v) {
  if (v == 0) return "0";
  std::string s;
  while (v != 0) {
    s.push_back(static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  }
  return std::string(s.rbegin(), s.rend());
}

// "digits" with a decimal point inserted `scale` digits from the right.
std::string withPoint(std::string digits, int scale) {
  if (scale <= 0) return digits;
  const auto s = static_cast<std::size_t>(scale);
  if (digits.size() <= s) digits.insert(0, s + 1 - digits.size(), '0');
  digits.insert(digits.size() - s, 1, '.');
  return digits;
}

struct ParsedNumber {
  bool negative = false;
  UInt128 magnitude = 0;
  int scale = 0;
};

// Parses "[-+]digits[.digits]" into an exact scaled integer; fails past 38 digits.
std::optional<ParsedNumber> parseExact(std::string_view text) {
  ParsedNumber p;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) p.negative = text[i++] == '-';
  bool anyDigit = false;
  bool afterPoint = false;
  int digits = 0;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.' && !afterPoint) {
      afterPoint = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    anyDigit = true;
    if (p.magnitude != 0 || c != '0') ++digits;
    if (digits > 38) return std::nullopt;
    p.magnitude = p.magnitude * 10 + static_cast<unsigned>(c - '0');
    if (afterPoint) ++p.scale;
  }
  if (!anyDigit) return std::nullopt;
  return p;
}

}  // namespace

std::string Currency::toString() const {
  const bool neg = units < 0;
  const UInt128 mag = neg ? static_cast<UInt128>(-(static_cast<Int128>(units)))
                          : static_cast<UInt128>(units);
  std::string s = withPoint(digitsOf(mag), 4);
  return neg ? "-" + s : s;
}

std::optional<Currency> Currency::parse(std::string_view text) {
  auto p = parseExact(text);
  if (!p || p->scale > 4) return std::nullopt;
  UInt128 mag = p->magnitude;
  for (int s = p->scale; s < 4; ++s) mag *= 10;
  const UInt128 limit = p->negative ? static_cast<UInt128>(std::numeric_limits<std::int64_t>::max()) + 1
                                    : static_cast<UInt128>(std::numeric_limits<std::int64_t>::max());
  if (mag > limit) return std::nullopt;
  Currency c;
  c.units = p->negative ? static_cast<std::int64_t>(-static_cast<Int128>(mag))
                        : static_cast<std::int64_t>(mag);
  return c;
}

std::string Decimal::toString() const {
  std::string s = withPoint(digitsOf(magnitude), scale);
  return (negative && magnitude != 0) ? "-" + s : s;
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
  auto p = parseExact(text);
  if (!p || p->scale > 28) return std::nullopt;
  Decimal d;
  d.magnitude = p->magnitude;
  d.scale = static_cast<std::uint8_t>(p->scale);
  d.negative = p->negative;
  d.normalise();
  return d;
}

int Decimal::digitCount() const {
  int n = 0;
  for (UInt128 v = magnitude; v != 0; v /= 10) ++n;
  return n == 0 ? 1 : n;
}

Decimal& Decimal::normalise() {
  if (magnitude == 0) negative = false;
  return *this;
}

std::string Guid::toString() const {
  const auto& b = bytes;
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return buf;
}

std::optional<Guid> Guid::parse(std::string_view text) {
  if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
  if (text.size() != 36) return std::nullopt;
  // Hex digits of the text form in display order.
  std::array<std::uint8_t, 16> shown{};
  std::size_t k = 0;
  for (std::size_t i = 0; i < text.size();) {
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (text[i] != '-') return std::nullopt;
      ++i;
      continue;
    }
    auto hex = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      return -1;
    };
    int hi = hex(text[i]);
    int lo = i + 1 < text.size() ? hex(text[i + 1]) : -1;
    if (hi < 0 || lo < 0 || k >= 16) return std::nullopt;
    shown[k++] = static_cast<std::uint8_t>(hi * 16 + lo);
    i += 2;
    if (i == 9 || i == 14 || i == 19 || i == 24) return std::nullopt;  // a digit pair split by '-'
  }
  if (k != 16) return std::nullopt;
  Guid g;
  // Data1, Data2 and Data3 are stored little-endian.
  g.bytes = {shown[3], shown[2], shown[1], shown[0], shown[5], shown[4], shown[7], shown[6],
             shown[8], shown[9], shown[10], shown[11], shown[12], shown[13], shown[14], shown[15]};
  return g;
}

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (after H. Hinnant's algorithm).
long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int>(y + (m <= 2));
  month = static_cast<int>(m);
  day = static_cast<int>(d);
}

constexpr long long kJetEpochFromUnix = 25569;  // 1899-12-30 is 25 569 days before 1970-01-01
constexpr long long kMsPerDay = 86'400'000;

}  // namespace

CivilDateTime toCivil(DateTime value) {
  CivilDateTime c;
  double v = value.days;
  if (!std::isfinite(v)) return c;
  // Clamp to a range the calendar arithmetic can hold (far beyond Jet's own limits).
  v = std::fmax(std::fmin(v, 1e9), -1e9);
  long long whole = static_cast<long long>(std::trunc(v));
  long long ms = std::llround(std::fabs(v - static_cast<double>(whole)) * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {  // the time rounded up to the next midnight
    ms -= kMsPerDay;
    whole += 1;
  }
  civilFromDays(whole - kJetEpochFromUnix, c.year, c.month, c.day);
  c.hour = static_cast<int>(ms / 3'600'000);
  c.minute = static_cast<int>(ms / 60'000 % 60);
  c.second = static_cast<int>(ms / 1000 % 60);
  c.millisecond = static_cast<int>(ms % 1000);
  return c;
}

bool isValidCivil(const CivilDateTime& c) {
  if (c.month < 1 || c.month > 12 || c.day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (c.year % 4 == 0 && c.year % 100 != 0) || c.year % 400 == 0;
  const int dim = kDays[c.month - 1] + (c.month == 2 && leap ? 1 : 0);
  return c.day <= dim && c.hour >= 0 && c.hour < 24 && c.minute >= 0 && c.minute < 60 &&
         c.second >= 0 && c.second < 60 && c.millisecond >= 0 && c.millisecond < 1000;
}

DateTime fromCivil(const CivilDateTime& c) {
  const long long d = daysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)) +
                      kJetEpochFromUnix;
  const long long ms = ((static_cast<long long>(c.hour) * 60 + c.minute) * 60 + c.second) * 1000 + c.millisecond;
  const double t = static_cast<double>(ms) / static_cast<double>(kMsPerDay);
  return DateTime{d >= 0 ? static_cast<double>(d) + t : static_cast<double>(d) - t};
}

std::string toIsoString(DateTime value) {
  const CivilDateTime c = toCivil(value);
  char buf[48];
  if (c.millisecond != 0) {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", c.year, c.month, c.day, c.hour,
                  c.minute, c.second, c.millisecond);
  } else {
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute,
                  c.second);
  }
  return buf;
}

}  // namespace jet
