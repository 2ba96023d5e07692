// The Locate dialog: finds a record of the current table by the value of a
// field. A field box (typed, or chosen from a list of the visible columns'
// field names), a value box, "Case Insensitve" and "Partial Search" (both
// ticked at first), OK and Cancel. The value box and the check boxes keep
// what they held from one use to the next; the field box is emptied each
// time the dialog opens. Shown modally by the Search Value command, which
// gives it the dataset to search and the grid's columns for the list.
#pragma once

#include <QDialog>

class DropDownComboBox;
class GridColumns;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qb {
class DataSet;
}

class TfrmSearch : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSearch(QWidget* parent = nullptr);

  // What the dialog works on while it is shown (not owned; null: nothing).
  void setSubject(qb::DataSet* dataSet, const GridColumns* columns);

  // Each time the dialog opens: the field box is emptied, then lists every
  // field of the current table in field order (none when no table is open).
  void FormShow();
  // Each time the field box's list opens: the box is emptied (what was typed
  // is lost), then lists the visible columns' field names in column order.
  void ComboBox1DropDown();
  // OK: looks for the first record whose field (the field box's text)
  // matches the value box's text, under the busy cursor; a match becomes
  // the current record, no match changes nothing. Errors go to the error
  // box. The dialog closes either way.
  void BitBtn1Click();
  // Cancel: closes the dialog; nothing is searched.
  void BitBtn2Click();

  QLabel* Label1;
  DropDownComboBox* ComboBox1;
  QLabel* Label2;
  QLineEdit* Edit1;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  qb::DataSet* data_ = nullptr;
  const GridColumns* columns_ = nullptr;
};

// Program-wide reference, set when the window set is created.
extern TfrmSearch* frmSearch;
