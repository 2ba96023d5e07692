// Writing property blobs (the catalog's LvProp values): the object's and its
// columns' properties, e.g. "Required" and "AllowZeroLength" of new columns.
// Layout: "MR2\0", a chunk listing every property name once, then one chunk per
// object (type 0, no name) or column (type 1, the column's name) with records
// that refer to the names by position.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/text_codec.h"
#include "jet/value.h"

namespace jet {

struct PropertyRecord {
  std::u16string name;
  DataType type = DataType::Boolean;
  bool ddl = true;                   // a design property (as the engine marks Required and the like)
  std::vector<std::uint8_t> value;   // encoded like a column value of `type`
};

struct PropertyChunk {
  std::u16string objectName;  // empty: the object itself; otherwise a column
  std::vector<PropertyRecord> records;
};

// The blob in the database's text form: names in UCS-2 after "MR2", or in
// the code page of an Access 97 file after "KKD".
std::vector<std::uint8_t> encodePropertyBlob(const std::vector<PropertyChunk>& chunks,
                                             const TextCodec& text = TextCodec::unicode());

// A Boolean property record.
PropertyRecord booleanProperty(std::u16string name, bool value);

}  // namespace jet
