// Reading usage maps (inline and reference) into sorted page lists.
#pragma once

#include <cstdint>
#include <vector>

#include "format/bytes.h"
#include "format/format_version.h"
#include "jet/table.h"

namespace jet {

class Pager;

// Pages listed by a usage-map row, ascending. Reference maps read their bitmap
// pages through `pager`; pointers of 0 or beyond the file are unused slots.
// Listed pages are not checked against the file size: callers decide what a page
// beyond the end means for them.
std::vector<std::uint32_t> decodeUsageMap(ByteSpan row, Pager& pager, const FormatVersion& version);

// Finds the usage-map row at `where` and decodes it. Throws Corruption naming
// the map's location when it cannot be read.
std::vector<std::uint32_t> readUsageMap(Pager& pager, RowId where, const FormatVersion& version);

}  // namespace jet
