// The grid's item model: rows read on demand, the indicator glyphs, and the
// refreshes the grid calls for each kind of dataset change.
#include "connection/ui/grid_model.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <exception>

#include "connection/data_set.h"
#include "connection/field.h"
#include "connection/ui/field_display.h"

namespace {

enum class Indicator { Browse, Edit, Insert };

constexpr int kGlyphSize = 12;

// The indicator glyphs, drawn once: a triangle pointing at the current
// record, an I-beam while it is edited, a star for a new record.
QIcon indicatorGlyph(Indicator which) {
  static const QIcon glyphs[] = {[] {
                                   QPixmap pixmap(kGlyphSize, kGlyphSize);
                                   pixmap.fill(Qt::transparent);
                                   QPainter p(&pixmap);
                                   p.setRenderHint(QPainter::Antialiasing);
                                   QPainterPath path(QPointF(3, 1.5));
                                   path.lineTo(9.5, 6);
                                   path.lineTo(3, 10.5);
                                   path.closeSubpath();
                                   p.fillPath(path, Qt::black);
                                   return QIcon(pixmap);
                                 }(),
                                 [] {
                                   QPixmap pixmap(kGlyphSize, kGlyphSize);
                                   pixmap.fill(Qt::transparent);
                                   QPainter p(&pixmap);
                                   p.setPen(QPen(Qt::black, 1));
                                   p.drawLine(QPointF(6.5, 1), QPointF(6.5, 11));
                                   p.drawLine(QPointF(4, 1.5), QPointF(9, 1.5));
                                   p.drawLine(QPointF(4, 10.5), QPointF(9, 10.5));
                                   return QIcon(pixmap);
                                 }(),
                                 [] {
                                   QPixmap pixmap(kGlyphSize, kGlyphSize);
                                   pixmap.fill(Qt::transparent);
                                   QPainter p(&pixmap);
                                   p.setRenderHint(QPainter::Antialiasing);
                                   p.setPen(QPen(Qt::black, 1.6, Qt::SolidLine, Qt::RoundCap));
                                   p.drawLine(QPointF(6, 1.5), QPointF(6, 10.5));
                                   p.drawLine(QPointF(2.1, 3.75), QPointF(9.9, 8.25));
                                   p.drawLine(QPointF(2.1, 8.25), QPointF(9.9, 3.75));
                                   return QIcon(pixmap);
                                 }()};
  return glyphs[static_cast<int>(which)];
}

// Characters of a value a cell shows at most: far more than the widest cell
// holds, while measuring and eliding a memo of a million characters at every
// paint would take seconds.
constexpr qsizetype kShownCharacters = 4096;

// A value's text on one line, as far as a cell can show it: line breaks of a
// memo show as spaces.
QString oneLine(const QString& value) {
  QString text = value.left(kShownCharacters);
  for (QChar& c : text) {
    if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) c = QLatin1Char(' ');
  }
  return text;
}

}  // namespace

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::setDataSet(qb::DataSet* dataSet) {
  if (dataSet == dataSet_) return;
  dataSet_ = dataSet;
  reload();
}

bool GridModel::open() const {
  return dataSet_ && dataSet_->active();
}

void GridModel::reload() {
  beginResetModel();
  texts_.clear();
  fieldNames_.clear();
  alignRight_.clear();
  binary_.clear();
  rows_ = 0;
  if (open()) {
    rows_ = static_cast<int>(dataSet_->rowCount());
    for (std::size_t i = 0; i < dataSet_->fieldCount(); ++i) {
      const qb::Field& field = dataSet_->field(i);
      fieldNames_.append(QString::fromStdU16String(field.fieldName()));
      alignRight_.push_back(field.alignRight());
      binary_.push_back(qb::isBinaryFieldType(field.dataType()));
    }
  }
  indicatorRow_ = currentIndicatorRow();
  endResetModel();
}

void GridModel::rowsChanged() {
  if (!open() || static_cast<int>(dataSet_->rowCount()) != rows_ ||
      static_cast<int>(dataSet_->fieldCount()) != fieldNames_.size()) {
    reload();
    return;
  }
  texts_.clear();
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
  indicatorChanged();
}

void GridModel::cellChanged(int row, int column) {
  texts_.erase(row);
  if (row >= 0 && row < rows_ && column >= 0 && column < columnCount()) {
    emit dataChanged(index(row, column), index(row, column));
  }
}

void GridModel::indicatorChanged() {
  const int before = indicatorRow_;
  indicatorRow_ = currentIndicatorRow();
  for (const int row : {before, indicatorRow_}) {
    if (row >= 0 && row < rows_) emit headerDataChanged(Qt::Vertical, row, row);
  }
}

int GridModel::currentIndicatorRow() const {
  if (!open()) return -1;
  const auto row = dataSet_->currentRow();
  return row ? static_cast<int>(*row) : -1;
}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return fieldNames_.isEmpty() ? 1 : static_cast<int>(fieldNames_.size());
}

const std::vector<QString>& GridModel::rowTexts(int row) const {
  if (auto it = texts_.find(row); it != texts_.end()) return it->second;
  if (texts_.size() >= kCachedRows) texts_.clear();
  std::vector<QString> texts;
  texts.reserve(static_cast<std::size_t>(fieldNames_.size()));
  for (std::size_t field = 0; field < static_cast<std::size_t>(fieldNames_.size()); ++field) {
    try {
      const auto at = static_cast<std::size_t>(row);
      if (binary_[field]) {
        texts.push_back(
            qb::describeBinaryValue(dataSet_->valueAt(at, field), dataSet_->field(field).dataType()));
      } else {
        texts.push_back(QString::fromStdU16String(dataSet_->textAt(at, field)));
      }
    } catch (const std::exception&) {
      // A value that cannot be read (a damaged page) shows as such; the
      // rest of the row and the table stay usable.
      texts.push_back(QStringLiteral("#Error"));
    }
  }
  return texts_.emplace(row, std::move(texts)).first->second;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_ || index.column() >= fieldNames_.size()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return oneLine(rowTexts(index.row())[static_cast<std::size_t>(index.column())]);
    case Qt::EditRole:
      return rowTexts(index.row())[static_cast<std::size_t>(index.column())];
    case Qt::TextAlignmentRole:
      return static_cast<int>(
          (alignRight_[static_cast<std::size_t>(index.column())] ? Qt::AlignRight : Qt::AlignLeft) |
          Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    if (role == Qt::DisplayRole && section >= 0 && section < fieldNames_.size()) return fieldNames_[section];
    if (role == Qt::TextAlignmentRole) return static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
  }
  if (role != Qt::DecorationRole || section != indicatorRow_ || !open()) return {};
  switch (dataSet_->state()) {
    case qb::DataSetState::Edit:
      return indicatorGlyph(Indicator::Edit);
    case qb::DataSetState::Insert:
      return indicatorGlyph(Indicator::Insert);
    default:
      return indicatorGlyph(Indicator::Browse);
  }
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  // Binary and OLE cells show a description; typing would replace their
  // bytes with the typed characters, so they have no editor.
  if (open() && dataSet_->canModify() && index.column() < fieldNames_.size() &&
      !dataSet_->field(static_cast<std::size_t>(index.column())).readOnly() &&
      !binary_[static_cast<std::size_t>(index.column())]) {
    flags |= Qt::ItemIsEditable;
  }
  return flags;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !open() || !index.isValid() || index.column() >= fieldNames_.size() ||
      binary_[static_cast<std::size_t>(index.column())])
    return false;
  dataSet_->field(static_cast<std::size_t>(index.column())).setText(value.toString().toStdU16String());
  return true;
}
