// Column width and row shading of the main window's grid.
#include "browse/grid_commands.h"

#include <QColor>

#include "connection/data_set.h"
#include "connection/ui/data_grid.h"

namespace qb {

namespace {

constexpr int kAdjustedWidth = 100;
const QColor kShadedRow(213, 234, 255);

}  // namespace

void adjustColumnWidth(GridColumns& columns) {
  columns.setWidth(columns.selected(), kAdjustedWidth);
}

void shadeEvenRows(DataGrid& grid, const DataSet& data, const GridCell& cell) {
  if (cell.selected) return;
  if (data.filtered()) return;
  // Every row while a new record is inserted numbers -1: odd, unshaded.
  const int number = data.recordNumberOfRow(static_cast<std::size_t>(cell.row));
  if (number % 2 == 0) grid.setCanvasBackground(kShadedRow);
  grid.defaultDrawColumnCell(cell);
}

}  // namespace qb
