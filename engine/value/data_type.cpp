// Type names.
#include "jet/data_type.h"

#include <cstdio>

namespace jet {

std::string dataTypeName(DataType type) {
  if (const char* name = factsOf(type).name) return name;
  char buf[32];
  std::snprintf(buf, sizeof buf, "Unknown (0x%02X)", static_cast<unsigned>(type));
  return buf;
}

}  // namespace jet
