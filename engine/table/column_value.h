// Converting a caller's value to what a column stores: any value kind to the
// column's type, with Jet's rules where a conversion is lossy (numbers are
// rounded half to even, as the engine rounds) and clear refusals where it is
// impossible: a value that is not a number, a number out of the type's range,
// text longer than the field, a decimal with more digits than its precision.
#pragma once

#include <string>

#include "jet/table.h"
#include "jet/value.h"

namespace jet {

// Returns the value as the column stores it (Null stays Null; booleans never
// are). Throws InvalidArgument with a message naming `where` (e.g. "field 'Qty'
// of table 'Orders'"), the value and the reason.
Value convertToColumn(const Value& value, const ColumnDef& column, const std::string& where);

// A short form of a value for messages: text in quotes (cut after 40
// characters), numbers and dates as text, binary data by its size.
std::string describeValue(const Value& value);

// Latest and earliest dates Jet stores: 100-01-01 and 9999-12-31 23:59:59.
inline constexpr double kEarliestDate = -657434.0;
inline constexpr double kLatestDate = 2958465.999988426;

}  // namespace jet
