// The data grid of the main window (DBGrid1): the rows of the dataset behind
// its data source, one column per field, with a title row, an indicator
// column at the left (the vertical header) marking the current record and
// its state, in-place editing, Tab between cells and a context menu. Until a
// table is open it shows one empty column.
//
// Columns. The column list is one column per field in the dataset's field
// order, rebuilt (all visible, default widths) whenever the dataset opens;
// columns are addressed by position from 0, hidden ones included. Dragging a
// column title moves the field in the dataset's field order, and the column
// with it. Filtering and sorting leave the list alone.
//
// The grid and the dataset share one current record: moving the current cell
// to another row moves the dataset (which first saves a changed record and
// drops an unchanged new one; a refused save keeps the cell where it was), and
// every move of the dataset moves the current cell.
//
// Editing (the dataset's states change as a person expects of such a grid):
// - typing in a cell opens its editor with what was typed, and the record
//   goes into edit state with the first change; the text goes into the field
//   when the cell is left or the record is saved;
// - Insert inserts a new record at the current row; Down on the last row
//   appends one (not while an unchanged new record is there already);
// - Escape in the editor undoes the typing in the cell; with nothing typed
//   (or with the editor closed) it cancels the record's changes;
// - Ctrl+Delete asks "Delete record?" and deletes the current record on OK,
//   also while a cell's editor is open;
// - binary and OLE cells show a description of their value and take no
//   typing (field_display.h);
// - a new record that was never changed is dropped when the focus leaves the
//   grid for another control of its window.
// Errors of these steps are shown in the application's error box.
//
// The data font (View "Font") is the font of the cells and the title row.
// Cell texts sit two pixels from the side they are aligned to, the margin the default
// column widths allow for.
#pragma once

#include <QColor>
#include <QModelIndex>
#include <QSet>
#include <QString>
#include <QTableView>
#include <functional>

#include "connection/ui/data_source.h"
#include "connection/ui/grid_columns.h"

class GridDelegate;
class GridModel;
class QLineEdit;
class QMenu;

namespace qb {
class Field;
}

class DataGrid;

// One column of the grid's column list, addressed by position.
class GridColumn {
 public:
  GridColumn(DataGrid& grid, int index) : grid_(&grid), index_(index) {}

  int index() const { return index_; }
  // Name of the field shown; empty for the single column of an empty grid.
  QString fieldName() const;
  // The dataset's field of that name; null when no table is open.
  qb::Field* field() const;
  // The title cell's text: the field's name.
  QString title() const;
  bool visible() const;
  void setVisible(bool visible);
  // Width in pixels; -1 for a hidden column.
  int width() const;
  void setWidth(int width);

 private:
  DataGrid* grid_;
  int index_;
};

// A data cell as the cell-painting handler sees it, right after the grid has
// painted it in its normal way.
struct GridCell {
  QRect rect;
  int dataCol = 0;        // the column's position in the column list
  int row = 0;            // the dataset's display row painted
  bool selected = false;  // the grid's current cell
};

class DataGrid : public QTableView, private DataLink {
  Q_OBJECT

 public:
  explicit DataGrid(QWidget* parent = nullptr);
  ~DataGrid() override;

  // The data link (DataSource1 of the main window); null: unbound.
  using DataLink::dataSource;
  using DataLink::setDataSource;

  // The menu shown on a right click (not owned).
  void setPopupMenu(QMenu* menu) { popupMenu_ = menu; }
  QMenu* popupMenu() const { return popupMenu_; }

  // Gives the cells and the title row `font`. Columns whose width no command
  // or person has set take their default width in the new font.
  void setDataFont(const QFont& font);

  // ---- Columns ------------------------------------------------------------
  int columnCount() const;
  GridColumn column(int index) { return GridColumn(*this, index); }
  // Position of the column showing the field of that name (any case); -1.
  int columnOfField(const QString& fieldName) const;
  // The selected column: the one holding the current cell (0 when there is
  // no current cell), and its field (null when no table is open).
  int selectedIndex() const;
  qb::Field* selectedField() const;
  // The width a column gets when the list is built: the field's display width
  // times the width of "0" in the data font, plus 4; at least the title's
  // width plus 4.
  int defaultColumnWidth(int index) const;
  // The column list as the commands take it (see grid_columns.h).
  GridColumns& columns() { return columns_; }
  const GridColumns& columns() const { return columns_; }

