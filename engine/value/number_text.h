// Numbers as text: reading what a person typed the way Jet's conversions do,
// and writing numbers the way Jet turns them into text (CStr, &).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "jet/value.h"

namespace jet::sql {

// Reads a number: blanks around it, an optional sign, digits with optional ','
// group separators, an optional fraction and exponent (E or D), or &H / &O
// hexadecimal and octal integers. The whole text must be the number.
std::optional<double> parseNumberText(std::u16string_view text);

// The same forms (without &H/&O), read exactly: nullopt when the value needs
// more than 28 digits after the point or 28 significant digits.
std::optional<Decimal> parseDecimalText(std::u16string_view text);

// Shortest text of up to 15 (Double) or 7 (Single) significant digits, with an
// exponent ("1E+15", "1.5E-07") for very large and very small magnitudes.
std::string formatDouble(double value);
std::string formatSingle(float value);
// Exact, without trailing zeros in the fraction ("1.5", "-3", "0.0001").
std::string formatCurrency(Currency value);
std::string formatDecimal(const Decimal& value);

}  // namespace jet::sql
