// Column data types as stored in table definitions, and the facts about each
// that the reader, the writer, the index code and the value rules share.
#pragma once

#include <cstdint>
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

enum class ValueKind : std::uint8_t;

// What every part of the engine needs to know about a type, in one table:
//
//   type       kind      fixed size  number  long value  variable  indexed
//   Boolean    Boolean   0 (in the null mask)
//   Byte       Byte      1           yes
//   Integer    Integer   2           yes
//   Long       Long      4           yes
//   Currency   Currency  8           yes
//   Single     Single    4           yes
//   Double     Double    8           yes
//   DateTime   DateTime  8
//   Binary     Binary    0                               yes       yes
//   Text       Text      0                               yes       yes
//   Ole        Binary    0                   yes         yes       no
//   Memo       Text      0                   yes         yes       yes
//   Unknown0D  Binary    0                                         yes
//   Guid       Guid      16
//   Numeric    Decimal   17          yes
//   Unknown11  Binary    0                                         no
//
// Every type is indexed except OLE and the opaque block; codes outside the list
// get the facts of Unknown0D (their values are read as bytes) under the name
// "Unknown (0xNN)".
struct DataTypeFacts {
  const char* name;        // English name for messages ("Long", "OLE")
  ValueKind kind;          // the kind of the values a column of the type holds
  std::uint8_t fixedSize;  // bytes a value takes in a row's fixed area; 0 when not stored there
  bool number;             // a number type (Byte, Integer, Long, Currency, Single, Double, Numeric)
  bool longValue;          // values are long values (Memo, OLE): stored outside the row
  bool variableLength;     // values live in the row's variable area (Text, Binary, Memo, OLE)
  bool indexable;          // a column of the type may be an index key
};

const DataTypeFacts& factsOf(DataType type) noexcept;

// English name of a type code ("Text", "Long", ...); "Unknown (0xNN)" for others.
std::string dataTypeName(DataType type);

}  // namespace jet
