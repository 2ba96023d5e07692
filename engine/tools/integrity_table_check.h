// The integrity checks of one table: its definition, its usage maps (data
// pages, free space, long-value pages), every data page and row, overflow
// pointers, long-value chains, the stored row count and autonumber counter,
// and (through IndexCheck) each of its indexes against its rows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "format/table_definition.h"
#include "jet/table.h"
#include "tools/integrity_context.h"

namespace jet {

class DataPage;
class IndexChecker;
class RowFrame;

class TableChecker {
 public:
  TableChecker(IntegrityContext& context, std::uint32_t definitionPage, std::u16string name, bool system);
  ~TableChecker();

  // Runs every check. Returns the definition when it could be read, for the
  // checks that span tables (foreign keys).
  std::optional<TableDefinition> run();

 private:
  // A memo or OLE column: where its value sits in the row and who owns its pages.
  struct LongValueColumn {
    std::size_t position = 0;  // in columns()
    PageLedger::OwnerId owner = 0;
    std::vector<std::uint32_t> pages;  // its long-value pages, claimed
  };

  bool readDefinition();
  void checkDefinition();
  void readTableMaps();
  void readLongValueMaps();
  // A free-space map should list only pages with room for a row.
  void checkRoom(std::uint32_t page, PageLedger::OwnerId owner, const char* map);

  // Rows (integrity_table_check_rows.cpp).
  void checkRows();
  void checkDataPage(std::uint32_t number);
  void followOverflow(const DataPage& page, unsigned slot, RowId id);
  void checkRow(RowId id, ByteSpan bytes);
  Value readLongValue(const RowFrame& frame, const LongValueColumn& column, RowId id);
  ByteSpan longValueLink(RowId link, const LongValueColumn& column, RowId id, Page& holder);
  void checkCounters();
  void checkLeftoverLongValues();
  void checkIndexes();
  // A live row (or a data page) that could not be read whole: index entries
  // pointing there are not judged.
  void rowUnreadable(RowId id);
  void unreadablePage(std::uint32_t number);

  std::string where(RowId id) const;  // "table 'X', row at page P slot S"

  IntegrityContext& cx_;
  std::uint32_t page_;
  std::u16string name_;
  std::string label_;  // "table 'Name'"
  bool system_;
  PageLedger::OwnerId owner_ = 0;

  std::vector<std::uint8_t> buffer_;
  std::vector<std::uint32_t> definitionPages_;
  std::shared_ptr<Table> table_;  // decoding state over the definition

  std::vector<std::uint32_t> dataPages_;  // owned data pages, claimed, ascending
  std::vector<LongValueColumn> longValueColumns_;
  std::vector<int> longValueSlot_;  // per column position: index into longValueColumns_, or -1
  std::vector<std::unique_ptr<IndexChecker>> indexes_;  // one per real index

  // Row walk results.
  std::vector<Value> values_;
  std::vector<std::uint8_t> scratch_;
  std::unordered_set<std::uint32_t> overflowTargets_;
  std::vector<RowId> liveRows_;  // ascending
  bool allRowsRead_ = true;
  std::optional<std::int64_t> largestAutoNumber_;
  std::optional<std::int64_t> smallestAutoNumber_;
};

}  // namespace jet
