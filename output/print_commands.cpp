// Printing and previewing the current table.
#include "output/print_commands.h"

namespace qb {

void printGridReport(TableDataSet& /*mdb*/, const GridColumns& /*columns*/, Prompts& /*prompts*/,
                     const FormatSettings& /*settings*/, ReportOutput /*output*/) {}

void printRecordReport(TableDataSet& /*mdb*/, const GridColumns& /*columns*/, Prompts& /*prompts*/,
                       const FormatSettings& /*settings*/, ReportOutput /*output*/) {}

}  // namespace qb
