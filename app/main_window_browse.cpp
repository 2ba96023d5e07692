// Handlers of the browsing commands (browse/): the Edit menu's moves and
// edits, which are the current table's own operations, the filter and sort
// rows, Search Value and Goto Column, the column, record view and memo
// windows, column width and the grid's row shading.
#include <QAction>

#include "app/main_window.h"
#include "browse/column_commands.h"
#include "browse/column_visibility_dialog.h"
#include "browse/filter_help.h"
#include "browse/filter_sort_commands.h"
#include "browse/filter_sort_panel.h"
#include "browse/goto_column_dialog.h"
#include "browse/grid_commands.h"
#include "browse/locate_commands.h"
#include "browse/locate_dialog.h"
#include "browse/memo_commands.h"
#include "browse/memo_window.h"
#include "browse/record_view_commands.h"
#include "browse/record_view_window.h"
#include "browse/sort_help.h"
#include "connection/ui/data_grid.h"
#include "ui_services/prompts.h"

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
// Writes the record being edited or inserted; nothing in other states.
void TForm1::Save1Click() {
  mdb.save();
}
void TForm1::Cancel1Click() {
  mdb.cancel();
}

// --- Filter and sort rows ------------------------------------------------------

void TForm1::FilterButton1Click() {
  qb::applyFilter(mdb, *Panel2, qb::prompts());
}
void TForm1::CancelFilterButton3Click() {
  qb::cancelFilter(mdb, *Panel2);
}
void TForm1::SortButton4Click() {
  qb::applySort(mdb, *Panel2, qb::prompts());
}
void TForm1::CancelSortButton6Click() {
  qb::cancelSort(mdb, *Panel2);
}
void TForm1::Edit2KeyPress(QObject* /*sender*/, QChar& key) {
  qb::typedInFilterOrSortBox(key, *Panel2);
}
void TForm1::SpeedButton2Click() {
  qb::showFilterHelp(*Form5, qb::prompts());
}
void TForm1::UsingFilters1Click() {
  qb::showFilterHelp(*Form5, qb::prompts());
}
void TForm1::UsingSort1Click() {
  qb::showSortHelp(*frmSortHelp, qb::prompts());
}

// --- Locate and goto column ------------------------------------------------------

void TForm1::SearchValue1Click() {
  qb::searchValue(*frmSearch, mdb, DBGrid1->columns(), qb::prompts());
}
void TForm1::Gotofield1Click() {
  qb::gotoColumn(*frmSelectField, DBGrid1->columns(), qb::prompts());
}

// --- Columns, record view, memo ------------------------------------------------

void TForm1::ShowHideColumns1Click() {
  qb::showHideColumns(*frmColumns, mdb, DBGrid1->columns(), qb::prompts());
}
void TForm1::ShowHideColumns2Click() {
  qb::showHideColumns(*frmColumns, mdb, DBGrid1->columns(), qb::prompts());
}
void TForm1::ToolButton6Click() {
  qb::showHideColumns(*frmColumns, mdb, DBGrid1->columns(), qb::prompts());
}
void TForm1::Adjustcolumnwidth1Click() {
  qb::adjustColumnWidth(DBGrid1->columns());
}
void TForm1::ToolButton7Click() {
  qb::buildRecordView(*frmRecordView, mdb, DataSource1, DBGrid1->columns());
}
void TForm1::RecordView1Click() {
  qb::showRecordView(*frmRecordView);
}
void TForm1::RecordView2Click() {
  qb::showRecordView(*frmRecordView);
}
void TForm1::ViewEditMemoField1Click() {
  qb::viewEditMemoField(*frmMemo, DBGrid1->columns());
}

// --- The grid's cells ----------------------------------------------------------

void TForm1::DBGrid1DrawColumnCell(const GridCell& cell) {
  qb::shadeEvenRows(*DBGrid1, mdb, cell);
}
