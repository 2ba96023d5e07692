// The record navigator: nine buttons that move through the records of the
// current table and change its state (first, prior, next, last, insert,
// delete, edit, post, cancel). The main window shows one with hints above
// the grid, the record view one without hints. The buttons start disabled:
// they are enabled from the state of the table the navigator is bound to.
#pragma once

#include <QWidget>
#include <array>

class QToolButton;

enum class NavigateButton { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel };

class RecordNavigator : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kButtonCount = 9;

  // `showHints`: whether each button shows its hint ("First record", ...).
  RecordNavigator(bool showHints, QWidget* parent = nullptr);

  QToolButton* button(NavigateButton which) const;

 signals:
  void clicked(NavigateButton which);

 private:
  std::array<QToolButton*, kButtonCount> buttons_{};
};
