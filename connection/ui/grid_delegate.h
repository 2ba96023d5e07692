// GridDelegate: paints the grid's cells and runs their in-place editor. A
// cell is painted in the standard way (the style's background and selection,
// the text two pixels from the side it is aligned to), then handed to the grid's
// cell-painting handler. The editor is a plain line edit; the delegate keeps
// track of the one open editor so that the grid can give its typed text to
// the field when the dataset asks for pending input.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>

class DataGrid;

class GridDelegate final : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit GridDelegate(DataGrid& grid);

  // The open editor, or null.
  QLineEdit* editor() const { return editor_; }
  // Column of the open editor's cell.
  int editorColumn() const { return editorColumn_; }

  // Paints a cell in the standard way only: fills it with the option's
  // background brush and writes its text.
  void paintStandard(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  // Gives a changed editor's text to the field; a refused text is shown in
  // the error box (the editor closes, the field keeps its value).
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
  void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  // The standard painting, with `background` instead of the model's when given.
  void drawCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                const QBrush* background) const;

  DataGrid& grid_;
  mutable QPointer<QLineEdit> editor_;
  mutable int editorColumn_ = -1;
};
