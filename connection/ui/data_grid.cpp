// Grid settings, the column list, following the dataset through the data
// link, and the cell-painting handler's hooks. Keys, the current cell and
// the in-place editor are in data_grid_editing.cpp.
#include "connection/ui/data_grid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

#include "connection/data_set.h"
#include "connection/field.h"
#include "connection/ui/grid_delegate.h"
#include "connection/ui/grid_model.h"
#include "ui_services/handler_guard.h"

namespace {

// Width of the single column of an empty grid.
constexpr int kEmptyColumnWidth = 64;
// Width of the indicator column.
constexpr int kIndicatorWidth = 14;

// Asks the grid before every change of the current cell.
class GridSelectionModel final : public QItemSelectionModel {
 public:
  GridSelectionModel(QAbstractItemModel* model, std::function<bool(const QModelIndex&)> allow,
                     QObject* parent)
      : QItemSelectionModel(model, parent), allow_(std::move(allow)) {}

  void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
    if (index != currentIndex() && !allow_(index)) return;
    QItemSelectionModel::setCurrentIndex(index, command);
  }

 private:
  std::function<bool(const QModelIndex&)> allow_;
};

}  // namespace

struct DataGrid::ColumnState {
  QString fieldName;
  int width = 0;
  bool visible = true;
  bool widthSet = false;
};

// ---- GridColumn ------------------------------------------------------------

QString GridColumn::fieldName() const {
  return grid_->fieldNameAt(index_);
}

qb::Field* GridColumn::field() const {
  return grid_->fieldAt(index_);
}

QString GridColumn::title() const {
  return fieldName();
}

bool GridColumn::visible() const {
  return !grid_->isColumnHidden(index_);
}

void GridColumn::setVisible(bool visible) {
  grid_->setColumnHidden(index_, !visible);
}

int GridColumn::width() const {
  return visible() ? grid_->columnWidth(index_) : -1;
}

void GridColumn::setWidth(int width) {
  grid_->setSectionWidth(index_, width);
}

// ---- GridColumns -------------------------------------------------------------

int DataGrid::Columns::count() const {
  return grid_.columnCount();
}

QString DataGrid::Columns::fieldName(int position) const {
  return grid_.fieldNameAt(position);
}

bool DataGrid::Columns::visible(int position) const {
  return inRange(position) && grid_.column(position).visible();
}

void DataGrid::Columns::setVisible(int position, bool visible) {
  if (inRange(position)) grid_.column(position).setVisible(visible);
}

int DataGrid::Columns::width(int position) const {
  return inRange(position) ? grid_.column(position).width() : -1;
}

void DataGrid::Columns::setWidth(int position, int width) {
  grid_.setSectionWidth(position, width);
}

int DataGrid::Columns::selected() const {
  return grid_.selectedIndex();
}

void DataGrid::Columns::select(int position) {
  if (inRange(position)) grid_.moveToColumn(position);
}

// ---- The grid ----------------------------------------------------------------

