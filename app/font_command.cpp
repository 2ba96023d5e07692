// The data font command.
#include "app/font_command.h"

#include "connection/ui/data_grid.h"
#include "ui_services/prompts.h"

namespace qb {

void chooseDataFont(QFont& lastChosen, Prompts& prompts, DataGrid& grid, QWidget& recordView,
                    QWidget& memoWindow) {
  const auto chosen = prompts.chooseFont(lastChosen);
  if (!chosen) return;
  lastChosen = *chosen;
  grid.setDataFont(*chosen);
  recordView.setFont(*chosen);
  memoWindow.setFont(*chosen);
}

}  // namespace qb
