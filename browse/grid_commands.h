// Commands on the main window's grid itself: View ▸ "Adjust column width"
// and the grid's row shading, which its cell-painting handler asks for.
#pragma once

class DataGrid;
class GridColumns;
struct GridCell;

namespace qb {

class DataSet;

// The selected column becomes 100 pixels wide.
void adjustColumnWidth(GridColumns& columns);

// Paints `cell` again on the shaded background when its record has an even
// number: red 213, green 234, blue 255. Nothing for the current cell, while a
// filter is on (even an empty one), or while a record is inserted (every row
// then counts as odd).
void shadeEvenRows(DataGrid& grid, const DataSet& data, const GridCell& cell);

}  // namespace qb