DataGrid::DataGrid(QWidget* parent)
    : QTableView(parent), model_(new GridModel(this)), delegate_(new GridDelegate(*this)) {
  setObjectName(QStringLiteral("DBGrid1"));
  setModel(model_);
  QItemSelectionModel* standard = selectionModel();
  setSelectionModel(new GridSelectionModel(
      model_, [this](const QModelIndex& to) { return allowCurrentChange(to); }, this));
  delete standard;
  setItemDelegate(delegate_);

  setSelectionBehavior(QAbstractItemView::SelectItems);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                  QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  setTabKeyNavigation(true);
  setShowGrid(true);
  setWordWrap(false);
  setAlternatingRowColors(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

  QHeaderView* titles = horizontalHeader();
  titles->setSectionsMovable(true);
  titles->setHighlightSections(false);
  titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  titles->setMinimumSectionSize(1);
  connect(titles, &QHeaderView::sectionMoved, this, &DataGrid::columnDragged);
  connect(titles, &QHeaderView::sectionResized, this, [this](int index, int oldSize, int newSize) {
    // Hiding and showing a column resize it to and from nothing.
    if (buildingColumns_ || oldSize == 0 || newSize == 0) return;
    const QString name = fieldNameAt(index);
    if (!name.isEmpty()) widthSet_.insert(name);
  });

  // The indicator column: narrow, no numbers, one glyph at the current row.
  QHeaderView* indicator = verticalHeader();
  indicator->setSectionResizeMode(QHeaderView::Fixed);
  indicator->setMinimumWidth(kIndicatorWidth);
  indicator->setMaximumWidth(kIndicatorWidth);
  indicator->setDefaultSectionSize(QFontMetrics(font()).height() + 6);
  indicator->setHighlightSections(false);
  indicator->setSectionsClickable(false);

  connect(qApp, &QApplication::focusChanged, this, &DataGrid::focusMoved);
  buildColumns();
}

DataGrid::~DataGrid() {
  // Leave the data source before the model and delegate go away.
  DataLink::setDataSource(nullptr);
}

void DataGrid::setDataFont(const QFont& font) {
  setFont(font);
  // The title row takes it too, so that a column's title width is measured
  // in the font it is drawn in.
  horizontalHeader()->setFont(font);
  verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
  QScopedValueRollback<bool> building(buildingColumns_, true);
  for (int i = 0; i < columnCount(); ++i) {
    if (!widthSet_.contains(fieldNameAt(i))) horizontalHeader()->resizeSection(i, defaultColumnWidth(i));
  }
}

void DataGrid::contextMenuEvent(QContextMenuEvent* event) {
  qb::guarded([&] {
    if (popupMenu_) popupMenu_->popup(event->globalPos());
    event->accept();
  });
}

// ---- Columns -------------------------------------------------------------------

int DataGrid::columnCount() const {
  return model_->columnCount();
}

int DataGrid::columnOfField(const QString& fieldName) const {
  const QStringList& names = model_->fieldNames();
  for (int i = 0; i < names.size(); ++i) {
    if (names[i].compare(fieldName, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

int DataGrid::selectedIndex() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.column() : 0;
}

qb::Field* DataGrid::selectedField() const {
  return fieldAt(selectedIndex());
}

QString DataGrid::fieldNameAt(int index) const {
  const QStringList& names = model_->fieldNames();
  return index >= 0 && index < names.size() ? names[index] : QString();
}

qb::Field* DataGrid::fieldAt(int index) const {
  const qb::DataSet* set = dataSet();
  const QString name = fieldNameAt(index);
  if (!set || !set->active() || name.isEmpty()) return nullptr;
  return set->findField(name.toStdU16String());
}

int DataGrid::defaultColumnWidth(int index) const {
  const qb::Field* field = fieldAt(index);
  if (!field) return kEmptyColumnWidth;
  // Scalable fonts have fractional advances: the widths are rounded up, so
  // that the text they are measured for fits.
  const auto pixels = [](qreal width) { return static_cast<int>(std::ceil(width - 1e-6)) + 4; };
  const int values =
      pixels(field->displayWidth() * QFontMetricsF(font()).horizontalAdvance(QLatin1Char('0')));
  const int title = pixels(QFontMetricsF(horizontalHeader()->font())
                               .horizontalAdvance(QString::fromStdU16String(field->fieldName())));
  return std::max(values, title);
}

void DataGrid::setSectionWidth(int index, int width) {
  if (index < 0 || index >= columnCount()) return;
  horizontalHeader()->resizeSection(index, std::max(width, 0));
}

void DataGrid::buildColumns() {
  QScopedValueRollback<bool> building(buildingColumns_, true);
  widthSet_.clear();
  for (int i = 0; i < columnCount(); ++i) {
    setColumnHidden(i, false);
    horizontalHeader()->resizeSection(i, defaultColumnWidth(i));
  }
}

std::vector<DataGrid::ColumnState> DataGrid::saveColumns() const {
  std::vector<ColumnState> columns;
  const QStringList& names = model_->fieldNames();
  for (int i = 0; i < names.size(); ++i) {
    columns.push_back({names[i], columnWidth(i), !isColumnHidden(i), widthSet_.contains(names[i])});
  }
  return columns;
}

void DataGrid::restoreColumns(const std::vector<ColumnState>& columns) {
  QScopedValueRollback<bool> building(buildingColumns_, true);
  for (int i = 0; i < columnCount(); ++i) {
    const QString name = fieldNameAt(i);
    const auto saved = std::find_if(columns.begin(), columns.end(),
                                    [&](const ColumnState& c) { return c.fieldName == name; });
    if (saved == columns.end()) {
      setColumnHidden(i, false);
      horizontalHeader()->resizeSection(i, defaultColumnWidth(i));
      continue;
    }
    horizontalHeader()->resizeSection(i, saved->width);
    setColumnHidden(i, !saved->visible);
  }
}

void DataGrid::closeCellEditor() {
  // Closed by the view, the editor hands the focus back to the grid; hidden
  // by a model reset, it would pass the focus on like a Tab key and move
  // the current cell.
  if (QLineEdit* editor = cellEditor()) closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void DataGrid::reloadKeepingColumns() {
  closeCellEditor();
  const std::vector<ColumnState> columns = saveColumns();
  const QString currentField = fieldNameAt(currentColumn_);
  model_->reload();
  restoreColumns(columns);
  const int moved = columnOfField(currentField);
  if (moved >= 0) currentColumn_ = moved;
}

void DataGrid::columnDragged(int /*logical*/, int from, int to) {
  {
    // The header shows columns in list order: the list itself moves.
    const QSignalBlocker blocker(horizontalHeader());
    horizontalHeader()->moveSection(to, from);
  }
  qb::guarded([&] {
    qb::DataSet* set = dataSet();
    if (set && set->active()) set->moveField(static_cast<std::size_t>(from), static_cast<std::size_t>(to));
  });
}

// ---- Following the dataset -------------------------------------------------------

void DataGrid::activeChanged() {
  closeCellEditor();
  model_->setDataSet(dataSet());
  model_->reload();
  currentColumn_ = 0;
  buildColumns();
  showCurrentRecord();
}

void DataGrid::fieldListChanged() {
  reloadKeepingColumns();
  showCurrentRecord();
}

void DataGrid::stateChanged() {
  model_->indicatorChanged();
  // Shading depends on the state (none while inserting).
  viewport()->update();
}

void DataGrid::rowsChanged() {
  const qb::DataSet* set = dataSet();
  if (set && set->active() && static_cast<int>(set->rowCount()) == model_->rowCount()) {
    model_->rowsChanged();
  } else {
    reloadKeepingColumns();
  }
  showCurrentRecord();
}

void DataGrid::recordMoved() {
  model_->indicatorChanged();
  showCurrentRecord();
}

void DataGrid::fieldValueChanged(qb::Field& field) {
  const qb::DataSet* set = dataSet();
  const auto row = set ? set->currentRow() : std::nullopt;
  if (row) model_->cellChanged(static_cast<int>(*row), static_cast<int>(field.index()));
}

void DataGrid::writePendingInput() {
  writeEditorText();
}

QLineEdit* DataGrid::cellEditor() const {
  return delegate_->editor();
}

// ---- Cell painting -----------------------------------------------------------------

void DataGrid::paintCellExtras(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) {
  if (!drawColumnCell_ || !linkActive() || index.column() >= model_->fieldNames().size()) return;
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  canvasBackground_ = selected ? palette().highlight().color() : palette().base().color();
  const GridCell cell{option.rect, index.column(), index.row(), selected};
  painter_ = painter;
  paintOption_ = &option;
  paintIndex_ = index;
  try {
    drawColumnCell_(cell);
  } catch (...) {
    // Painting goes on; a box raised from here would be painted over and
    // over again.
  }
  painter_ = nullptr;
  paintOption_ = nullptr;
}

void DataGrid::defaultDrawColumnCell(const GridCell& cell) {
  if (!painter_ || !paintOption_) return;
  QStyleOptionViewItem option = *paintOption_;
  option.rect = cell.rect;
  option.backgroundBrush = canvasBackground_;
  delegate_->paintStandard(painter_, option, paintIndex_);
}
