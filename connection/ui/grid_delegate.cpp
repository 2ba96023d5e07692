// Cell painting and the in-place editor of the grid.
#include "connection/ui/grid_delegate.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

#include "connection/data_set.h"
#include "connection/field.h"
#include "connection/ui/data_grid.h"
#include "ui_services/handler_guard.h"

GridDelegate::GridDelegate(DataGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

namespace {

// Space between a cell's side and its text, on the side the text is aligned
// to. A column's default width is its values' width plus 4: this margin, the
// grid line, and a pixel to spare on the other side.
constexpr int kTextMargin = 2;

}  // namespace

void GridDelegate::paintStandard(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  drawCell(painter, option, index, &option.backgroundBrush);
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  drawCell(painter, option, index, nullptr);
  grid_.paintCellExtras(painter, option, index);
}

void GridDelegate::drawCell(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                            const QBrush* background) const {
  QStyleOptionViewItem cell = option;
  initStyleOption(&cell, index);
  // The item's own options would take the model's background, which is none.
  if (background) cell.backgroundBrush = *background;
  // The style draws background, selection and focus; the text is written
  // here, because the style's text padding is wider than the margin the
  // column widths allow for.
  const QString text = cell.text;
  cell.text.clear();
  cell.features &= ~QStyleOptionViewItem::HasDisplay;
  const QWidget* widget = option.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
  if (text.isEmpty()) return;

  const QPalette::ColorGroup group = !cell.state.testFlag(QStyle::State_Enabled) ? QPalette::Disabled
                                     : cell.state.testFlag(QStyle::State_Active) ? QPalette::Normal
                                                                                 : QPalette::Inactive;
  const QPalette::ColorRole role =
      cell.state.testFlag(QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;
  const QRect area = cell.displayAlignment.testFlag(Qt::AlignRight)
                         ? cell.rect.adjusted(0, 0, -kTextMargin, 0)
                         : cell.rect.adjusted(kTextMargin, 0, 0, 0);
  painter->save();
  painter->setFont(cell.font);
  painter->setPen(cell.palette.color(group, role));
  painter->setClipRect(cell.rect);
  painter->drawText(area, static_cast<int>(cell.displayAlignment) | Qt::TextSingleLine,
                    QFontMetrics(cell.font).elidedText(text, Qt::ElideRight, area.width()));
  painter->restore();
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
  if (line && event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) {
      // Another window took the focus: an error box about this very cell,
      // a confirmation, the record view, another program. The editor stays
      // open with what was typed, which reaches the field when the cell is
      // left; giving it now would report a refused text a second time and
      // throw away what was typed.
      return false;
    }
  }
  if (event->type() != QEvent::KeyPress || !line) return QStyledItemDelegate::eventFilter(object, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Delete && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
    // Ctrl+Delete asks to delete the record, in the editor as in the grid;
    // it does not delete a word of the text.
    qb::guarded([&] { grid_.deleteWithQuestion(); });
    return true;
  }
  switch (key->key()) {
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
