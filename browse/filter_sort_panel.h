// The light-blue strip above the grid: the record navigator, then the filter
// row (bold "Filter", the filter box, "Apply Filter", "Cancel Filter", "?")
// above the sort row (bold "Sort", the sort box, "Apply Sort  ", "Cancel
// Sort  ", "?"). The main window connects the buttons and boxes to its
// handlers; this class only lays them out.
#pragma once

#include <QFrame>

class QLabel;
class QLineEdit;
class QToolButton;
class RecordNavigator;

class FilterSortPanel : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kHeight = 56;
  static constexpr QRgb kColour = 0xFFC3D5FD;  // red 195, green 213, blue 253

  explicit FilterSortPanel(QWidget* parent = nullptr);

  RecordNavigator* DBNavigator1;
  QLabel* Label1;
  QLineEdit* Edit2;
  QToolButton* FilterButton1;
  QToolButton* CancelFilterButton3;
  QToolButton* SpeedButton2;
  QLabel* Label2;
  QLineEdit* Edit3;
  QToolButton* SortButton4;
  QToolButton* CancelSortButton6;
  QToolButton* SpeedButton5;
};
