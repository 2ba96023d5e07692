// The table information window: the current table's columns with their
// types, sizes and numbers, and a button that copies the column names.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace qb {
class DataSet;
}

class TfrmTableInfo : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmTableInfo(QWidget* parent = nullptr);

  // The dataset whose field definitions the list shows (not owned; null:
  // none, the list stays empty).
  void setDataSet(const qb::DataSet* dataSet) { dataSet_ = dataSet; }

  // Runs each time the window is shown: the list is built anew from the
  // dataset's field definitions (those of the table opened last, also after
  // it was closed).
  void FormShow();
  // "Copy field names to clipboard": the first cell of every row, each
  // followed by CR LF; an empty list leaves the clipboard as it was.
  void BitBtn1Click();

  QLabel* Label1;
  QPushButton* BitBtn1;
  QTableWidget* ListView1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const qb::DataSet* dataSet_ = nullptr;
};

// Program-wide reference, set when the window set is created.
extern TfrmTableInfo* frmTableInfo;
