// The column visibility window ("Show / Hide Columns"): one row per grid
// column, in column order, with its field name and "Visible" or "Hidden". A
// right click on a row selects it and opens a menu: Show, Hide, Show All,
// Hide All; each changes the grid at once. A note under the list says that
// hidden columns are left out of printing and export. Shown modally by the
// column command, which gives it the current table and the grid's columns;
// the list is built again each time the window opens.
#pragma once

#include <QDialog>

class GridColumns;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QAction;

namespace qb {
class DataSet;
}

class TfrmColumns : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmColumns(QWidget* parent = nullptr);

  // What the window works on while it is shown (not owned; null: nothing).
  void setSubject(const qb::DataSet* dataSet, GridColumns* columns);

  // The window opens: the list is emptied and, with a table open, gets one
  // row per grid column.
  void FormShow();
  // The menu's entries: with a row selected, make its column visible or
  // hidden; for every column, make it visible or hidden.
  void Show1Click();
  void Hide1Click();
  void ShowAll1Click();
  void HideAll1Click();
  // "&Close".
  void BitBtn1Click();

  void setVisible(bool visible) override;

  QTableWidget* ListView1;
  QMenu* PopupMenu1;
  QAction* Show1;
  QAction* Hide1;
  QAction* ShowAll1;
  QAction* HideAll1;
  QPlainTextEdit* Memo1;
  QPushButton* BitBtn1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The list row's position, or -1 when none is selected.
  int selectedRow() const;
  // Sets grid column `position` and its row of the list.
  void setColumnVisible(int position, bool visible);
  void setAll(bool visible);
  void listMenuRequested(const QPoint& at);

  const qb::DataSet* data_ = nullptr;
  GridColumns* columns_ = nullptr;
};

// Program-wide reference, set when the window set is created.
extern TfrmColumns* frmColumns;
