// Exact Decimal arithmetic with a 256-bit intermediate.
#include "value/decimal_math.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "value/number_text.h"
#include "value/value_error.h"

namespace jet {

namespace {

__extension__ using U128 = unsigned __int128;
__extension__ using I128 = __int128;

constexpr int kMaxScale = 28;

U128 pow10(int n) {
  U128 v = 1;
  for (int i = 0; i < n; ++i) v *= 10;
  return v;
}

// Unsigned 256-bit integer, four 64-bit limbs, least significant first.
struct U256 {
  std::array<std::uint64_t, 4> limb{};

  static U256 of(U128 v) {
    U256 r;
    r.limb[0] = static_cast<std::uint64_t>(v);
    r.limb[1] = static_cast<std::uint64_t>(v >> 64);
    return r;
  }
  bool isZero() const { return (limb[0] | limb[1] | limb[2] | limb[3]) == 0; }
  bool fits128() const { return limb[2] == 0 && limb[3] == 0; }
  U128 low128() const { return (static_cast<U128>(limb[1]) << 64) | limb[0]; }

  void mulSmall(std::uint64_t m) {
    U128 carry = 0;
    for (auto& l : limb) {
      const U128 p = static_cast<U128>(l) * m + carry;
      l = static_cast<std::uint64_t>(p);
      carry = p >> 64;
    }
  }
  // Divides in place; returns the remainder.
  std::uint64_t divSmall(std::uint64_t d) {
    U128 rem = 0;
    for (int i = 3; i >= 0; --i) {
      const U128 cur = (rem << 64) | limb[static_cast<std::size_t>(i)];
      limb[static_cast<std::size_t>(i)] = static_cast<std::uint64_t>(cur / d);
      rem = cur % d;
    }
    return static_cast<std::uint64_t>(rem);
  }
  bool bit(int i) const { return (limb[static_cast<std::size_t>(i / 64)] >> (i % 64)) & 1u; }
};

U256 multiply(U128 a, U128 b) {
  const std::uint64_t a0 = static_cast<std::uint64_t>(a), a1 = static_cast<std::uint64_t>(a >> 64);
  const std::uint64_t b0 = static_cast<std::uint64_t>(b), b1 = static_cast<std::uint64_t>(b >> 64);
  U256 r;
  auto addAt = [&](std::size_t at, U128 v) {
    for (std::size_t i = at; i < 4 && v != 0; ++i) {
      const U128 s = static_cast<U128>(r.limb[i]) + static_cast<std::uint64_t>(v);
      r.limb[i] = static_cast<std::uint64_t>(s);
      v = (v >> 64) + (s >> 64);
    }
  };
  addAt(0, static_cast<U128>(a0) * b0);
  addAt(1, static_cast<U128>(a0) * b1);
  addAt(1, static_cast<U128>(a1) * b0);
  addAt(2, static_cast<U128>(a1) * b1);
  return r;
}

// Quotient of a 256-bit number by a non-zero 128-bit one (shift and subtract);
// `remainderNonZero` tells whether anything was left over.
U256 divide(const U256& n, U128 d, bool& remainderNonZero) {
  U256 q;
  U128 rem = 0;
  for (int i = 255; i >= 0; --i) {
    const bool top = (rem >> 127) != 0;
    rem = (rem << 1) | (n.bit(i) ? 1u : 0u);
    if (top || rem >= d) {
      rem -= d;
      q.limb[static_cast<std::size_t>(i / 64)] |= std::uint64_t{1} << (i % 64);
    }
  }
  remainderNonZero = rem != 0;
  return q;
}

// Brings a wide magnitude with a scale into a Decimal, rounding half to even and
// dropping fraction digits while it has more than 28 digits or 28 decimals.
// `sticky` says digits already discarded were not all zero.
Decimal fit(U256 mag, int scale, bool negative, bool sticky = false) {
  const U256 limit = U256::of(pow10(28));
  auto tooBig = [&](const U256& m) {
    for (int i = 3; i >= 0; --i) {
      const auto k = static_cast<std::size_t>(i);
      if (m.limb[k] != limit.limb[k]) return m.limb[k] > limit.limb[k];
    }
    return true;  // equal to 10^28
  };
  std::uint64_t lastDigit = 0;
  bool dropped = false;
  while (scale > kMaxScale || (scale > 0 && tooBig(mag))) {
    if (dropped) sticky = sticky || lastDigit != 0;
    lastDigit = mag.divSmall(10);
    dropped = true;
    --scale;
  }
  if (dropped && (lastDigit > 5 || (lastDigit == 5 && (sticky || (mag.limb[0] & 1u) != 0)))) {
    U256 one = U256::of(1);
    U128 carry = 0;
    for (std::size_t i = 0; i < 4; ++i) {
      const U128 s = static_cast<U128>(mag.limb[i]) + one.limb[i] + carry;
      mag.limb[i] = static_cast<std::uint64_t>(s);
      carry = s >> 64;
    }
    if (scale > 0 && tooBig(mag)) {
      mag.divSmall(10);  // 99..9 rounded up to 10^28: one digit less, exactly
      --scale;
    }
  }
  if (tooBig(mag)) throw ValueError("Overflow");
  Decimal d;
  d.magnitude = mag.low128();
  d.scale = static_cast<std::uint8_t>(scale);
  d.negative = negative;
  return d.normalise();
}

// Magnitudes of a and b at a common scale.
struct Aligned {
  U256 a, b;
  int scale;
};

Aligned align(const Decimal& a, const Decimal& b) {
  Aligned r{U256::of(a.magnitude), U256::of(b.magnitude), std::max(a.scale, b.scale)};
  for (int s = a.scale; s < r.scale; ++s) r.a.mulSmall(10);
  for (int s = b.scale; s < r.scale; ++s) r.b.mulSmall(10);
  return r;
}

int compareWide(const U256& a, const U256& b) {
  for (int i = 3; i >= 0; --i) {
    const auto k = static_cast<std::size_t>(i);
    if (a.limb[k] != b.limb[k]) return a.limb[k] < b.limb[k] ? -1 : 1;
  }
  return 0;
}

U256 subtractWide(const U256& a, const U256& b) {  // a >= b
  U256 r;
  std::uint64_t borrow = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const U128 lhs = a.limb[i];
    const U128 rhs = static_cast<U128>(b.limb[i]) + borrow;
    r.limb[i] = static_cast<std::uint64_t>(lhs - rhs);
    borrow = lhs < rhs ? 1 : 0;
  }
  return r;
}

U256 addWide(const U256& a, const U256& b) {
  U256 r;
  U128 carry = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const U128 s = static_cast<U128>(a.limb[i]) + b.limb[i] + carry;
    r.limb[i] = static_cast<std::uint64_t>(s);
    carry = s >> 64;
  }
  return r;
}

