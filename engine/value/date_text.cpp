// Reading dates and times typed as text.
#include "value/date_text.h"

#include <array>
#include <cmath>
#include <vector>

#include "jet/text.h"

namespace jet {

namespace {

constexpr std::array<std::u16string_view, 12> kMonths = {u"JANUARY", u"FEBRUARY", u"MARCH",     u"APRIL",
                                                         u"MAY",     u"JUNE",     u"JULY",      u"AUGUST",
                                                         u"SEPTEMBER", u"OCTOBER", u"NOVEMBER", u"DECEMBER"};
constexpr std::array<std::u16string_view, 7> kWeekdays = {u"SUNDAY",   u"MONDAY", u"TUESDAY", u"WEDNESDAY",
                                                          u"THURSDAY", u"FRIDAY", u"SATURDAY"};

// Index of a name (at least its first three letters) in `names`, or -1.
template <std::size_t N>
int findName(std::u16string_view word, const std::array<std::u16string_view, N>& names) {
  if (word.size() < 3) return -1;
  for (std::size_t i = 0; i < N; ++i) {
    if (word.size() <= names[i].size() && equalNamesNoCase(word, names[i].substr(0, word.size()))) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

struct Number {
  int value = 0;
  int digits = 0;
};

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

int fullYear(const Number& n) {
  if (n.digits <= 2) return n.value < 30 ? 2000 + n.value : 1900 + n.value;
  return n.value;
}

class DateReader {
 public:
  DateReader(std::u16string_view text, DateOrder order, std::optional<int> currentYear)
      : t_(text), order_(order), currentYear_(currentYear) {}

  std::optional<CivilDateTime> read() {
    if (!scan()) return std::nullopt;
    if (meridiem_ != 0) {
      if (!hasTime_ || hour_ < 1 || hour_ > 12) return std::nullopt;
      hour_ = hour_ % 12 + (meridiem_ == 2 ? 12 : 0);
    }
    CivilDateTime c;
    if (!assignDate(c)) return std::nullopt;
    c.hour = hour_;
    c.minute = minute_;
    c.second = second_;
    c.millisecond = millisecond_;
    if (!isValidCivil(c)) return std::nullopt;
    return c;
  }

 private:
  bool readNumber(Number& n) {
    if (i_ >= t_.size() || !isDigit(t_[i_])) return false;
    n = {};
    while (i_ < t_.size() && isDigit(t_[i_])) {
      if (n.digits >= 9) return false;
      n.value = n.value * 10 + (t_[i_++] - u'0');
      ++n.digits;
    }
    return true;
  }

  // h:mm[:ss[.fff]] after the hour has been read.
  bool readTime(int hour) {
    if (hasTime_) return false;
    hasTime_ = true;
    hour_ = hour;
    Number n;
    ++i_;  // ':'
    if (!readNumber(n) || n.digits > 2) return false;
    minute_ = n.value;
    if (i_ < t_.size() && t_[i_] == u':') {
      ++i_;
      if (!readNumber(n) || n.digits > 2) return false;
      second_ = n.value;
      if (i_ + 1 < t_.size() && t_[i_] == u'.' && isDigit(t_[i_ + 1])) {
        ++i_;
        if (!readNumber(n)) return false;
        double fraction = n.value / std::pow(10.0, n.digits);
        millisecond_ = static_cast<int>(std::lround(fraction * 1000));
        if (millisecond_ > 999) millisecond_ = 999;
      }
    }
    return hour_ <= 23 && minute_ <= 59 && second_ <= 59;
  }

  bool scan() {
    bool lastWasSeparator = true;
    while (i_ < t_.size()) {
      const char16_t c = t_[i_];
      if (isDigit(c)) {
        Number n;
        if (!readNumber(n)) return false;
        if (i_ < t_.size() && t_[i_] == u':') {
          if (!readTime(n.value)) return false;
        } else if (nextWordIsMeridiem()) {
          if (hasTime_) return false;
          hasTime_ = true;
          hour_ = n.value;
        } else {
          numbers_.push_back(n);
        }
        lastWasSeparator = false;
        continue;
      }
      if (isLetter(c)) {
        const std::size_t start = i_;
        while (i_ < t_.size() && isLetter(t_[i_])) ++i_;
        if (!word(t_.substr(start, i_ - start))) return false;
        lastWasSeparator = false;
        continue;
      }
      if (c == u'/' || c == u'-' || c == u'.' || c == u',') {
        if (lastWasSeparator && c != u',') return false;
        lastWasSeparator = c != u',';
      } else if (c != u' ' && c != u'\t') {
        return false;
      }
      ++i_;
    }
    return true;
  }

  bool nextWordIsMeridiem() const {
    std::size_t j = i_;
    while (j < t_.size() && t_[j] == u' ') ++j;
    std::size_t k = j;
    while (k < t_.size() && isLetter(t_[k])) ++k;
    return meridiemOf(t_.substr(j, k - j)) != 0;
  }

  static int meridiemOf(std::u16string_view w) {
    if (equalNamesNoCase(w, u"AM") || equalNamesNoCase(w, u"A")) return 1;
    if (equalNamesNoCase(w, u"PM") || equalNamesNoCase(w, u"P")) return 2;
    return 0;
  }

  bool word(std::u16string_view w) {
    if (const int m = meridiemOf(w)) {
      if (meridiem_ != 0 || !hasTime_) return false;
      meridiem_ = m;
      return true;
    }
    if ((w == u"T" || w == u"t") && !hasTime_ && numbers_.size() == 3) return true;  // ISO date/time separator
    if (const int m = findName(w, kMonths); m >= 0) {
      if (month_ != 0) return false;
      month_ = m + 1;
      return true;
    }
    // A weekday name may lead ("Sunday, January 5, 2003").
    return findName(w, kWeekdays) >= 0 && numbers_.empty() && month_ == 0;
  }

  bool assignDate(CivilDateTime& c) {
    const std::size_t n = numbers_.size();
    if (month_ != 0) {
      c.month = month_;
      if (n == 2) {
        const bool yearFirst = numbers_[0].digits >= 3 || numbers_[0].value > 31;
        c.year = fullYear(numbers_[yearFirst ? 0 : 1]);
        c.day = numbers_[yearFirst ? 1 : 0].value;
        return true;
      }
      if (n == 1) {
        if (numbers_[0].digits >= 3 || numbers_[0].value > 31) {  // "Jan 2003"
          c.year = fullYear(numbers_[0]);
          c.day = 1;
          return true;
        }
        if (!currentYear_) return false;
        c.year = *currentYear_;
        c.day = numbers_[0].value;
        return true;
      }
      return false;
    }
    if (n == 0) {
      if (!hasTime_) return false;
      c = CivilDateTime{};  // day 0
      return true;
    }
    if (n == 3) {
      int y = 0, m = 0, d = 0;
      if (numbers_[0].digits >= 3 || numbers_[0].value > 31 || order_ == DateOrder::YearMonthDay) {
        y = 0, m = 1, d = 2;
      } else if (order_ == DateOrder::DayMonthYear) {
        d = 0, m = 1, y = 2;
      } else {
        m = 0, d = 1, y = 2;
      }
      c.year = fullYear(numbers_[static_cast<std::size_t>(y)]);
      c.month = numbers_[static_cast<std::size_t>(m)].value;
      c.day = numbers_[static_cast<std::size_t>(d)].value;
      if (c.month > 12 && c.day <= 12) std::swap(c.month, c.day);
      return true;
    }
    if (n == 2) {
      const Number& a = numbers_[0];
      const Number& b = numbers_[1];
      if (b.digits >= 3 || b.value > 31) {  // month and year: "1/2003"
        c.year = fullYear(b);
        c.month = a.value;
        c.day = 1;
        return true;
      }
      if (!currentYear_) return false;
      c.year = *currentYear_;
      const bool dayFirst = order_ == DateOrder::DayMonthYear;
      c.month = dayFirst ? b.value : a.value;
      c.day = dayFirst ? a.value : b.value;
      if (c.month > 12 && c.day <= 12) std::swap(c.month, c.day);
      return true;
    }
    return false;
  }

  std::u16string_view t_;
  DateOrder order_;
  std::optional<int> currentYear_;
  std::size_t i_ = 0;
  std::vector<Number> numbers_;
  int month_ = 0;
  bool hasTime_ = false;
  int hour_ = 0, minute_ = 0, second_ = 0, millisecond_ = 0;
  int meridiem_ = 0;  // 1 AM, 2 PM
};

}  // namespace

std::optional<CivilDateTime> readDateText(std::u16string_view text, DateOrder order,
                                          std::optional<int> currentYear) {
  return DateReader(text, order, currentYear).read();
}

std::optional<DateTime> parseDateText(std::u16string_view text, DateOrder order, std::optional<int> currentYear) {
  const auto c = readDateText(text, order, currentYear);
  if (!c || c->year < 100 || c->year > 9999) return std::nullopt;
  return fromCivil(*c);
}

}  // namespace jet
