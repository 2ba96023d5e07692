// Writing the header page (page 0) of a new Jet 4 database: engine name and
// version, code page, General sort order, creation date and the password area,
// masked as the format requires.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/index_key.h"

namespace jet {

struct NewHeader {
  double creationDate = 0;    // Jet day number; its integer part masks the password
  std::u16string password;    // at most 20 characters; empty: none
  std::uint16_t codePage = 1252;
  std::uint16_t sortOrder = kGeneralSortOrder;
};

// The masked header page of a new Jet 4 database. Throws InvalidArgument for a
// password longer than the header can hold.
std::vector<std::uint8_t> buildJet4Header(const NewHeader& header);

}  // namespace jet
