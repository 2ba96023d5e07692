// Values in the text forms the targets read: PostgreSQL's COPY text format
// (one row per line, tab between columns, \N for Null) and the texts SQLite
// keeps for the types it has no storage class of its own for (dates,
// currency and decimals, GUIDs). Every form is exact: text arrives byte for
// byte as UTF-8, dates to the millisecond, currency and decimals with all
// their digits, floating-point numbers with the shortest digits that read
// back to the same number.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

#include "jet/value.h"

namespace qbmigrate {

// A value the target cannot hold as it is; the message says which and why.
class ValueError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "YYYY-MM-DD HH:MM:SS" with ".mmm" when there are milliseconds; `separator`
// goes between date and time. ValueError for a year outside 1-9999.
std::string dateTimeText(jet::DateTime value, char separator = ' ');

// Text as UTF-8. Unpaired UTF-16 surrogates (which UTF-8 cannot carry)
// become U+FFFD and are counted in `replaced`.
void appendUtf8(std::string& out, std::u16string_view text, std::size_t& replaced);

// Shortest round-trip digits of a floating-point number; "NaN", "Infinity",
// "-Infinity" for the special values.
void appendFloat(std::string& out, float value);
void appendDouble(std::string& out, double value);

// Appends one value in COPY text form (Null as \N; text and bytea escaped).
// ValueError for text holding U+0000, which PostgreSQL text cannot store.
void appendCopyValue(std::string& out, const jet::Value& value, std::size_t& replaced);

}  // namespace qbmigrate
