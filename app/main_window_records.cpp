// The current table's records: the Edit menu's moves and edits, the filter
// and sort rows, "Adjust column width" and the grid's alternate-row shading.
#include <QLineEdit>

#include "app/main_window.h"
#include "browse/data_grid.h"
#include "ui_services/prompts.h"
#include "ui_services/screen_cursor.h"

namespace {

// Background of the grid's even rows: red 213, green 234, blue 255.
const QColor kShadedRow(213, 234, 255);

// Runs one step of the filter or sort rows: an error is shown in a plain
// message box and ends the command.
template <class Step>
void showingErrorsPlainly(Step step) {
  try {
    step();
  } catch (const std::exception& e) {
    qb::prompts().messageBox(QString::fromUtf8(e.what()));
  }
}

}  // namespace

// --- Edit menu -----------------------------------------------------------------

void TForm1::First1Click() {
  mdb.first();
}

void TForm1::Previous1Click() {
  mdb.previous();
}

void TForm1::Next1Click() {
  mdb.next();
}

void TForm1::last1Click() {
  mdb.last();
}

void TForm1::Insert1Click() {
  mdb.insert();
}

// No question, unlike the navigator's delete.
void TForm1::Delete1Click() {
  mdb.deleteRecord();
}

void TForm1::Save1Click() {
  if (mdb.state() == qb::DataSetState::Edit || mdb.state() == qb::DataSetState::Insert) mdb.save();
}

void TForm1::Cancel1Click() {
  mdb.cancel();
}

// --- View menu -----------------------------------------------------------------

void TForm1::Adjustcolumnwidth1Click() {
  DBGrid1->column(DBGrid1->selectedIndex()).setWidth(100);
}

// --- Filter and sort rows ------------------------------------------------------

void TForm1::FilterButton1Click() {
  qb::setBusyCursor();
  const qb::NormalCursorAtExit restore;
  showingErrorsPlainly([this] {
    mdb.setFiltered(false);
    mdb.setFilter(Edit2->text().toStdU16String());
    mdb.setFiltered(true);
  });
}

void TForm1::CancelFilterButton3Click() {
  mdb.setFilter(std::u16string());
  mdb.setFiltered(false);
  Edit2->clear();
}

void TForm1::SortButton4Click() {
  qb::setBusyCursor();
  const qb::NormalCursorAtExit restore;
  showingErrorsPlainly([this] { mdb.setSort(Edit3->text().toStdU16String()); });
}

void TForm1::CancelSortButton6Click() {
  mdb.setSort(std::u16string());
  Edit3->clear();
}

// --- The grid's cells ----------------------------------------------------------

void TForm1::DBGrid1DrawColumnCell(const GridCell& cell) {
  if (cell.selected) return;
  // No shading while a filter is on, even an empty one.
  if (mdb.filtered()) return;
  // Every row while a new record is inserted numbers -1: odd, unshaded.
  const int number = mdb.recordNumberOfRow(static_cast<std::size_t>(cell.row));
  if (number % 2 == 0) DBGrid1->setCanvasBackground(kShadedRow);
  DBGrid1->defaultDrawColumnCell(cell);
}
