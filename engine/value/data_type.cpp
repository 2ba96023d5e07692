// The per-type facts table and type names.
#include "jet/data_type.h"

#include <array>
#include <cstdio>

#include "jet/value.h"

namespace jet {

namespace {

using K = ValueKind;

// Indexed by type code; codes Jet does not name have a null name.
constexpr DataTypeFacts kUndefined{nullptr, K::Binary, 0, false, false, false, false};

constexpr std::array<DataTypeFacts, 0x12> kFacts = {{
    kUndefined,                                          // 0x00
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
    {nullptr, K::Binary, 0, false, false, false, true},   // 0x0D: read as binary
    kUndefined,                                          // 0x0E
    {"GUID", K::Guid, 16, false, false, false, true},
    {"Numeric", K::Decimal, 17, true, false, false, true},
    {nullptr, K::Binary, 0, false, false, false, false},  // 0x11: an opaque block
}};

}  // namespace

const DataTypeFacts& factsOf(DataType type) noexcept {
  const auto code = static_cast<std::size_t>(type);
  return code < kFacts.size() ? kFacts[code] : kUndefined;
}

std::string dataTypeName(DataType type) {
  if (const char* name = factsOf(type).name) return name;
  char buf[32];
  std::snprintf(buf, sizeof buf, "Unknown (0x%02X)", static_cast<unsigned>(type));
  return buf;
}

}  // namespace jet
