// The seam between the row writer and the B-tree code. Every row write calls
// the table's IndexMaintenance inside the same write scope (so the pager is in a
// write transaction and modify/allocatePage/freePage may be used), after the
// row's bytes are placed and before the write is final: an exception (a
// duplicate key: Constraint, naming the index and the value) undoes the whole
// write, the row included.
//
// Row values are in Table::columns() order, already converted to each column's
// type (text as Text, memo as Text, OLE as Binary, ...); booleans are never Null.
// RowIds never change while a row lives, even when an update moves its bytes.
// The maintenance keeps every real index of the table: entries, page splits and
// merges, the index's usage map (its pages; allocate and free them through the
// pager and UsageMapWriter) and the unique-key counts of the definition (write
// them with writeDefinitionBytes, table_definition_writer.h).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "table/table_impl.h"

namespace jet {

// The entries of many rows removed together (a statement deleting many rows):
// each row is handed over as it goes, and at finish() its entries leave every
// real index, index by index in key order, so that a leaf losing many entries
// is rewritten once. Until finish() the indexes still hold the entries of rows
// already gone: nothing may read or change this table's indexes meanwhile.
class IndexRemovals {
 public:
  virtual ~IndexRemovals() = default;
  virtual void add(const std::vector<Value>& row, RowId id) = 0;
  virtual void finish() = 0;
};

class IndexMaintenance {
 public:
  virtual ~IndexMaintenance() = default;

  // Why the table's indexes cannot be kept (for example a text index in a sort
  // order whose key table is unknown); empty when they can. A table with a
  // reason opens read-only and every write to it reports the reason.
  virtual std::string unsupportedReason(const Table::Impl& table) = 0;

  // A row was added at `id`: add its entries to every real index.
  virtual void insertRow(Table::Impl& table, const std::vector<Value>& row, RowId id) = 0;
  // The row at `id` is about to go: remove its entries.
  virtual void removeRow(Table::Impl& table, const std::vector<Value>& row, RowId id) = 0;
  // Removals of many rows' entries at once (see IndexRemovals). By default
  // each row's entries go as it is added, through removeRow.
  virtual std::unique_ptr<IndexRemovals> beginRemovals(Table::Impl& table);
  // The row at `id` changed from `before` to `after`: move the entries of every
  // real index whose key changed.
  virtual void updateRow(Table::Impl& table, const std::vector<Value>& before, const std::vector<Value>& after,
                         RowId id) = 0;
  // Real index `realIndex` was just added to the definition with an empty root
  // leaf: fill it from the table's rows (and its unique count).
  virtual void buildIndex(Table::Impl& table, std::size_t realIndex) = 0;
};

// The B-tree code's implementation.
std::unique_ptr<IndexMaintenance> makeIndexMaintenance();

// Whether every text key column of the table's real indexes uses a sort order
// whose keys the engine can build (General, legacy version); empty when so,
// otherwise a reason naming the index and the sort order.
std::string unsupportedSortOrderReason(const Table::Impl& table);

}  // namespace jet
