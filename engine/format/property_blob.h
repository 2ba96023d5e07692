// Property blobs: the object and column properties Access keeps in the catalog's
// LvProp column (description, format, default value, "Required", column widths,
// ...). The engine reads what it needs (whether a column is required) and keeps
// the rest for callers that show or copy them.
//
// Layout: a 4-byte signature ("MR2\0" in Jet 4, "KKD\0" in Jet 3), then chunks:
//   u32 chunk length (with this 6-byte header) | u16 chunk type | body
// Type 0x80 is the name list (u16 byte length + name, repeated); types 0
// and 1 hold the properties of one object:
//   u32 header length | u16 name byte length | name (empty for the table itself)
//   then records: u16 record length | u8 DDL flag | u8 data type |
//                 u16 index into the name list | u16 value length | value
// Names and text values are in the database's text form (UCS-2 in Jet 4, the
// code page in Jet 3).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "format/bytes.h"
#include "jet/value.h"

namespace jet {

class TextCodec;

struct Property {
  std::u16string name;
  DataType type = DataType::Binary;
  bool ddl = false;  // a design property (as opposed to a layout one)
  Bytes value;       // encoded like a column value of `type`
};

struct PropertySet {
  std::u16string objectName;  // column name, or empty for the object itself
  std::vector<Property> properties;
};

// Parses a property blob of either signature, reading its text with `text`.
// Throws Corruption when a chunk or record does not fit or a name index is out
// of range.
std::vector<PropertySet> parsePropertyBlob(ByteSpan blob, const TextCodec& text);

// The property `name` of `objectName` (both compared without regard to case), or nullptr.
const Property* findProperty(const std::vector<PropertySet>& sets, std::u16string_view objectName,
                             std::u16string_view name);

// A Boolean property's value: any non-zero byte is true.
bool propertyIsTrue(const Property& property);

// The property's value as a Value of its type (Boolean: any non-zero byte is true).
Value propertyValue(const Property& property, const TextCodec& text);

}  // namespace jet
