// Values: one tagged type for every Jet data type. Text keeps Jet's UTF-16 code
// units; currency and decimals are exact integers with a scale; dates are Jet's
// day numbers.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "jet/data_type.h"

namespace jet {

using Bytes = std::vector<std::uint8_t>;
__extension__ using UInt128 = unsigned __int128;

// Currency: a signed count of 1/10 000 units (1.0000 is 10 000).
struct Currency {
  std::int64_t units = 0;
  friend auto operator<=>(const Currency&, const Currency&) = default;
  // Exact text, always with four decimals and '.' ("-1.2345", "0.0000").
  std::string toString() const;
  // Parses "[-+]digits[.digits]" (at most 4 decimals, no exponent); nullopt on error or overflow.
  static std::optional<Currency> parse(std::string_view text);
};

// Date/Time: days since 1899-12-30 (day 0); the fraction is the time of day. For
// negative values the fraction is still the time after midnight of that day
// (-1.25 is 1899-12-29 06:00), as Jet stores it.
struct DateTime {
  double days = 0;
  friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

// A calendar date and time in the proleptic Gregorian calendar.
struct CivilDateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  friend bool operator==(const CivilDateTime&, const CivilDateTime&) = default;
};

// Converts a Jet day number to a calendar date and time, rounded to the millisecond.
CivilDateTime toCivil(DateTime value);
// Converts a calendar date and time to a Jet day number (no range check beyond
// the fields' own ranges; see isValidCivil).
DateTime fromCivil(const CivilDateTime& civil);
bool isValidCivil(const CivilDateTime& civil);
// ISO 8601 text: "YYYY-MM-DDTHH:MM:SS" (with ".mmm" when milliseconds are not zero).
std::string toIsoString(DateTime value);

// GUID in the Windows in-memory layout Jet stores: Data1 (LE u32), Data2 (LE u16),
// Data3 (LE u16), then 8 bytes in order.
struct Guid {
  std::array<std::uint8_t, 16> bytes{};
  friend auto operator<=>(const Guid&, const Guid&) = default;
  // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
  std::string toString() const;
  // Accepts the form above with or without braces, any case.
  static std::optional<Guid> parse(std::string_view text);
};

// Decimal (Numeric): sign and an unsigned 128-bit magnitude scaled by 10^scale.
// Jet limits precision to 28 digits, so the magnitude stays below 10^28.
struct Decimal {
  UInt128 magnitude = 0;
  std::uint8_t scale = 0;
  bool negative = false;  // never set for a zero magnitude after normalise()
  friend bool operator==(const Decimal&, const Decimal&) = default;
  // Exact text with exactly `scale` decimals ("-36.222200", "0.00").
  std::string toString() const;
  // Parses "[-+]digits[.digits]"; the result keeps the text's own scale.
  static std::optional<Decimal> parse(std::string_view text);
  // Number of significant integer and fraction digits (at least 1).
  int digitCount() const;
  Decimal& normalise();  // clears the sign of zero
};

const char* valueKindName(ValueKind kind) noexcept;

// A value of any Jet type, or Null. Memo values are Text and OLE values are
// Binary. The alternatives of Storage are in ValueKind order.
class Value {
 public:
  using Storage = std::variant<std::monostate, bool, std::uint8_t, std::int16_t, std::int32_t,
                               Currency, float, double, DateTime, std::u16string, Bytes, Guid,
                               Decimal>;

  Value() = default;

  static Value null() { return Value(); }
  static Value boolean(bool v) { return Value(Storage(std::in_place_index<1>, v)); }
  static Value byte(std::uint8_t v) { return Value(Storage(std::in_place_index<2>, v)); }
  static Value integer(std::int16_t v) { return Value(Storage(std::in_place_index<3>, v)); }
  static Value longInt(std::int32_t v) { return Value(Storage(std::in_place_index<4>, v)); }
  static Value currency(Currency v) { return Value(Storage(std::in_place_index<5>, v)); }
  static Value single(float v) { return Value(Storage(std::in_place_index<6>, v)); }
  static Value dbl(double v) { return Value(Storage(std::in_place_index<7>, v)); }
  static Value dateTime(DateTime v) { return Value(Storage(std::in_place_index<8>, v)); }
  static Value text(std::u16string v) { return Value(Storage(std::in_place_index<9>, std::move(v))); }
  static Value binary(Bytes v) { return Value(Storage(std::in_place_index<10>, std::move(v))); }
  static Value guid(Guid v) { return Value(Storage(std::in_place_index<11>, v)); }
  static Value decimal(Decimal v) { return Value(Storage(std::in_place_index<12>, v)); }

  ValueKind kind() const noexcept { return static_cast<ValueKind>(v_.index()); }
  bool isNull() const noexcept { return v_.index() == 0; }

  // Typed access; the kind must match (checked with std::get).
  bool asBoolean() const { return std::get<1>(v_); }
  std::uint8_t asByte() const { return std::get<2>(v_); }
  std::int16_t asInteger() const { return std::get<3>(v_); }
  std::int32_t asLong() const { return std::get<4>(v_); }
  Currency asCurrency() const { return std::get<5>(v_); }
  float asSingle() const { return std::get<6>(v_); }
  double asDouble() const { return std::get<7>(v_); }
  DateTime asDateTime() const { return std::get<8>(v_); }
  const std::u16string& asText() const { return std::get<9>(v_); }
  const Bytes& asBinary() const { return std::get<10>(v_); }
  const Guid& asGuid() const { return std::get<11>(v_); }
  const Decimal& asDecimal() const { return std::get<12>(v_); }

  const Storage& storage() const noexcept { return v_; }

  // Same kind and same contents (floating point by value; Null equals Null).
  friend bool operator==(const Value&, const Value&) = default;

 private:
  explicit Value(Storage s) : v_(std::move(s)) {}
  Storage v_;
};

}  // namespace jet
