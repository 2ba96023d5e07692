// The table designer "New Table": a list of the fields of a table to be made
// (name, type, size), typed in under the list and added row by row, put in
// order with the list's pop-up menu. The list is all it produces; it stays on
// screen and is kept while the dialog is hidden. Nothing here creates a
// table, writes a file or reaches the database: "Save" is hidden and does
// nothing, and its save dialog is never shown.
#pragma once

#include <QDialog>

#include "ui_services/file_dialog.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;

class TfrmNew : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmNew(QWidget* parent = nullptr);

  // Centred over the main window each time it is shown.
  void setVisible(bool visible) override;

  // The field list: one row per field, the columns "Field Name", "Type",
  // "Size" and "Status" (always empty); plain text, one row selected at most.
  QTableWidget* ListView1;
  QLineEdit* Edit1;      // "Field Name"
  QComboBox* ComboBox1;  // "Type": String, Integer, Memo, Date, Boolean, Float
  QLineEdit* Edit2;      // "Size"
  QCheckBox* CheckBox1;  // "Required Field", recorded nowhere
  QPushButton* BitBtn1;  // "Add"
  QPushButton* BitBtn3;  // "Save", hidden
  QPushButton* BitBtn2;  // "Close"
  QMenu* PopupMenu1;     // the list's pop-up: "Remove", "Move Up"
  QAction *Remove1, *MoveUp1;
  // The save dialog the designer holds; nothing shows it.
  qb::FileDialog SaveDialog1;

  // Add: a row of the boxes' texts at the end of the list (nothing checked);
  // then the name box is emptied, the size box enabled (its text stays) and
  // "Required Field" unticked. The chosen type stays.
  void BitBtn1Click();
  // A type picked: "String" and "Memo" get the size "50", enabled; every
  // other type "0", disabled.
  void ComboBox1Change();
  // Deletes the selected row; nothing without one.
  void Remove1Click();
  // Moves the selected row one place up, the top row to the bottom (a single
  // row stays); the moved row stays selected. Nothing without a selection.
  void MoveUp1Click();
  // Hides the dialog; its result is Rejected.
  void BitBtn2Click();

 private:
  int selectedRow() const;
  // Inserts a row at `at` holding the cells of row `from`.
  void copyRow(int from, int at);
};

// Program-wide reference, set when the window set is created.
extern TfrmNew* frmNew;
