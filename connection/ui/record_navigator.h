// The record navigator: nine buttons that move through the records of the
// dataset it is bound to and change its state (first, prior, next, last,
// insert, delete, edit, post, cancel). The main window shows one with hints
// above the grid, the record view one without hints.
//
// Each button acts on the dataset itself ("Delete record?" is asked before a
// delete; errors go to the application's error box) and is enabled when:
//   first, prior   a table is open and the current record is not the first
//   next, last     a table is open and the current record is not the last
//   insert         the table may be modified
//   delete         the table may be modified and shows a record
//   edit           the table may be modified and no record is being changed
//   post, cancel   the table may be modified and a record is being changed
// With no table open (or no data source) every button is disabled. A record
// being inserted is neither the first nor the last.
#pragma once

#include <QWidget>
#include <array>

#include "connection/ui/data_source.h"

class QToolButton;

enum class NavigateButton { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel };

class RecordNavigator : public QWidget, private DataLink {
  Q_OBJECT

 public:
  static constexpr int kButtonCount = 9;

  // `showHints`: whether each button shows its hint ("First record", ...).
  RecordNavigator(bool showHints, QWidget* parent = nullptr);
  ~RecordNavigator() override;

  QToolButton* button(NavigateButton which) const;

  // The data link the buttons act through (not owned; null: unbound).
  using DataLink::dataSource;
  using DataLink::setDataSource;

  // What a click on the button does (also for a disabled button).
  void perform(NavigateButton which);

 private:
  void activeChanged() override { updateButtons(); }
  void stateChanged() override { updateButtons(); }
  void rowsChanged() override { updateButtons(); }
  void recordMoved() override { updateButtons(); }
  void updateButtons();

  std::array<QToolButton*, kButtonCount> buttons_{};
};
