// Compaction, blank databases, the data access version, Access automation.
#include "query/tool_commands.h"

namespace qb {

void repairAndCompact(Connection& /*con*/, FileDialog& /*openDialog*/, Prompts& /*prompts*/) {}

void newBlankDatabase(FileDialog& /*saveDialog*/, Prompts& /*prompts*/) {}

void showDataAccessVersion(const Connection& /*con*/, Prompts& /*prompts*/) {}

void openAccessReport(Prompts& /*prompts*/) {}

}  // namespace qb
