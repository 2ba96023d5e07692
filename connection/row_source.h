// RowSource: where a dataset's rows come from — a table or a query's result.
// The dataset keeps an array of row locators (its view) and asks the source
// for the rows and values it needs; every change goes back through it.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/expression.h"
#include "jet/table.h"
#include "jet/value.h"

namespace qb {

class RowSource {
 public:
  virtual ~RowSource() = default;

  // The columns, in the source's order. Stable while the source lives.
  virtual const std::vector<jet::ColumnDef>& columns() const = 0;

  // Locators of every row in the natural order.
  virtual std::vector<jet::RowId> rowIds() = 0;
  // Rows the last rowIds() left out because they could not be read.
  virtual std::size_t unreadableRows() const { return 0; }

  // All values of one row, in column order (out is resized).
  virtual void readRow(jet::RowId row, std::vector<jet::Value>& out) = 0;
  // One value of one row.
  virtual jet::Value readValue(jet::RowId row, std::size_t column) = 0;

  // The rows in the order of an index that matches `keys` exactly (columns and
  // directions), ties in natural order, or nullopt when there is none or it
  // cannot be used. Rows the index leaves out make it unusable.
  virtual std::optional<std::vector<jet::RowId>> rowIdsInOrder(std::span<const jet::SortKey> keys) {
    (void)keys;
    return std::nullopt;
  }

  // Whether the source changed since the last call by writes it did not make
  // itself (another program's commit, or another dataset's or statement's of
  // this program): its locators may name other rows now, or none. False for
  // a source that cannot tell.
  virtual bool followChanges() { return false; }
  // Columns whose values identify a row (a primary key's); empty when there
  // are none.
  virtual std::vector<std::size_t> keyColumns() const { return {}; }

  // Whether rows may be inserted, changed and deleted, and if not, why (for
  // people: "the database is opened read-only", ...).
  virtual bool canModify() const = 0;
  virtual std::string readOnlyReason() const { return {}; }
  // The error an attempt to change the rows of a source that cannot be
  // modified fails with; empty: the dataset's own read-only message.
  virtual std::string refusedChangeMessage() const { return {}; }
  // Whether a column's values cannot be set even where rows can be changed
  // (a computed column of a query's result).
  virtual bool columnReadOnly(std::size_t column) const {
    (void)column;
    return false;
  }
  // Writes; values are converted to the column types and written back (so an
  // autonumber appears in them). Errors are the engine's, unchanged.
  virtual jet::RowId insertRow(std::vector<jet::Value>& values) = 0;
  virtual void updateRow(jet::RowId row, std::vector<jet::Value>& values) = 0;
  virtual void deleteRow(jet::RowId row) = 0;
};

}  // namespace qb
