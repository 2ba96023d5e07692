// Filtering, sorting and Locate over a source's rows.
//
// Sorting turns each row's value of each sort column into a byte key whose
// byte order is the sort order (text through Jet's collation keys), then sorts
// row positions by those keys, with the position itself as the last key so
// that equal rows keep their order. The first key is compared 8 bytes at a
// time as integers held beside the position in one flat array (past the bytes
// all rows share, then only among rows still equal); only rows whose first
// keys are wholly equal compare the keys of the other columns.
#include "connection/view_builder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>

#include "jet/collation.h"
#include "jet/text.h"

namespace qb {

namespace {

constexpr char kNullKey = '\x00';
constexpr char kValueKey = '\x01';

void appendBigEndian(std::string& out, std::uint64_t bits) {
  for (int shift = 56; shift >= 0; shift -= 8) out += static_cast<char>((bits >> shift) & 0xFF);
}

// Signed integers in byte order: the sign bit flipped.
void appendInteger(std::string& out, std::int64_t v) {
  appendBigEndian(out, static_cast<std::uint64_t>(v) ^ (std::uint64_t{1} << 63));
}

// Doubles in byte order: negative numbers have every bit inverted, others
// only the sign bit.
void appendDouble(std::string& out, double v) {
  if (v == 0) v = 0;  // -0 sorts with 0
  const auto bits = std::bit_cast<std::uint64_t>(v);
  appendBigEndian(out, (bits >> 63) != 0 ? ~bits : bits ^ (std::uint64_t{1} << 63));
}

void appendDecimal(std::string& out, const jet::Decimal& d) {
  const bool negative = d.negative && d.magnitude != 0;
  out += negative ? '\x00' : '\x01';
  const jet::UInt128 m = negative ? ~d.magnitude : d.magnitude;
  appendBigEndian(out, static_cast<std::uint64_t>(m >> 64));
  appendBigEndian(out, static_cast<std::uint64_t>(m));
}

void appendKey(std::string& out, const jet::Value& v) {
  using jet::ValueKind;
  if (v.isNull()) {
    out += kNullKey;
    return;
  }
  out += kValueKey;
  switch (v.kind()) {
    case ValueKind::Null:
      break;
    // Jet's True is -1, so it comes before False.
    case ValueKind::Boolean:
      out += v.asBoolean() ? '\x00' : '\x01';
      break;
    case ValueKind::Byte:
      appendInteger(out, v.asByte());
      break;
    case ValueKind::Integer:
      appendInteger(out, v.asInteger());
      break;
    case ValueKind::Long:
      appendInteger(out, v.asLong());
      break;
    case ValueKind::Currency:
      appendInteger(out, v.asCurrency().units);
      break;
    case ValueKind::Single:
      appendDouble(out, v.asSingle());
      break;
    case ValueKind::Double:
      appendDouble(out, v.asDouble());
      break;
    case ValueKind::DateTime:
      appendDouble(out, v.asDateTime().days);
      break;
    case ValueKind::Text:
      jet::appendTextSortKey(v.asText(), out);
      break;
    case ValueKind::Binary:
      out.append(v.asBinary().begin(), v.asBinary().end());
      break;
    case ValueKind::Guid:
      out.append(v.asGuid().bytes.begin(), v.asGuid().bytes.end());
      break;
    case ValueKind::Decimal:
      appendDecimal(out, v.asDecimal());
      break;
  }
}

// The keys of one sort column for every row, back to back.
struct ColumnKeys {
  std::string bytes;
  std::vector<std::size_t> start;  // one per row, plus the end
  bool descending = false;

  std::string_view key(std::uint32_t row) const {
    return {bytes.data() + start[row], start[row + 1] - start[row]};
  }
};

ColumnKeys columnKeys(RowSource& source, std::span<const jet::RowId> rows, const jet::SortKey& sortKey) {
  ColumnKeys keys;
  keys.descending = sortKey.descending;
  keys.start.reserve(rows.size() + 1);
  keys.bytes.reserve(rows.size() * 12);
  for (const jet::RowId id : rows) {
    keys.start.push_back(keys.bytes.size());
    appendKey(keys.bytes, source.readValue(id, sortKey.column));
  }
  keys.start.push_back(keys.bytes.size());
  return keys;
}

std::uint64_t prefixOf(std::string_view key) {
  std::uint64_t p = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    p = p << 8 | (i < key.size() ? static_cast<std::uint8_t>(key[i]) : 0u);
  }
  return p;
}

char16_t folded(char16_t c) {
  return jet::toUpperSimple(c);
}

bool textMatches(std::u16string_view value, std::u16string_view wanted, bool caseInsensitive, bool partial) {
  if (partial ? value.size() < wanted.size() : value.size() != wanted.size()) return false;
  if (!caseInsensitive) return value.substr(0, wanted.size()) == wanted;
  for (std::size_t i = 0; i < wanted.size(); ++i) {
    if (folded(value[i]) != folded(wanted[i])) return false;
  }
  return true;
}

// Decimals are equal when their values are, whatever their scales.
bool decimalsEqual(const jet::Decimal& a, const jet::Decimal& b) {
  const bool aNegative = a.negative && a.magnitude != 0;
  const bool bNegative = b.negative && b.magnitude != 0;
  if (aNegative != bNegative) return false;
  const jet::Decimal& fine = a.scale >= b.scale ? a : b;
  const jet::Decimal& coarse = a.scale >= b.scale ? b : a;
  jet::UInt128 factor = 1;
  for (int i = coarse.scale; i < fine.scale; ++i) factor *= 10;
  return fine.magnitude % factor == 0 && fine.magnitude / factor == coarse.magnitude;
}

}  // namespace

