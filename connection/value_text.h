// The two text forms of a field value:
//
// - the general conversion (csvText), used where a value is written out as
//   plain data, e.g. the CSV export;
// - the field's own text form (fieldText), used for display and the clipboard.
//
// They agree except for dates and binary values:
//
//   value                      csvText                         fieldText
//   Null (any type)            ""                              ""
//   Text, Memo                 the text                        the text
//   Byte, Integer, Long        decimal digits, "-" if negative (both)
//   Single, Double             general format, at most 15 significant digits,
//                              the decimal separator, no grouping; exponent
//                              form below 0.00001 and from 1E15 on ("1E20", "1.5E-7") (both)
//   Currency, Decimal          exact digits, the decimal separator, no grouping,
//                              no trailing zeros ("12.5", "-0.0001") (both)
//   Boolean                    "True" / "False" (both)
//   GUID                       "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (both)
//   Date/Time                  short date + " " + long time;   ftDateTime: short date, then
//                              at midnight the date alone;     " " + long time unless midnight
//                              on day 0 (30/12/1899) the       (day 0 keeps its date);
//                              time alone                      ftDate: short date;
//                                                              ftTime: long time
//   ftBytes, ftVarBytes        error: "Could not convert       bytes as characters, cut
//                              variant of type (Array Byte)    at the first zero byte
//                              into type (String)"
//   ftBlob, ftGraphic (OLE)    bytes as characters, whole      bytes as characters, cut
//                                                              at the first zero byte
//
// Bytes become characters through the Windows-1252 code page (the code page of
// Western Jet files); bytes it leaves undefined map to the same code point.
//
// Single values are written with the fewest digits that read back as the same
// Single (so 1.1 stays "1.1" rather than the 15-digit expansion of its binary
// value).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "connection/field_def.h"
#include "connection/format_settings.h"
#include "jet/value.h"

namespace qb {

// The general conversion. Throws jet::Error (InvalidArgument) for a non-Null
// value of an ftBytes or ftVarBytes field.
std::u16string csvText(const jet::Value& value, TFieldType type, const FormatSettings& settings);

// The field's own text form. Never throws.
std::u16string fieldText(const jet::Value& value, TFieldType type, const FormatSettings& settings);

// Number texts on their own (used by both forms).
std::u16string floatText(double value, char16_t decimalSeparator);
std::u16string singleText(float value, char16_t decimalSeparator);
std::u16string currencyText(jet::Currency value, char16_t decimalSeparator);
std::u16string decimalText(const jet::Decimal& value, char16_t decimalSeparator);

// A value of a column's type from text a person typed (a grid cell, a Locate
// value): numbers with the user's decimal separator (or "."), dates in the
// order of the short date pattern, the rest as jet::valueFromText reads them.
// nullopt when the text does not convert or the type cannot be typed.
std::optional<jet::Value> valueFromUserText(std::u16string_view text, jet::DataType type,
                                            const FormatSettings& settings);

// Bytes as characters (Windows-1252), and back (characters outside it become '?').
std::u16string bytesAsText(const jet::Bytes& bytes);
jet::Bytes textAsBytes(std::u16string_view text);

}  // namespace qb
