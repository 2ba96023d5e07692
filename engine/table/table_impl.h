// Table internals: the stored definition, the public column and index
// descriptions, and the row access shared by rowIds, readRow and scan.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "format/long_value.h"
#include "format/property_blob.h"
#include "format/row_frame.h"
#include "format/table_definition.h"
#include "jet/error.h"
#include "jet/table.h"
#include "table/database_context.h"

namespace jet {

class RowWriter;
class WriteScope;

// How to find and decode one column of a row (one per entry of columns()).
struct ColumnPlan {
  DataType type = DataType::Text;
  std::uint16_t number = 0;
  std::uint16_t varSlot = 0;
  std::uint16_t fixedOffset = 0;
  std::uint16_t fixedSize = 0;  // bytes a fixed column occupies
  std::uint8_t scale = 0;
  bool fixed = false;
};

struct Table::Impl {
  std::shared_ptr<DatabaseContext> db;
  std::u16string name;
  bool system = false;
  bool dropped = false;  // the table was dropped (or its creation undone)
  TableDefinition definition;
  std::vector<PropertySet> properties;  // from the catalog; empty when the table has none
  std::vector<ColumnDef> columns;
  std::vector<IndexDef> indexes;
  std::vector<ColumnPlan> plans;

  // Reused between rows so that reading does not allocate per value.
  mutable LongValueReader longValues;
  mutable std::vector<std::uint8_t> scratch;

  Impl(std::shared_ptr<DatabaseContext> context, std::u16string tableName, bool isSystem, TableDefinition def,
       std::vector<PropertySet> props = {});
  ~Impl();

  // --- Writing (table_write.cpp). The public Table calls refuse system tables;
  // these do not, so the engine can keep its catalog with them. ---
  RowId insertRow(std::vector<Value>& values);
  void updateRow(RowId id, std::vector<Value>& values);
  // An UPDATE statement's write: the fields `fields` of a live row get
  // `values` (one each, moved from), the others keep theirs; the row is read
  // once. Refuses system tables, as the public Table calls do.
  void updateFields(RowId id, const std::vector<std::size_t>& fields, std::vector<Value>& values);
  void deleteRow(RowId id);
  // A DELETE statement's write: every row of `ids` (live, each once) goes as
  // deleteRow would take it, in one write scope, the rows' index entries
  // leaving the indexes together at the end. Refuses system tables.
  void deleteRows(const std::vector<RowId>& ids);
  // Why the table cannot be written (database read-only, table dropped, indexes
  // that cannot be kept); empty when it can.
  std::string readOnlyReason() const;
  // Every column of a live row, decoded.
  std::vector<Value> readValues(RowId id) const;
  // Whether `id` names a live row of the table (false once it is deleted).
  bool isLive(RowId id) const;
  RowWriter& writer();

  std::shared_ptr<RowWriter> rowWriter;        // made on the first write
  mutable std::optional<std::string> indexBlock;   // why the indexes cannot be kept (cached)

  // Reads the definition again (after a write was undone) and derives the
  // column and index descriptions anew.
  void reload();

  // Opens the table whose definition starts at `page`.
  static std::shared_ptr<Table> open(std::shared_ptr<DatabaseContext> context, std::uint32_t page,
                                     std::u16string name, bool system,
                                     std::vector<PropertySet> properties = {});

  // Streams the live rows of the owned data pages, following overflow pointers.
  // `read` gets each row's locator and bytes; a jet::Error it raises marks the
  // row unreadable (counted in `report` in lenient mode, thrown in strict mode).
  // Then `deliver` gets the locator, outside that handling, and returns false to
  // stop.
  void forEachRow(ScanMode mode, ScanReport* report, const std::function<void(RowId, ByteSpan)>& read,
                  const std::function<bool(RowId)>& deliver) const;

  // The bytes of a live row (after overflow pointers); NotFound when the slot
  // holds none. `holder` keeps the page alive.
  ByteSpan locate(RowId id, Page& holder) const;

  // Decodes the columns listed in `which` (positions in columns()) into `out`,
  // which must have columns().size() entries.
  void decode(ByteSpan row, const std::vector<std::size_t>* which, std::vector<Value>& out) const;
  Value decodeColumn(const RowFrame& frame, std::size_t column) const;
  // decodeColumn with the column's name in its errors.
  Value decodeNamed(const RowFrame& frame, std::size_t column) const;

  // The error for a damaged row, naming the table, the row and the column.
  [[noreturn]] void rethrowForRow(const Error& e, RowId id) const;
  std::string describe() const;  // "table 'Name'"
};

// Many rows written to one table by one statement (INSERT ... SELECT, SELECT
// ... INTO): each checked and placed as insertRow does it (conversions,
// relationships, index entries), in one write scope that joins the caller's;
// the row count is written once at the end, and between rows the pages of a
// write that is a transaction of its own are written early past the pager's
// threshold, so memory stays bounded however many rows come. A row refused
// throws, and the caller's scope (or this one's, without one) undoes them all.
class BulkInsert {
 public:
  explicit BulkInsert(Table::Impl& table);
  ~BulkInsert();
  // Writes one row; `values` (one per column) become the row as stored.
  RowId insert(std::vector<Value>& values);
  // The rows are all in: the row count is brought up to date.
  void finish();

 private:
  Table::Impl& table_;
  std::unique_ptr<WriteScope> scope_;
  std::int64_t rows_ = 0;
};

}  // namespace jet
