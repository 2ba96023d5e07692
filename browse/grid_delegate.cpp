// Cell painting and the in-place editor of the grid.
#include "browse/grid_delegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "browse/data_grid.h"
#include "connection/data_set.h"
#include "connection/field.h"
#include "ui_services/handler_guard.h"

GridDelegate::GridDelegate(DataGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

void GridDelegate::paintStandard(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  // As QStyledItemDelegate::paint, but with the background the caller set
  // (the item's own options would take the model's, which is none).
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  cell.backgroundBrush = option.backgroundBrush;
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  grid_.paintCellExtras(painter, option, index);
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
  auto* editor = static_cast<QLineEdit*>(QStyledItemDelegate::createEditor(parent, option, index));
  editor->setObjectName(QStringLiteral("InplaceEditor"));
  editor->setFrame(false);
  if (const qb::Field* field = grid_.fieldAt(index.column())) {
    switch (field->dataType()) {
      case qb::TFieldType::ftString:
      case qb::TFieldType::ftFixedChar:
      case qb::TFieldType::ftWideString:
        if (field->size() > 0) editor->setMaxLength(field->size());
        break;
      default:
        break;
    }
  }
  connect(editor, &QLineEdit::textEdited, &grid_, [this] { grid_.editorTextEdited(); });
  editor_ = editor;
  editorColumn_ = index.column();
  return editor;
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  auto* line = qobject_cast<QLineEdit*>(editor);
  // Only typed text reaches the field; an editor opened and left unchanged
  // (or whose text the field already holds) writes nothing.
  if (!line || !line->isModified()) return;
  line->setModified(false);
  qb::guarded([&] { model->setData(index, line->text(), Qt::EditRole); });
}

void GridDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
  if (editor == editor_) {
    editor_ = nullptr;
    editorColumn_ = -1;
  }
  QStyledItemDelegate::destroyEditor(editor, index);
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event) {
  auto* line = qobject_cast<QLineEdit*>(object);
  if (event->type() != QEvent::KeyPress || !line) return QStyledItemDelegate::eventFilter(object, event);
  switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Escape:
      if (!line->isModified()) {
        // Nothing typed in this cell: Escape goes on to the record.
        emit closeEditor(line, QAbstractItemDelegate::RevertModelCache);
        grid_.cancelFromEditor();
        return true;
      }
      break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // Keys that leave the cell: its text goes to the field first. A text
      // the field refuses is reported and the key is dropped, so the cell,
      // its editor and what was typed stay.
      if (line->isModified() && !grid_.giveEditorTextToField()) return true;
      break;
    default:
      break;
  }
  return QStyledItemDelegate::eventFilter(object, event);
}