Decimal addSigned(const Decimal& a, const Decimal& b, bool negateB) {
  const bool bNeg = negateB ? !b.negative : b.negative;
  Aligned x = align(a, b);
  if (a.negative == bNeg) return fit(addWide(x.a, x.b), x.scale, a.negative);
  const int c = compareWide(x.a, x.b);
  if (c >= 0) return fit(subtractWide(x.a, x.b), x.scale, a.negative);
  return fit(subtractWide(x.b, x.a), x.scale, bNeg);
}

Decimal dropTrailingZeros(Decimal d) {
  while (d.scale > 0 && d.magnitude % 10 == 0) {
    d.magnitude /= 10;
    --d.scale;
  }
  return d;
}

}  // namespace

Decimal decimalFromInteger(std::int64_t value) {
  Decimal d;
  d.negative = value < 0;
  d.magnitude = value < 0 ? static_cast<U128>(-(static_cast<I128>(value))) : static_cast<U128>(value);
  return d;
}

Decimal decimalFromCurrency(Currency value) {
  Decimal d = decimalFromInteger(value.units);
  d.scale = 4;
  return dropTrailingZeros(d);
}

Decimal decimalFromDouble(double value) {
  if (!std::isfinite(value)) throw ValueError("Overflow");
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.14e", value);
  std::u16string text;
  for (const char* p = buf; *p != 0; ++p) text.push_back(static_cast<char16_t>(*p));
  auto parsed = parseDecimalText(text);
  if (parsed) return dropTrailingZeros(*parsed);
  // Too many decimals for 28 places (a tiny value) or too large.
  if (std::fabs(value) < 1) return Decimal{};
  throw ValueError("Overflow");
}

