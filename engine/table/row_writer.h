// Writing the rows of one table: converting and checking values (types,
// required fields, zero-length text, autonumbers), encoding rows with their
// long values, finding room on the table's data pages, moving a row that
// outgrows its page (its RowId stays: the old slot points at the new place),
// deleting rows and giving their space back, and keeping the stored row count
// and autonumber counter. Index entries and relationship rules are kept by the
// callers in table_write.cpp through the database's seams.
#pragma once

#include <cstdint>
#include <vector>

#include "format/long_value_writer.h"
#include "format/row_encoder.h"
#include "table/table_impl.h"

namespace jet {

class RowWriter {
 public:
  explicit RowWriter(Table::Impl& table);

  // Converts the caller's values (one per column) to the row to store:
  // conversions, autonumbers (counter written), required and zero-length
  // rules. `old` is the current row for an update, null for an insert.
  std::vector<Value> prepare(const std::vector<Value>& values, const std::vector<Value>* old);

  // From now on new rows only go to the page the last one went to or to a new
  // page, never back into room on earlier pages: a table copied row by row
  // then keeps its rows in the order they were given.
  void appendOnly() { appendOnly_ = true; }

  // Stores a new row and returns its RowId.
  RowId insert(const std::vector<Value>& row);
  // Stores a row given as its bytes, already in this table's row layout and
  // without long values of its own (a row of a table laid out the same way).
  RowId insertEncoded(ByteSpan row);
  // Replaces the row at `id` (whose values were `old`).
  void update(RowId id, const std::vector<Value>& old, const std::vector<Value>& row);
  // Removes the row at `id` and its long values.
  void erase(RowId id);

  // Adds to the stored row count, first making it exact when it was stale.
  void addToRowCount(int delta);

  // The long-value references of the stored row at `id`, per column in the
  // writer's order (empty for nulls and other types).
  std::vector<std::vector<std::uint8_t>> longValueReferences(RowId id);
  LongValueWriter& longValues() { return longValues_; }

 private:
  struct ColumnWrite {
    std::size_t column = 0;  // position in columns()
    DataType type = DataType::Text;
    std::uint16_t number = 0;
    bool fixed = false;
    std::uint16_t fixedOffset = 0;
    std::uint16_t fixedSize = 0;
    std::uint16_t varSlot = 0;
    bool compress = false;
    bool allowZeroLength = true;
    const LongValueColumnMaps* longValue = nullptr;  // memo and OLE
    std::uint32_t longValueHint = 0;                  // page the column used last
  };

  // Encodes `row` into rowBytes_; long values are stored (out of line ones on
  // their pages), or taken over from `keep` (the old references, per column,
  // for values that did not change).
  void encode(const std::vector<Value>& row, const std::vector<std::vector<std::uint8_t>>* keep);
  void releaseLongValues(const std::vector<std::vector<std::uint8_t>>& references);
  // A data page of the table with room for `length` bytes (a new one if needed).
  std::uint32_t pageWithRoom(std::size_t length, std::uint32_t avoid = 0);
  // Puts a page into or out of the table's pages-with-room map as its space says.
  void noteSpace(std::uint32_t page);
  void writeCounter(std::uint32_t value);
  // Refuses text the database's code page cannot hold (Access 97 files).
  void checkEncodable(std::u16string_view text, std::size_t column) const;
  std::string where(std::size_t column) const;

  Table::Impl& table_;
  std::vector<ColumnWrite> columns_;
  RowLayout layout_;
  std::size_t minRow_ = 0;
  std::uint32_t insertHint_ = 0;
  bool appendOnly_ = false;
  bool countChecked_ = false;
  LongValueWriter longValues_;
  std::vector<std::uint8_t> rowBytes_;
  std::vector<std::vector<std::uint8_t>> fieldBytes_;
};

}  // namespace jet
