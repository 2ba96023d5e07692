// Writing and freeing long values (memo and OLE data). A value is stored inline
// in its row, in one long-value row, or as a chain of rows, by size; the rows
// live on LVAL pages listed in the column's two usage maps (owned pages, pages
// with room). Freeing deletes the value's rows; a page left empty goes back to
// the file.
#pragma once

#include <cstdint>
#include <vector>

#include "format/bytes.h"
#include "format/format_version.h"
#include "format/table_definition.h"

namespace jet {

class Pager;

// Values up to this size are kept inline in the row when the row has room.
inline constexpr std::size_t kLongValueInlineLimit = 64;

class LongValueWriter {
 public:
  LongValueWriter(Pager& pager, const FormatVersion& version) : pager_(pager), version_(version) {}

  // Bytes the row needs for a value stored inline (reference plus data) or out
  // of line (the reference).
  static std::size_t inlineSize(std::size_t length);
  static std::size_t referenceSize();

  // Appends the reference for `data` (and the data itself when `inlined`) to
  // `out`. Out-of-line values are written to the column's pages; `hint` is the
  // page the column used last (0 when none), kept by the caller between calls.
  void store(const LongValueColumnMaps& maps, ByteSpan data, bool inlined, std::vector<std::uint8_t>& out,
             std::uint32_t& hint);

  // Deletes the long-value rows a reference points at. A damaged chain is
  // followed only as far as it is sound (the rest stays as unreachable bytes).
  // Without `maps` (a column the definition lists no maps for) the rows are
  // deleted but their pages are not offered for reuse.
  void release(const LongValueColumnMaps* maps, ByteSpan reference);

  // The long-value rows a reference points at, as far as they are sound.
  std::vector<RowId> rowsOf(ByteSpan reference);

 private:
  // Puts one long-value row on a page of the column and returns where.
  RowId place(const LongValueColumnMaps& maps, ByteSpan row, std::uint32_t& hint);
  bool hasRoom(std::uint32_t page, std::size_t length, bool& nearlyFull);
  void deleteRow(const LongValueColumnMaps* maps, RowId id);

  Pager& pager_;
  const FormatVersion& version_;
};

}  // namespace jet
