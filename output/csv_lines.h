// The lines of the CSV export: the texts of the visible columns' values of
// one record, joined by "," with no quoting, the line trimmed of blanks and
// control characters at both ends.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

class GridColumns;

namespace qb {

class DataSet;
class Field;

// The line of one record from the texts of its visible values, in column
// order: the texts joined by single commas, then every character of code 32
// or below removed from the start and the end of the line. Commas stay, so
// an empty last value leaves the line ending in ",". With no value at all the
// line is empty. The line is built in `buffer` (reused from line to line)
// and the answer looks into it.
std::u16string_view csvLine(std::span<const std::u16string> values, std::u16string& buffer);

// The fields of the visible grid columns, in the grid's order (hidden
// columns give nothing). A column whose field the dataset does not have
// fails with the dataset's "Field 'X' not found".
std::vector<const Field*> visibleFields(const DataSet& data, const GridColumns& columns);

}  // namespace qb
