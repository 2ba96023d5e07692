// Numbers as text: reading what a person typed the way Jet's conversions do,
// and writing numbers the way Jet turns them into text (CStr, &).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "jet/value.h"

namespace jet {

// Reads a number: blanks around it, an optional sign, digits with optional ','
// group separators, an optional fraction and exponent (E or D), or &H / &O
// hexadecimal and octal integers. The whole text must be the number. A number
// too small for a double reads as 0; one too large does not read.
std::optional<double> parseNumberText(std::u16string_view text);

// The same forms (without &H/&O), read exactly: nullopt when the value needs
// more than 28 digits after the point or 28 significant digits.
std::optional<Decimal> parseDecimalText(std::u16string_view text);

// Whether the text has the form of a number (even one no type can hold).
bool isNumberText(std::u16string_view text);

// The text with the decimal separator `separator` read as '.': where it is not
// '.', a text without '.' has its separators replaced (so "4,2" is 4.2 where ','
// is the decimal separator, and not 42); other texts are left as they are.
// Gives `text` itself, or `buffer` holding the changed copy.
std::u16string_view withDecimalPoint(std::u16string_view text, char16_t separator, std::u16string& buffer);

// CStr's text: up to 15 (Double) or 7 (Single) significant digits, with an
// exponent ("1E+15", "1.5E-07") for very large and very small magnitudes
// (floatText in jet/value_text.h with kJetDoubleText and kJetSingleText).
std::string formatDouble(double value);
std::string formatSingle(float value);
// Exact, without trailing zeros in the fraction ("1.5", "-3", "0.0001").
std::string formatCurrency(Currency value);
std::string formatDecimal(const Decimal& value);

}  // namespace jet