double decimalToDouble(const Decimal& value) {
  const double m = static_cast<double>(value.magnitude) / std::pow(10.0, value.scale);
  return value.negative ? -m : m;
}

Currency decimalToCurrency(const Decimal& value) {
  Decimal r = roundDecimal(value, 4, Rounding::HalfEven);
  U128 mag = r.magnitude * pow10(4 - r.scale);
  const U128 limit = static_cast<U128>(INT64_MAX) + (r.negative ? 1 : 0);
  if (mag > limit) throw ValueError("Overflow");
  Currency c;
  c.units = r.negative ? static_cast<std::int64_t>(-static_cast<I128>(mag)) : static_cast<std::int64_t>(mag);
  return c;
}

int compareDecimal(const Decimal& a, const Decimal& b) {
  const bool aNeg = a.negative && a.magnitude != 0;
  const bool bNeg = b.negative && b.magnitude != 0;
  if (aNeg != bNeg) return aNeg ? -1 : 1;
  Aligned x = align(a, b);
  const int c = compareWide(x.a, x.b);
  return aNeg ? -c : c;
}

Decimal addDecimal(const Decimal& a, const Decimal& b) { return addSigned(a, b, false); }
Decimal subtractDecimal(const Decimal& a, const Decimal& b) { return addSigned(a, b, true); }

Decimal multiplyDecimal(const Decimal& a, const Decimal& b) {
  return fit(multiply(a.magnitude, b.magnitude), a.scale + b.scale, a.negative != b.negative);
}

Decimal divideDecimal(const Decimal& a, const Decimal& b) {
  if (b.magnitude == 0) throw ValueError("Division by zero");
  // Scale the dividend up so the quotient carries 28 decimals and one more digit to round.
  int k = kMaxScale + 1 - a.scale + b.scale;
  if (k > 38) k = 38;
  U256 n = multiply(a.magnitude, pow10(k));
  bool rest = false;
  U256 q = divide(n, b.magnitude, rest);
  return dropTrailingZeros(fit(q, a.scale - b.scale + k, a.negative != b.negative, rest));
}

Decimal negateDecimal(Decimal value) {
  value.negative = !value.negative;
  return value.normalise();
}

Decimal roundDecimal(const Decimal& value, int scale, Rounding mode) {
  if (value.scale <= scale) return value;
  const U128 unit = pow10(value.scale - scale);
  U128 q = value.magnitude / unit;
  const U128 rem = value.magnitude % unit;
  const U128 half = unit / 2;
  bool up = false;
  switch (mode) {
    case Rounding::HalfEven: up = rem > half || (rem == half && (q & 1) != 0); break;
    case Rounding::HalfAwayFromZero: up = rem >= half; break;
    case Rounding::TowardZero: up = false; break;
    case Rounding::Floor: up = value.negative && rem != 0; break;
  }
  if (up) ++q;
  Decimal d;
  d.magnitude = q;
  d.scale = static_cast<std::uint8_t>(scale);
  d.negative = value.negative;
  return d.normalise();
}

Decimal rescaleDecimal(const Decimal& value, int scale) {
  Decimal d = roundDecimal(value, scale, Rounding::HalfEven);
  const U128 limit = pow10(28);
  for (; d.scale < scale; ++d.scale) {
    if (d.magnitude >= limit / 10) throw ValueError("Overflow");
    d.magnitude *= 10;
  }
  return d;
}

}  // namespace jet
