// The one cast between value kinds, with Jet's rounding and range rules and
// text read and written under a locale. The expression code (castTo), typed
// input (textAs, valueFromText) and row writes (convertToColumn) are this cast
// with their own rules and wording, so a value cannot round or parse
// differently depending on the path it came by.
#pragma once

#include <cstdint>

#include "jet/value.h"
#include "jet/value_text.h"

namespace jet {

// Why a value does not convert.
enum class CastFailure : std::uint8_t {
  None,
  NotANumber,      // text that does not read as a number, or binary data
  NotFinite,       // an infinite or NaN floating point value where a whole or exact number is wanted
  OutOfRange,      // a number outside the target's range
  NotADate,        // text that does not read as a date, or binary data
  DateOutOfRange,  // a date outside the years 100 to 9999
  NotBoolean,      // text that is not True/False (or a number), binary data
  NotAGuid,        // text that is not a GUID, a value that cannot be one
  NotBinary,       // a value other than bytes or a GUID where bytes are wanted
};

struct CastRules {
  const TextLocale* locale = &TextLocale::jetDefault();  // how text reads and is written
  // Text must read as the type as it stands: whole numbers and currency are
  // not rounded, and a number is not a date. What a person types for Locate.
  bool exactText = false;
  // Yes/No and On/Off read as Booleans, besides True/False.
  bool yesNoWords = false;
};

struct CastResult {
  Value value;  // Null when the cast failed
  CastFailure failure = CastFailure::None;
};

// Converts a non-Null value to `target`: numbers rounded half to even where the
// target holds fewer decimals (whole numbers, Currency's four), within the
// target's range; floating point values become exact numbers through their 15
// significant digits; text is read under the rules' locale; Booleans are -1 and
// 0 as numbers; dates are day numbers. Text becomes what CStr makes of a value,
// in the locale's conventions. Null gives Null.
CastResult tryCast(const Value& v, ValueKind target, const CastRules& rules = {});

}  // namespace jet
