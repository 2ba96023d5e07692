// Reading long values (memo and OLE data) from their row reference: inline,
// one long-value row, or a chain of rows. Chains are followed with checks: a
// link outside the file, a link that is not a row, a loop, or a chain that ends
// before the stated length is a Corruption error, never a hang.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "format/bytes.h"
#include "format/format_version.h"
#include "jet/table.h"

namespace jet {

class Page;
class Pager;

enum class LongValueKind {
  Inline,
  SingleRow,
  Chain,
};

struct LongValueReference {
  LongValueKind kind = LongValueKind::Inline;
  std::uint32_t length = 0;
  RowId first;
  ByteSpan inlineData;  // inline values only
};

// Parses the reference at the start of a row field. Throws Corruption when the
// field is shorter than a reference, the kind is unknown, or inline data is cut.
LongValueReference parseLongValueReference(ByteSpan field);

// Reads a long value's bytes into `out` (its capacity is reused). Values longer
// than the file itself are refused before anything is allocated.
class LongValueReader {
 public:
  LongValueReader(Pager& pager, const FormatVersion& version) : pager_(pager), version_(version) {}

  void read(ByteSpan field, std::vector<std::uint8_t>& out);

 private:
  // The bytes of the long-value row `id`.
  ByteSpan rowOf(RowId id, Page& holder);

  Pager& pager_;
  const FormatVersion& version_;
  std::unordered_set<std::uint32_t> seen_;  // links of the chain being read
};

}  // namespace jet
