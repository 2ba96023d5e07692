// The record view: the current record one field per line, a caption and an
// edit box for each grid column, in a modeless window. A navigator bar runs
// across the top; the white field area below scrolls when the fields reach
// past its bottom. The field controls are built by the record view command
// and thrown away when the window closes, so at start-up it is empty.
//
// Built controls, for grid column i (from 0, hidden ones included): the
// caption "lbl<i>" at left 12, top 45 + 50 × i, showing the column's title;
// the box "tbl<i>" at left 12, top 60 + 50 × i, as wide as the column (a
// hidden column's box has no width and is not seen), bound by the title's
// field name to the data source the build was given, so that it shows and
// edits the shared current record. Those are the places for the program's
// own font; a larger data font (View ▸ Font) spreads the bands in proportion
// to its line height, so that every caption stays readable above its box. A built view follows a change of
// table: when the dataset opens again it is built anew for the table now open, from the grid's columns of
// that moment.
#pragma once

#include <QWidget>

#include "connection/ui/data_source.h"

class GridColumns;
class QLabel;
class QScrollArea;
class RecordNavigator;

class TfrmRecordView : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmRecordView(QWidget* parent = nullptr);
  ~TfrmRecordView() override;

  // Builds one caption and one box per column of `columns`, bound through
  // `source`; the window keeps `columns` to build again after a change of
  // table, until it is closed. A build on a field area that still holds
  // controls stops at the first name taken, with the error "A component
  // named lbl0 already exists"; what is there stays.
  void buildFieldControls(DataSource& source, const GridColumns& columns);
  // Whether the field area holds built controls.
  bool built() const;

  // The window is being closed: every built caption and box is destroyed,
  // from the last made to the first.
  void FormClose();
  // A wheel step that no control used: the field area scrolls one page
  // down, or up.
  void FormMouseWheelDown();
  void FormMouseWheelUp();

  // The window's own data link, bound to the main window's current table
  // when the window is made; the navigator acts through it.
  DataSource DataSource1;
  RecordNavigator* DBNavigator1;
  // The field area; its widget() holds the built captions and boxes.
  QScrollArea* ScrollBox1;

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Follower;

  // Creates the controls of the columns, in column order.
  void buildControls(DataSource& source, const GridColumns& columns);
  // Puts the built controls in their bands, for the window's font.
  void placeControls();
  void destroyControls();
  // Turns wheel steps into page scrolls; true when the event was one.
  bool wheelTurned(QWheelEvent* event);
  // The dataset opened again while built: build for the table now open.
  void rebuild();

  QWidget* fieldArea_;
  std::vector<QWidget*> built_;  // in the order made
  const GridColumns* columns_ = nullptr;
  std::unique_ptr<Follower> follower_;
  int wheelAngle_ = 0;  // eighths of a degree not yet turned into a step
};

// Program-wide reference, set when the window set is created.
extern TfrmRecordView* frmRecordView;
