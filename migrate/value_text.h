// Values as text for the targets: UTF-8, and the date text SQLite keeps (and
// defaults use). Exact: text arrives byte for byte, dates to the millisecond.
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

}  // namespace qbmigrate
