// What an open database shares with its tables: the pager and the format
// version. Tables hold it by shared pointer, so a table stays readable even when
// it outlives its Database object.
#pragma once

#include <memory>
#include <string>

#include "format/format_version.h"
#include "storage/pager.h"

namespace jet {

struct DatabaseContext {
  std::unique_ptr<Pager> pager;
  const FormatVersion* version = &kJet4Format;
  std::string fileName;  // for messages
};

}  // namespace jet
