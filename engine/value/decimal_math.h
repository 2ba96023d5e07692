// Exact arithmetic on Decimal values (a sign, a magnitude below 10^28 and a
// scale of at most 28), as Jet computes with its Decimal type. Results are
// rounded half to even to fit 28 digits; a result too large to fit raises an
// "Overflow" ValueError.
#pragma once

#include <cstdint>

#include "jet/value.h"

namespace jet {

Decimal decimalFromInteger(std::int64_t value);
Decimal decimalFromCurrency(Currency value);
// The double's 15 significant digits, as Jet converts it. Overflow when too large.
Decimal decimalFromDouble(double value);
double decimalToDouble(const Decimal& value);
// Rounded half to even to whole 1/10 000 units; Overflow when out of range.
Currency decimalToCurrency(const Decimal& value);

int compareDecimal(const Decimal& a, const Decimal& b);  // <0, 0, >0
Decimal addDecimal(const Decimal& a, const Decimal& b);
Decimal subtractDecimal(const Decimal& a, const Decimal& b);
Decimal multiplyDecimal(const Decimal& a, const Decimal& b);
// Division by zero raises a ValueError; trailing zeros of the quotient are dropped.
Decimal divideDecimal(const Decimal& a, const Decimal& b);
Decimal negateDecimal(Decimal value);

enum class Rounding { HalfEven, HalfAwayFromZero, TowardZero, Floor };
// The value with at most `scale` digits after the point (0..28).
Decimal roundDecimal(const Decimal& value, int scale, Rounding mode);
// The value with exactly `scale` digits after the point (0..28): rounded half
// to even, or padded with zeros; Overflow when that takes more than 28 digits.
Decimal rescaleDecimal(const Decimal& value, int scale);

}  // namespace jet
