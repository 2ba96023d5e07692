// Showing the table designer.
#include "query/table_designer_commands.h"

#include "query/table_designer.h"
#include "ui_services/prompts.h"

namespace qb {

void showTableDesigner(TfrmNew& dialog, Prompts& prompts) {
  prompts.execModal(dialog);
}

}  // namespace qb
