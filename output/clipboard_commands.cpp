// Clipboard copies of the current table's values.
#include "output/clipboard_commands.h"

namespace qb {

void copyColumn(DataSet& /*data*/, const GridColumns& /*columns*/, const FormatSettings& /*settings*/) {}

void copyRow(const DataSet& /*data*/, const GridColumns& /*columns*/, const FormatSettings& /*settings*/) {}

void copyFieldValue(const DataSet& /*data*/, const GridColumns& /*columns*/,
                    const FormatSettings& /*settings*/) {}

}  // namespace qb
