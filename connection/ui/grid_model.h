// GridModel: the grid's item model over a dataset. A thin adapter: row r is
// the dataset's display row r, column c its field c; nothing is read when the
// dataset opens, and a cell's text is read when the view asks for it (only
// rows in view are painted), through the dataset's access by position, which
// does not move the current record. A few hundred rows of texts are kept, so
// repainting and scrolling back and forth read nothing again.
//
// Binary and OLE cells show a short description of their value and cannot
// be edited (field_display.h).
//
// With no table open the model has one column without a field and no rows.
// The vertical header is the indicator column: the current row shows the
// state's glyph (browse: a triangle, edit: an I-beam, insert: a star).
//
// The model does not observe the dataset itself: the grid that owns it hears
// about every change through its data link and calls the matching refresh
// below, so that the order of model, view and current cell stays in one hand.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <unordered_map>
#include <vector>

namespace qb {
class DataSet;
}

class GridModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Rows of cell texts kept; the cache starts over when full.
  static constexpr std::size_t kCachedRows = 512;

  explicit GridModel(QObject* parent = nullptr);

  // The dataset shown (not owned); null or closed: the single empty column.
  qb::DataSet* dataSet() const { return dataSet_; }
  void setDataSet(qb::DataSet* dataSet);

  // Names of the fields shown, in column order, as of the last reload.
  const QStringList& fieldNames() const { return fieldNames_; }

  // Refreshes, each for one kind of dataset change:
  // everything (opened, closed, field list changed, rows added or removed);
  void reload();
  // the rows' contents or order, with the same number of rows (falls back to
  // reload when the number changed);
  void rowsChanged();
  // one cell of the current record;
  void cellChanged(int row, int column);
  // the current row or the state shown in the indicator column.
  void indicatorChanged();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Sets the field from the typed text (the dataset must be editing). A text
  // the field refuses throws; the grid reports it.
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

 private:
  bool open() const;
  const std::vector<QString>& rowTexts(int row) const;
  // The indicator row as the dataset has it now (-1: none).
  int currentIndicatorRow() const;

  qb::DataSet* dataSet_ = nullptr;
  int rows_ = 0;
  QStringList fieldNames_;
  std::vector<bool> alignRight_;
  std::vector<bool> binary_;  // binary and OLE columns: described, not editable
  int indicatorRow_ = -1;
  mutable std::unordered_map<int, std::vector<QString>> texts_;
};
