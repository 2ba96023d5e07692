// Record count, visual count and record size.
#include "output/count_commands.h"

namespace qb {

void showRecordCount(const DataSet& /*data*/, Prompts& /*prompts*/) {}

void showVisualCount(DataSet& /*data*/, Prompts& /*prompts*/) {}

void showRecordSize(const DataSet& /*data*/, Prompts& /*prompts*/) {}

}  // namespace qb
