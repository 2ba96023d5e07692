// Writing table definitions: building the logical buffer of a new definition,
// storing a buffer on its page chain (adding or freeing continuation pages as
// it grows or shrinks), changing bytes of a stored definition in place (the
// counters), and adding or removing an index while keeping every byte whose
// meaning is unknown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/format_version.h"
#include "format/table_definition.h"

namespace jet {

class TextCodec;


class Pager;

// Writes `bytes` at `offset` of the stored definition's logical buffer.
void writeDefinitionBytes(Pager& pager, const TableDefinition& definition, std::size_t offset, ByteSpan bytes,
                          const FormatVersion& version);
void writeDefinitionU32(Pager& pager, const TableDefinition& definition, std::size_t offset, std::uint32_t value,
                        const FormatVersion& version);

// The logical buffer of a new definition, from its parsed form. Fields whose
// meaning is unknown get the values the engine writes (see the format notes).
// The database's sort order goes into columns of other types. Access 97 names
// are written with the database's codec; one it cannot hold is refused.
std::vector<std::uint8_t> buildTableDefinition(const TableDefinition& definition, std::uint16_t databaseSortOrder,
                                               const FormatVersion& version, const TextCodec& text);

// Stores a logical buffer on the pages of `pages` (the first one is the
// table's identity and stays); continuation pages are added or freed so that
// the chain fits the buffer. Sets each page's free-space field.
void storeTableDefinition(Pager& pager, std::vector<std::uint32_t>& pages, std::vector<std::uint8_t> buffer,
                          const FormatVersion& version);

// Offsets of the blocks inside a stored logical buffer.
struct DefinitionBlocks {
  std::size_t realCounters = 0;  // block A
  std::size_t columns = 0;       // block B
  std::size_t columnNames = 0;   // block C
  std::size_t realIndexes = 0;   // block D
  std::size_t logicalIndexes = 0;  // block E
  std::size_t logicalNames = 0;  // block F
  std::size_t longValueMaps = 0;   // block G
  std::size_t end = 0;           // after block G's terminator
};
DefinitionBlocks locateBlocks(ByteSpan buffer, const FormatVersion& version);

// A real index block (block D) and a logical index block (block E).
std::vector<std::uint8_t> realIndexBlock(const RealIndexDefinition& index, const FormatVersion& version);
std::vector<std::uint8_t> logicalIndexBlock(const LogicalIndexDefinition& index, const FormatVersion& version);

// Adds a logical index (and, when `real` is given, a new real index at the end
// of block D) to a logical buffer.
std::vector<std::uint8_t> addIndexToDefinition(ByteSpan buffer, const LogicalIndexDefinition& logical,
                                               const RealIndexDefinition* real, const FormatVersion& version,
                                               const TextCodec& text);
// Removes logical index number `position` (in block order) and, when
// `removeReal`, the real index it used; later real indexes move down one place.
std::vector<std::uint8_t> removeIndexFromDefinition(ByteSpan buffer, std::size_t position, bool removeReal,
                                                    const FormatVersion& version);

}  // namespace jet
