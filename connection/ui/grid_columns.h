// GridColumns: the columns the current table is shown in, as the commands of
// every window see them. The main window's grid provides them; a command that
// walks, hides, sizes or moves to columns (export, copies, printing, the
// record view, Locate and Goto Column, Show / Hide Columns, Adjust column
// width) takes them through this interface, so that it can be run and tested
// on a plain list of columns without any grid.
//
// Columns are addressed by position from 0, hidden ones included, in the
// grid's left-to-right order; a column shows the field whose name is its
// FieldName, and its title text is that name. With no table open there is
// one column without a field (an empty FieldName). The list is rebuilt, all
// columns visible, whenever the table is opened again.
#pragma once

#include <QString>
#include <QStringList>

class GridColumns {
 public:
  virtual ~GridColumns() = default;

  // Number of columns, hidden ones included.
  virtual int count() const = 0;

  // The name of the field the column at `position` shows; empty for the
  // column of an empty grid and for a position out of range.
  virtual QString fieldName(int position) const = 0;

  // Whether the column is shown. Hiding and showing a column changes the
  // grid at once.
  virtual bool visible(int position) const = 0;
  virtual void setVisible(int position, bool visible) = 0;

  // Width in pixels; -1 for a hidden column. Setting the width of a hidden
  // column keeps it for when it is shown again.
  virtual int width(int position) const = 0;
  virtual void setWidth(int position, int width) = 0;

  // The selected column: the one holding the grid's current cell (0 when
  // there is no current cell).
  virtual int selected() const = 0;
  // Makes the column at `position` the selected one: the current cell moves
  // to it in the current record and is scrolled into view (a hidden column
  // takes the cell without showing it). Out of range: nothing happens.
  virtual void select(int position) = 0;
};

namespace qb {

// The FieldNames of the visible columns, in column order (the empty grid's
// column without a field gives none).
inline QStringList visibleFieldNames(const GridColumns& columns) {
  QStringList names;
  for (int position = 0; position < columns.count(); ++position) {
    const QString name = columns.fieldName(position);
    if (columns.visible(position) && !name.isEmpty()) names.append(name);
  }
  return names;
}

}  // namespace qb
