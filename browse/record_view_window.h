// The record view: the current record one field per line, a caption and an
// edit box for each grid column, in a modeless window. A navigator bar runs
// across the top; the white field area below scrolls when the fields reach
// past its bottom. The field controls are built by the record view command
// and thrown away when the window closes, so at start-up it is empty.
#pragma once

#include <QWidget>

#include "connection/ui/data_source.h"

class QScrollArea;
class RecordNavigator;

class TfrmRecordView : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmRecordView(QWidget* parent = nullptr);

  // The window's own data link, bound to the main window's current table
  // when the window is made; the navigator acts through it.
  DataSource DataSource1;
  RecordNavigator* DBNavigator1;
  // The field area; its widget() holds the built captions and boxes.
  QScrollArea* ScrollBox1;
};

// Program-wide reference, set when the window set is created.
extern TfrmRecordView* frmRecordView;
