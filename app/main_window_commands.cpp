// The main window's own commands (Exit, tool bar and status bar, font, the
// about box), the handlers that show a window of the set, and the handlers
// that only pass a command on to another entry or button.
#include <QAction>
#include <QDialog>
#include <QStatusBar>
#include <QToolButton>

#include "app/about_box.h"
#include "app/main_window.h"
#include "browse/data_grid.h"
#include "browse/filter_help.h"
#include "browse/column_visibility_dialog.h"
#include "browse/memo_window.h"
#include "browse/record_view_window.h"
#include "browse/locate_dialog.h"
#include "browse/goto_column_dialog.h"
#include "browse/sort_help.h"
#include "ui_services/prompts.h"
#include "query/query_window.h"
#include "query/table_designer.h"

namespace {

void showModal(QDialog& window) {
  qb::prompts().execModal(window);
}

void showModeless(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace

// --- The window's own commands ---------------------------------------------

void TForm1::Exit1Click() {
  close();
}

void TForm1::ToolButton5Click() {
  close();
}

// The entry has already inverted its check mark when this runs.
void TForm1::ShowToolbar1Click() {
  CoolBar1->setVisible(ShowToolbar1->isChecked());
}

void TForm1::ShowStatusbar1Click() {
  StatusBar1->setVisible(ShowStatusbar1->isChecked());
}

void TForm1::Font1Click() {
  const auto chosen = qb::prompts().chooseFont(fontDialogFont_);
  if (!chosen) return;
  fontDialogFont_ = *chosen;
  DBGrid1->setDataFont(*chosen);
  frmRecordView->setFont(*chosen);
  frmMemo->setFont(*chosen);
}

// The entry has already inverted its check mark; the next open reads it.
void TForm1::OpenSystemTables1Click() {}

// The sort is applied from the sort row only; this entry changes nothing.
void TForm1::Sort1Click() {}

// Wheel turns are left to the focused control.
void TForm1::FormMouseWheelDown() {}
void TForm1::FormMouseWheelUp() {}

void TForm1::Edit2KeyPress(QObject* /*sender*/, QChar& key) {
  if (key == QChar(13)) {
    key = QChar();
    SpeedButton2->click();
  }
}

// --- Show handlers -----------------------------------------------------------

void TForm1::About1Click() {
  showModal(*AboutBox);
}
void TForm1::SearchValue1Click() {
  showModal(*frmSearch);
}
void TForm1::Gotofield1Click() {
  showModal(*frmSelectField);
}
void TForm1::ShowHideColumns1Click() {
  showModal(*frmColumns);
}
void TForm1::ShowHideColumns2Click() {
  showModal(*frmColumns);
}
void TForm1::ToolButton6Click() {
  showModal(*frmColumns);
}
void TForm1::New1Click() {
  showModal(*frmNew);
}
void TForm1::ToolButton8Click() {
  showModal(*frmNew);
}
void TForm1::UsingFilters1Click() {
  showModal(*Form5);
}
void TForm1::SpeedButton2Click() {
  showModal(*Form5);
}
void TForm1::UsingSort1Click() {
  showModal(*frmSortHelp);
}
void TForm1::RecordView1Click() {
  showModeless(*frmRecordView);
}
void TForm1::RecordView2Click() {
  showModeless(*frmRecordView);
}
void TForm1::Query1Click() {
  showModeless(*Form14);
}

// --- Passing handlers --------------------------------------------------------

void TForm1::ToolButton1Click() {
  run("Open1Click", &TForm1::Open1Click);
}
void TForm1::ToolButton2Click() {
  run("SearchValue1Click", &TForm1::SearchValue1Click);
}
void TForm1::ToolButton3Click() {
  run("TableInfo1Click", &TForm1::TableInfo1Click);
}
void TForm1::GotoColumn1Click() {
  run("Gotofield1Click", &TForm1::Gotofield1Click);
}
void TForm1::ViewEditMemoField2Click() {
  run("ViewEditMemoField1Click", &TForm1::ViewEditMemoField1Click);
}
void TForm1::VisualCount2Click() {
  run("VisualCount1Click", &TForm1::VisualCount1Click);
}
void TForm1::ApplyFilter1Click() {
  FilterButton1->click();
}
void TForm1::CancelFilter1Click() {
  CancelFilterButton3->click();
}
void TForm1::PrintPreview1Click() {
  ToolButton4->click();
}
