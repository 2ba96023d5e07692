// View ▸ "Font": the data font of the grid, the record view and the memo
// window. The font dialog starts from the font last chosen in it (the main
// window's own font the first time), not from what the grid shows now.
#pragma once

#include <QFont>

class DataGrid;
class QWidget;

namespace qb {

class Prompts;

// Shows the font dialog from `lastChosen`; a chosen font goes to the grid's
// cells, to the whole record view and the whole memo window (their controls
// take the window's font), and becomes `lastChosen`. Cancel changes nothing.
void chooseDataFont(QFont& lastChosen, Prompts& prompts, DataGrid& grid, QWidget& recordView,
                    QWidget& memoWindow);

}  // namespace qb
