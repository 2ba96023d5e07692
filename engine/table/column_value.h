// Converting a caller's value to what a column stores: the value layer's cast
// to the column's type (Jet's rounding, half to even, and ranges; text read in
// the engine API's ISO forms), then the column's own rules: a Yes/No field is
// never Null, Double and Single fields hold finite numbers, dates lie within
// the years 100 to 9999, a Numeric field keeps its scale and precision, and
// text and binary values fit the field's length.
#pragma once

#include <string>

#include "jet/table.h"
#include "jet/value.h"

namespace jet {

// Returns the value as the column stores it (Null stays Null; booleans never
// are). Throws InvalidArgument with a message naming `where` (e.g. "field 'Qty'
// of table 'Orders'"), the value and the reason.
Value convertToColumn(const Value& value, const ColumnDef& column, const std::string& where);

}  // namespace jet
