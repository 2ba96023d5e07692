// Placeholders for reading through indexes, until the B-tree code replaces them.
#include "jet/error.h"
#include "jet/table.h"

namespace jet {

std::vector<RowId> Table::rowIdsInIndexOrder(std::size_t) const {
  throw Error(ErrorCode::Unsupported, "Reading in index order is not available yet in this build");
}
std::optional<RowId> Table::findRow(std::size_t, const std::vector<Value>&) const {
  throw Error(ErrorCode::Unsupported, "Index search is not available yet in this build");
}

}  // namespace jet
