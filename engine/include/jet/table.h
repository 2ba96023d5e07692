// Table: one local table of an open database — its definition (columns and
// indexes) and its rows. Rows are named by RowId locators (data page, slot) that
// stay valid while the row lives; a table view is an array of them, so row N of a
// view is read in O(1) and the view costs 4 bytes per row.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/value.h"

namespace jet {

// Locates a row: data page number (24 bits) and slot (8 bits), packed as
// page * 256 + slot, the same packing Jet uses on disk.
struct RowId {
  std::uint32_t value = 0;
  static RowId of(std::uint32_t page, std::uint8_t slot) { return RowId{page << 8 | slot}; }
  std::uint32_t page() const { return value >> 8; }
  std::uint8_t slot() const { return static_cast<std::uint8_t>(value & 0xFF); }
  friend auto operator<=>(const RowId&, const RowId&) = default;
};

struct ColumnDef {
  std::u16string name;
  DataType type = DataType::Text;
  std::uint16_t number = 0;       // column number: null-mask bit, index key reference
  std::uint16_t length = 0;       // bytes as stored (Text: characterSize per character); 0 for Memo/OLE
  std::uint8_t characterSize = 2; // Text: bytes per character, 2 (Unicode) or 1 (Access 97 code page)
  std::uint8_t precision = 0;     // Numeric only
  std::uint8_t scale = 0;         // Numeric only
  bool fixedLength = false;       // value lives in the row's fixed area
  bool required = false;          // not nullable (from the column's properties or a required index)
  bool autoNumber = false;        // long autonumber from the table's counter
  bool guidAutoNumber = false;    // replication id generated on insert
  bool compressedUnicode = false; // text may be stored compressed
  bool hyperlink = false;         // memo shown as a link
  std::uint16_t sortOrder = 0;    // text and memo: LCID of the column's sort order
  // From the column's properties in the catalog:
  bool allowZeroLength = true;    // text and memo: "" may be stored
  std::u16string defaultValue;    // the default value's expression as Access keeps it; empty: none
  std::u16string validationRule;  // the validation rule's expression; empty: none

  bool autoIncrement() const { return autoNumber; }
  // Characters for Text, bytes for Binary, 0 for long values, the value size otherwise.
  std::uint32_t definedSize() const;
};

struct IndexColumn {
  std::uint16_t columnNumber = 0;
  std::size_t column = 0;  // position in Table::columns()
  bool ascending = true;
};

// A logical index (the named index a user sees); several can share one real
// index (the B-tree that holds the entries).
struct IndexDef {
  std::u16string name;
  std::uint32_t number = 0;        // logical index number
  std::uint32_t realIndex = 0;     // which B-tree holds the entries
  std::vector<IndexColumn> columns;
  bool unique = false;
  bool primaryKey = false;
  bool ignoreNulls = false;
  bool required = false;
  bool foreignKey = false;
  // Foreign keys only:
  std::uint32_t relatedTablePage = 0;   // definition page of the other table
  std::int32_t relatedIndexNumber = -1; // logical index number in the other table
  bool referencedSide = false;          // this table is the referenced (primary) side
  bool cascadeUpdates = false;
  bool cascadeDeletes = false;
  bool cascadeNull = false;
};

// How a scan treats rows it cannot read.
enum class ScanMode {
  Strict,   // the first damaged page or row raises a Corruption error
  Lenient,  // damaged rows are skipped and counted
};

struct ScanReport {
  std::size_t unreadableRows = 0;     // rows (or row slots) that could not be decoded
  std::size_t unreadablePages = 0;    // data pages that could not be read at all
  std::vector<std::string> problems;  // one line per problem, for people (capped)
};

class Table {
 public:
  ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  const std::u16string& name() const;
  std::uint32_t definitionPage() const;  // the table's identity in the file
  bool isSystem() const;

  // Columns in the table's order (Access shows them in column-number order).
  const std::vector<ColumnDef>& columns() const;
  // Position of a column by name (any case), or -1.
  int findColumn(std::u16string_view name) const;
  const std::vector<IndexDef>& indexes() const;

  // Counters stored in the definition (the row count can be stale).
  std::uint32_t storedRowCount() const;
  std::uint32_t autoNumberCounter() const;
  // What each new autonumber adds to the counter (1 unless the table was made
  // with COUNTER(seed, step); negative when the numbers count down).
  std::int32_t autoNumberStep() const;

  // Locators of every live row in storage order (data pages ascending, slots
  // ascending), found by walking the table's own data pages. Overflow targets are
  // not listed separately: a moved row keeps its original locator.
  std::vector<RowId> rowIds(ScanMode mode = ScanMode::Strict, ScanReport* report = nullptr) const;

  // Reads every column of one row into `out` (resized to columns().size()).
  // NotFound when the slot holds no live row; Corruption when it cannot be decoded.
  void readRow(RowId id, std::vector<Value>& out) const;
  std::vector<Value> readRow(RowId id) const;
  // Reads one column of one row.
  Value readValue(RowId id, std::size_t column) const;

  // Streams every live row in storage order; `visit` returns false to stop early.
  // The vector passed to `visit` is reused between rows.
  void scan(const std::function<bool(RowId, const std::vector<Value>&)>& visit,
            ScanMode mode = ScanMode::Strict, ScanReport* report = nullptr) const;

  // --- Index access ---

  // Locators of every row that has an entry in the index, in the index's order
  // (key bytes as stored, then row locator). Rows left out of an ignore-nulls index
  // are not listed.
  std::vector<RowId> rowIdsInIndexOrder(std::size_t index) const;
  // The first row (in index order) whose key columns equal `key` (one value per
  // index column, converted to the columns' types); nullopt when none.
  std::optional<RowId> findRow(std::size_t index, const std::vector<Value>& key) const;
  // Every row whose key columns start with `key`, in index order.
  std::vector<RowId> findRows(std::size_t index, const std::vector<Value>& key) const;

  // --- Writing ---
  // Each call is one write transaction (journaled, all or nothing) unless the
  // database has a transaction open, which it then joins (a failed call then
  // undoes only its own changes). Every real index, the usage maps, the row
  // count and the autonumber counter are kept in the same transaction. Fails
  // with ReadOnly on a read-only database or table.

  // Whether writes are refused, and why: the database is read-only, the table
  // is a system table (kept by the engine), it was dropped, or its indexes use
  // a sort order whose keys the engine cannot build.
  bool isReadOnly() const;
  std::string readOnlyReason() const;

  // Inserts a row. `values` holds one value per column in columns() order; each is
  // converted to its column's type (InvalidArgument naming the field and the value
  // when it cannot be, when text is longer than the field, on numeric overflow).
  // A Null long or GUID autonumber gets the next number or a new GUID, written back
  // into `values`. Constraint errors: a required field left empty, a zero-length
  // text where it is not allowed, a duplicate key in a unique index (naming the
  // index and the value), a missing parent row of an enforced relationship.
  RowId insertRow(std::vector<Value>& values);
  // Replaces the values of a live row (same conventions; converted values are
  // written back). The row keeps its RowId even when it has to move.
  void updateRow(RowId id, std::vector<Value>& values);
  // Deletes a live row; enforced relationships cascade or refuse as they say.
  void deleteRow(RowId id);

  // Implementation state (private to the engine).
  struct Impl;
  explicit Table(std::unique_ptr<Impl> impl);
  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace jet
