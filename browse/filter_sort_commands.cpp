// Filter and sort from the boxes above the grid.
#include "browse/filter_sort_commands.h"

#include <QLineEdit>
#include <QToolButton>

#include "browse/filter_help.h"
#include "browse/filter_sort_panel.h"
#include "browse/sort_help.h"
#include "connection/data_set.h"
#include "ui_services/prompts.h"
#include "ui_services/screen_cursor.h"

namespace qb {

namespace {

// Runs one step of the filter or sort rows under the busy cursor: an error is
// shown in a plain message box and ends the command.
template <class Step>
void showingErrorsPlainly(Prompts& prompts, Step step) {
  setBusyCursor();
  const NormalCursorAtExit restore;
  try {
    step();
  } catch (const std::exception& e) {
    prompts.messageBox(QString::fromUtf8(e.what()));
  }
}

}  // namespace

void applyFilter(DataSet& data, FilterSortPanel& panel, Prompts& prompts) {
  showingErrorsPlainly(prompts, [&] {
    data.setFiltered(false);
    data.setFilter(panel.Edit2->text().toStdU16String());
    data.setFiltered(true);
  });
}

void cancelFilter(DataSet& data, FilterSortPanel& panel) {
  data.setFilter(std::u16string());
  data.setFiltered(false);
  panel.Edit2->clear();
}

void applySort(DataSet& data, FilterSortPanel& panel, Prompts& prompts) {
  showingErrorsPlainly(prompts, [&] { data.setSort(panel.Edit3->text().toStdU16String()); });
}

void cancelSort(DataSet& data, FilterSortPanel& panel) {
  data.setSort(std::u16string());
  panel.Edit3->clear();
}

void typedInFilterOrSortBox(QChar& key, FilterSortPanel& panel) {
  if (key == QChar(13)) {
    key = QChar();
    panel.SpeedButton2->click();
  }
}

void showFilterHelp(TForm5& window, Prompts& prompts) {
  prompts.execModal(window);
}

void showSortHelp(TfrmSortHelp& window, Prompts& prompts) {
  prompts.execModal(window);
}

}  // namespace qb
