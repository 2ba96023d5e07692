// The table information window's command.
#include "output/table_info_commands.h"

namespace qb {

void showTableInfo(TfrmTableInfo& /*window*/, const TableDataSet& /*mdb*/, const FileDialog& /*openDialog*/,
                   Prompts& /*prompts*/) {}

}  // namespace qb
