// Column data types as stored in table definitions, and the facts about each
// that the reader, the writer, the index code and the value rules share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

namespace jet {

// Column type codes as stored in a table definition's column descriptor.
enum class DataType : std::uint8_t {
  Boolean = 0x01,
  Byte = 0x02,
  Integer = 0x03,   // 16-bit
  Long = 0x04,      // 32-bit; also the autonumber type
  Currency = 0x05,  // 64-bit integer of 1/10 000 units
  Single = 0x06,
  Double = 0x07,
  DateTime = 0x08,
  Binary = 0x09,    // variable-length bytes, at most 255 (510 in system tables)
  Text = 0x0A,      // at most 255 characters
  Ole = 0x0B,       // long binary value
  Memo = 0x0C,      // long text value
  Unknown0D = 0x0D, // read as binary
  Guid = 0x0F,      // replication id
  Numeric = 0x10,   // decimal with precision and scale
  Unknown11 = 0x11, // opaque 3992-byte block of an Access system table
};

// The kinds of values (jet/value.h): what a column of each type holds.
enum class ValueKind : std::uint8_t {
  Null,
  Boolean,
  Byte,
  Integer,
  Long,
  Currency,
  Single,
  Double,
  DateTime,
  Text,
  Binary,
  Guid,
  Decimal,
};

// What every part of the engine needs to know about a type, in one table:
//
//   type       kind      fixed size  number  long value  variable length
//   Boolean    Boolean   0 (kept in the null mask)
//   Byte       Byte      1           yes
//   Integer    Integer   2           yes
//   Long       Long      4           yes
//   Currency   Currency  8           yes
//   Single     Single    4           yes
//   Double     Double    8           yes
//   DateTime   DateTime  8
//   Binary     Binary    0                               yes
//   Text       Text      0                               yes
//   Ole        Binary    0                   yes         yes
//   Memo       Text      0                   yes         yes
//   Unknown0D  Binary    0
//   Guid       Guid      16
//   Numeric    Decimal   17          yes
//   Unknown11  Binary    0
//
// Every type may be an index key except OLE and the opaque block Unknown11.
// Codes Jet does not define are read as bytes, are never index keys, and are
// named "Unknown (0xNN)".
struct DataTypeFacts {
  const char* name;        // English name for messages ("Long", "OLE")
  ValueKind kind;          // the kind of the values a column of the type holds
  std::uint8_t fixedSize;  // bytes a value takes in a row's fixed area; 0 when not stored there
  bool number;             // a number type (Byte, Integer, Long, Currency, Single, Double, Numeric)
  bool longValue;          // values are long values (Memo, OLE): stored outside the row
  bool variableLength;     // values live in the row's variable area (Text, Binary, Memo, OLE)
  bool indexable;          // a column of the type may be an index key
};

namespace detail {

using K = ValueKind;
// Indexed by type code; codes Jet does not name have a null name.
inline constexpr DataTypeFacts kUndefinedTypeFacts{nullptr, K::Binary, 0, false, false, false, false};
inline constexpr DataTypeFacts kTypeFacts[] = {
    kUndefinedTypeFacts,                                    // 0x00
    {"Boolean", K::Boolean, 0, false, false, false, true},  // 0x01: stored in the null mask
    {"Byte", K::Byte, 1, true, false, false, true},
    {"Integer", K::Integer, 2, true, false, false, true},
    {"Long", K::Long, 4, true, false, false, true},
    {"Currency", K::Currency, 8, true, false, false, true},
    {"Single", K::Single, 4, true, false, false, true},
    {"Double", K::Double, 8, true, false, false, true},
    {"DateTime", K::DateTime, 8, false, false, false, true},
    {"Binary", K::Binary, 0, false, false, true, true},
    {"Text", K::Text, 0, false, false, true, true},
    {"OLE", K::Binary, 0, false, true, true, false},
    {"Memo", K::Text, 0, false, true, true, true},
    {nullptr, K::Binary, 0, false, false, false, true},     // 0x0D: read as binary
    kUndefinedTypeFacts,                                    // 0x0E
    {"GUID", K::Guid, 16, false, false, false, true},
    {"Numeric", K::Decimal, 17, true, false, false, true},
    {nullptr, K::Binary, 0, false, false, false, false},    // 0x11: an opaque block
};

}  // namespace detail

constexpr const DataTypeFacts& factsOf(DataType type) noexcept {
  const auto code = static_cast<std::size_t>(type);
  return code < std::size(detail::kTypeFacts) ? detail::kTypeFacts[code] : detail::kUndefinedTypeFacts;
}

// English name of a type code ("Text", "Long", ...); "Unknown (0xNN)" for others.
std::string dataTypeName(DataType type);

}  // namespace jet