std::vector<jet::RowId> filterRows(RowSource& source, std::span<const jet::RowId> rows,
                                   const jet::Filter& filter) {
  if (filter.isEmpty()) return {rows.begin(), rows.end()};
  const std::vector<std::size_t>& used = filter.columnsUsed();
  std::vector<jet::Value> values(source.columns().size());
  const jet::RowSpan row(values);
  std::vector<jet::RowId> out;
  for (const jet::RowId id : rows) {
    for (const std::size_t c : used) values[c] = source.readValue(id, c);
    if (filter.matches(row)) out.push_back(id);
  }
  out.shrink_to_fit();
  return out;
}

std::vector<jet::RowId> sortRows(RowSource& source, std::span<const jet::RowId> rows,
                                 std::span<const jet::SortKey> keys) {
  if (keys.empty() || rows.size() < 2) return {rows.begin(), rows.end()};
  std::vector<ColumnKeys> columns;
  columns.reserve(keys.size());
  for (const jet::SortKey& key : keys) columns.push_back(columnKeys(source, rows, key));
  const ColumnKeys& lead = columns[0];
  const auto n = static_cast<std::uint32_t>(rows.size());

  // Bytes every first key shares decide nothing.
  std::size_t shared = lead.key(0).size();
  for (std::uint32_t i = 1; i < n && shared > 0; ++i) {
    const std::string_view a = lead.key(0);
    const std::string_view b = lead.key(i);
    std::size_t k = 0;
    const std::size_t limit = std::min({shared, a.size(), b.size()});
    while (k < limit && a[k] == b[k]) ++k;
    shared = k;
  }

  // One entry per row: 8 bytes of its first key from the current offset as an
  // integer, how many bytes the key has left from there, and the row's position.
  struct Item {
    std::uint64_t chunk;
    std::uint32_t row;
    std::uint8_t rest;  // bytes left from the offset, at most kChunk + 1 (the key goes on)
  };
  constexpr std::size_t kChunk = sizeof(std::uint64_t);
  std::vector<Item> items(n);
  for (std::uint32_t i = 0; i < n; ++i) items[i].row = i;

  const auto byChunk = [](const Item& a, const Item& b) {
    if (a.chunk != b.chunk) return a.chunk < b.chunk;
    if (a.rest != b.rest) return a.rest < b.rest;
    return a.row < b.row;
  };
  // Rows whose first keys are equal: the other columns decide, then the position.
  const auto byOtherColumns = [&](const Item& a, const Item& b) {
    for (std::size_t c = 1; c < columns.size(); ++c) {
      const int cmp = columns[c].key(a.row).compare(columns[c].key(b.row));
      if (cmp != 0) return columns[c].descending ? cmp > 0 : cmp < 0;
    }
    return a.row < b.row;
  };

  // Most significant bytes first: a range of rows whose first keys agree up to
  // `offset` is sorted by the next 8 bytes as integers; rows that still agree
  // and whose keys go on are taken further, 8 bytes at a time. A key that ends
  // comes before the longer keys it begins (after them when descending).
  struct Range {
    std::size_t begin;
    std::size_t end;
    std::size_t offset;
  };
  std::vector<Range> ranges{{0, n, shared}};
  while (!ranges.empty()) {
    const Range range = ranges.back();
    ranges.pop_back();
    const auto first = items.begin() + static_cast<std::ptrdiff_t>(range.begin);
    const auto last = items.begin() + static_cast<std::ptrdiff_t>(range.end);
    for (auto it = first; it != last; ++it) {
      const std::string_view key = lead.key(it->row);
      const std::string_view tail = key.substr(std::min(range.offset, key.size()));
      const auto rest = static_cast<std::uint8_t>(std::min(tail.size(), kChunk + 1));
      const std::uint64_t chunk = prefixOf(tail);
      it->chunk = lead.descending ? ~chunk : chunk;
      it->rest = lead.descending ? static_cast<std::uint8_t>(kChunk + 1 - rest) : rest;
    }
    std::sort(first, last, byChunk);
    for (std::size_t start = range.begin; start < range.end;) {
      std::size_t stop = start + 1;
      while (stop < range.end && items[stop].chunk == items[start].chunk &&
             items[stop].rest == items[start].rest)
        ++stop;
      if (stop - start > 1) {
        const std::size_t rest = lead.descending ? kChunk + 1 - items[start].rest : items[start].rest;
        if (rest > kChunk) {
          ranges.push_back({start, stop, range.offset + kChunk});
        } else if (columns.size() > 1) {
          std::sort(items.begin() + static_cast<std::ptrdiff_t>(start),
                    items.begin() + static_cast<std::ptrdiff_t>(stop), byOtherColumns);
        }
      }
      start = stop;
    }
  }

  std::vector<jet::RowId> out;
  out.reserve(n);
  for (const Item& item : items) out.push_back(rows[item.row]);
  return out;
}

bool locateMatches(const jet::Value& value, const LocateTarget& target) {
  if (value.isNull()) return false;
  if (target.text) {
    if (value.kind() != jet::ValueKind::Text) return false;
    return textMatches(value.asText(), target.value.asText(), target.caseInsensitive, target.partial);
  }
  if (value.kind() == jet::ValueKind::Decimal && target.value.kind() == jet::ValueKind::Decimal) {
    return decimalsEqual(value.asDecimal(), target.value.asDecimal());
  }
  return value == target.value;
}

std::optional<std::size_t> findFirstMatch(RowSource& source, std::span<const jet::RowId> rows,
                                          const LocateTarget& target) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (locateMatches(source.readValue(rows[i], target.column), target)) return i;
  }
  return std::nullopt;
}

}  // namespace qb
