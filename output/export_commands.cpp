// CSV export of the current table.
#include "output/export_commands.h"

namespace qb {

void exportToCsv(DataSet& /*data*/, const GridColumns& /*columns*/, FileDialog& /*saveDialog*/,
                 Prompts& /*prompts*/, const FormatSettings& /*settings*/) {}

}  // namespace qb
