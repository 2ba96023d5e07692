// The Goto Column dialog: moves the grid's current cell, within the current
// record, to the column whose title is typed or chosen. Its field box
// (listing the visible columns' field names once the list is opened), OK and
// Cancel keep what they held between uses: nothing is reset when it opens.
// Shown modally by the Goto Column command, which gives it the grid's
// columns.
#pragma once

#include <QDialog>

class DropDownComboBox;
class GridColumns;
class QPushButton;

class TfrmSelectField : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSelectField(QWidget* parent = nullptr);

  // The columns the dialog moves in while it is shown (not owned; null: none).
  void setColumns(GridColumns* columns) { columns_ = columns; }

  // Each time the box's list opens: the box is emptied, then lists the
  // visible columns' field names in column order.
  void ComboBox1DropDown();
  // OK: the current cell moves to the column (hidden ones included) whose
  // title equals the box's text without regard to the case of a to z;
  // nothing when none does. The dialog closes either way.
  void BitBtn1Click();
  // Cancel: closes the dialog.
  void BitBtn2Click();

  DropDownComboBox* ComboBox1;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;

 private:
  GridColumns* columns_ = nullptr;
};

// Program-wide reference, set when the window set is created.
extern TfrmSelectField* frmSelectField;