  // ---- Cell painting ----------------------------------------------------
  // Called for every data cell after the grid painted it in its normal way
  // (the window's DBGrid1DrawColumnCell). Inside it, setCanvasBackground and
  // defaultDrawColumnCell paint the cell again with another background.
  void setDrawColumnCell(std::function<void(const GridCell&)> handler) {
    drawColumnCell_ = std::move(handler);
  }
  // The background the next default drawing fills the cell with; the cell's
  // normal colour when the handler starts.
  void setCanvasBackground(const QColor& colour) { canvasBackground_ = colour; }
  QColor canvasBackground() const { return canvasBackground_; }
  // Paints the cell again in the grid's standard way: fills it with the
  // canvas background and writes the field's text with the column's alignment.
  void defaultDrawColumnCell(const GridCell& cell);

  // The in-place editor, while one is open.
  QLineEdit* cellEditor() const;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void keyboardSearch(const QString& search) override;

 private:
  friend class GridColumn;
  friend class GridDelegate;
  struct ColumnState;

  // GridColumns over this grid's column list.
  class Columns final : public GridColumns {
   public:
    explicit Columns(DataGrid& grid) : grid_(grid) {}
    int count() const override;
    QString fieldName(int position) const override;
    bool visible(int position) const override;
    void setVisible(int position, bool visible) override;
    int width(int position) const override;
    void setWidth(int position, int width) override;
    int selected() const override;
    void select(int position) override;

   private:
    bool inRange(int position) const { return position >= 0 && position < count(); }
    DataGrid& grid_;
  };

  // DataLink.
  void activeChanged() override;
  void fieldListChanged() override;
  void stateChanged() override;
  void rowsChanged() override;
  void recordMoved() override;
  void fieldValueChanged(qb::Field& field) override;
  void writePendingInput() override;

  QString fieldNameAt(int index) const;
  qb::Field* fieldAt(int index) const;
  // Builds the column list from scratch (all visible, default widths).
  void buildColumns();
  // Closes the in-place editor without giving its text to the field.
  void closeCellEditor();
  // Reloads the model and gives the columns back their widths and flags.
  void reloadKeepingColumns();
  std::vector<ColumnState> saveColumns() const;
  void restoreColumns(const std::vector<ColumnState>& columns);
  void setSectionWidth(int index, int width);
  // Moves the current cell to the dataset's current record.
  void showCurrentRecord();
  // Moves the current cell to another column of the current record.
  void moveToColumn(int column);
  // Whether the current cell may move to `to` (the selection model asks
  // before every change): moving to another row moves the dataset.
  bool allowCurrentChange(const QModelIndex& to);
  // Gives the editor's typed text to its field (may throw).
  void writeEditorText();
  // The same, reporting a refused text in the error box; false then.
  bool giveEditorTextToField();
  // The editor's first change: the record goes into edit state.
  void editorTextEdited();
  // Escape with nothing typed in the editor.
  void cancelFromEditor();
  void appendOnLastRow();
  void deleteWithQuestion();
  // The focus moved; a new record never changed is dropped when it left the grid.
  void focusMoved(QWidget* from, QWidget* to);
  void columnDragged(int logical, int from, int to);
  // Paints the handler's part of a cell (from the delegate).
  void paintCellExtras(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index);

  GridModel* model_;
  GridDelegate* delegate_;
  Columns columns_{*this};
  QMenu* popupMenu_ = nullptr;
  std::function<void(const GridCell&)> drawColumnCell_;
  // While a cell is painted: its painter, options and background.
  QPainter* painter_ = nullptr;
  const QStyleOptionViewItem* paintOption_ = nullptr;
  QModelIndex paintIndex_;
  QColor canvasBackground_;
  bool syncing_ = false;  // the grid moves its own current cell
  bool buildingColumns_ = false;
  int currentColumn_ = 0;   // kept across model reloads
  QSet<QString> widthSet_;  // columns whose width was set since the list was built
};
