// The main window's own commands (Exit, the tool bar and status bar, the
// font, the about box, the entries that change nothing) and the handlers
// that only pass a command on to another entry or button.
#include <QAction>
#include <QStatusBar>
#include <QToolButton>

#include "app/about_box.h"
#include "app/font_command.h"
#include "app/main_window.h"
#include "browse/memo_window.h"
#include "browse/record_view_window.h"
#include "ui_services/prompts.h"

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
  qb::chooseDataFont(fontDialogFont_, qb::prompts(), *DBGrid1, *frmRecordView, *frmMemo);
}

void TForm1::About1Click() {
  qb::prompts().execModal(*AboutBox);
}

// The entry has already inverted its check mark; the next open reads it.
void TForm1::OpenSystemTables1Click() {}

// A hidden entry that changes nothing.
void TForm1::Associate1Click() {}

// The sort is applied from the sort row only; this entry changes nothing.
void TForm1::Sort1Click() {}

// Wheel turns are left to the focused control.
void TForm1::FormMouseWheelDown() {}
void TForm1::FormMouseWheelUp() {}

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
