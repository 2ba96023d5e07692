// Operations on values with Jet's semantics: conversions between types (all of
// them the one cast of value_cast.h), the arithmetic, text and comparison
// operators, and truth for the logical ones. Failures throw ValueError ("Data
// type mismatch ...", "Overflow", "Division by zero", "Invalid use of Null").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "jet/value.h"
#include "jet/value_text.h"
#include "value/binary_op.h"
#include "value/value_cast.h"

namespace jet {

// Three-valued truth: the result of a comparison or logical operator.
enum class Tri : std::uint8_t { False, True, Null };

inline Tri triOf(bool b) { return b ? Tri::True : Tri::False; }
Value valueOf(Tri t);

// The single place text is ordered for comparisons, Like ranges, InStr and
// StrComp: Jet compares text without regard to case.
int compareText(std::u16string_view a, std::u16string_view b);
bool equalText(std::u16string_view a, std::u16string_view b);

ValueKind kindOf(DataType type) noexcept;  // the kind of a column's values (factsOf(type).kind)
bool isNumberKind(ValueKind kind) noexcept;  // Byte, Integer, Long, Currency, Single, Double, Decimal
bool isIntegerKind(ValueKind kind) noexcept; // Byte, Integer, Long

// What a value is called in messages: "Text 'abc'", "Long 5", "Null".
std::string describeValue(const Value& v);
// A short form of a value for messages about stored data: text in quotes (cut
// after 40 characters), numbers and dates as text, binary data by its size.
std::string quotedValue(const Value& v);

// --- Conversions (Null is the caller's business unless said otherwise) ---

// A number's value as a double; Boolean is -1/0, a date its day number, text
// must read as a number.
double toDouble(const Value& v);
// The text form Jet gives a value (CStr): "True", "1.5", "1/5/2003 10:30:00 AM";
// Null gives "".
std::u16string toText(const Value& v);
// The same in a locale's conventions (decimal separator, date patterns).
std::u16string toText(const Value& v, const TextLocale& locale);
// Truth of a value used as a condition: Null is Null, numbers are True unless 0,
// text must be "True", "False" or a number.
Tri truth(const Value& v);
// A date from a date, a number (day number) or text in a date form.
DateTime toDateTime(const Value& v);
// A whole number, rounded half to even as Jet rounds, within -2^31..2^31-1
// unless `wide`; Overflow otherwise.
std::int64_t toWholeNumber(const Value& v, bool wide = false);

// The conversion functions CBool, CByte, CInt, CLng, CCur, CSng, CDbl, CDec,
// CDate, CStr (tryCast under Jet's own conventions): Null raises "Invalid use of
// Null"; out of range raises "Overflow".
Value castTo(const Value& v, ValueKind target);

// Reads text as a value of `kind` exactly (no rounding of numbers; tryCast with
// exactText and the Yes/No words): nullopt when it does not convert. Text takes
// the text as it is.
std::optional<Value> textAs(std::u16string_view text, ValueKind kind, DateOrder order);
std::optional<Value> textAs(std::u16string_view text, ValueKind kind, const TextLocale& locale);

// --- Operators ---

// ^ * / \ Mod + - & (Null propagates, except that & treats Null as "").
Value arithmetic(BinaryOp op, const Value& a, const Value& b);
Value negate(const Value& v);

// Orders two values: numbers by value across types, text without case, dates by
// time, text against a number or date by reading the text as one (text that is
// not a number orders after every number). Null gives nullopt.
std::optional<int> compareValues(const Value& a, const Value& b);
Tri compare(BinaryOp op, const Value& a, const Value& b);
Tri applyComparison(BinaryOp op, int order);

// And Or Xor Eqv Imp over three-valued truth.
Tri logical(BinaryOp op, Tri a, Tri b);

// Longest text an operation may build (64 Mi characters): beyond it a result
// fails with "Out of string space" instead of exhausting memory.
constexpr std::size_t kMaxTextLength = std::size_t{1} << 26;
void checkTextLength(std::size_t length);

// A Jet date is within years 100..9999.
bool isDateInRange(double days);

}  // namespace jet
