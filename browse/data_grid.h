// The data grid of the main window: a table view with a title row, an
// indicator column at the left, in-place editing, Tab between cells and a
// context menu. Until a table is open it shows one empty column. The data
// font (View "Font") changes the cells only; the titles keep the font the
// grid was made with.
#pragma once

#include <QTableView>

class QMenu;
class QStandardItemModel;

class DataGrid : public QTableView {
  Q_OBJECT

 public:
  explicit DataGrid(QWidget* parent = nullptr);

  // The menu shown on a right click (not owned).
  void setPopupMenu(QMenu* menu) { popupMenu_ = menu; }
  QMenu* popupMenu() const { return popupMenu_; }

  // Gives the cells `font`; the title row keeps its own.
  void setDataFont(const QFont& font);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QMenu* popupMenu_ = nullptr;
  QStandardItemModel* emptyModel_;
};
