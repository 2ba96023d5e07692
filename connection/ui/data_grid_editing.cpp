// The grid's keys, its current cell (shared with the dataset's current
// record) and the in-place editor's link to the dataset's states.
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTimer>

#include "connection/data_set.h"
#include "connection/field.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/grid_delegate.h"
#include "connection/ui/grid_model.h"
#include "ui_services/handler_guard.h"
#include "ui_services/prompts.h"

void DataGrid::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  qb::DataSet* set = dataSet();
  if (!set || !set->active()) {
    QTableView::keyPressEvent(event);
    return;
  }
  bool handled = true;
  qb::guarded([&] {
    if (event->key() == Qt::Key_Insert && modifiers == Qt::NoModifier) {
      set->insert();
    } else if (event->key() == Qt::Key_Delete && modifiers == Qt::ControlModifier) {
      deleteWithQuestion();
    } else if (event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
      set->cancel();
    } else if (event->key() == Qt::Key_Down && modifiers == Qt::NoModifier && set->rowCount() > 0 &&
               currentIndex().row() == static_cast<int>(set->rowCount()) - 1) {
      appendOnLastRow();
    } else {
      handled = false;
    }
  });
  if (handled) {
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

void DataGrid::appendOnLastRow() {
  qb::DataSet* set = dataSet();
  // A new record nobody has typed into yet stays the last one.
  const QLineEdit* editor = cellEditor();
  if (set->state() == qb::DataSetState::Insert && !set->modified() && !(editor && editor->isModified()))
    return;
  set->append();
}

void DataGrid::deleteWithQuestion() {
  qb::DataSet* set = dataSet();
  if (set->rowCount() == 0) return;
  if (!qb::prompts().confirm(QStringLiteral("Delete record?"))) return;
  set->deleteRecord();
}

bool DataGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  // Only the cells of an open table have editors (flags() tells which).
  if (!linkActive()) return false;
  return QTableView::edit(index, trigger, event);
}

void DataGrid::keyboardSearch(const QString& /*search*/) {
  // Typing where no editor opens does not look for a row: that would read
  // the whole table.
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  if (current.isValid()) currentColumn_ = current.column();
  QTableView::currentChanged(current, previous);
}

void DataGrid::showCurrentRecord() {
  QScopedValueRollback<bool> syncing(syncing_, true);
  const qb::DataSet* set = dataSet();
  const auto row = set && set->active() ? set->currentRow() : std::nullopt;
  if (!row || static_cast<int>(*row) >= model_->rowCount()) {
    selectionModel()->clear();
    return;
  }
  const int column = std::clamp(currentColumn_, 0, model_->columnCount() - 1);
  const QModelIndex index = model_->index(static_cast<int>(*row), column);
  if (index != currentIndex()) {
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  } else if (!selectionModel()->isSelected(index)) {
    selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
  }
  scrollTo(index);
}

void DataGrid::moveToColumn(int column) {
  const qb::DataSet* set = dataSet();
  const auto row = set && set->active() ? set->currentRow() : std::nullopt;
  if (!row || static_cast<int>(*row) >= model_->rowCount()) {
    // No current cell: the column is taken when a record becomes current.
    currentColumn_ = column;
    return;
  }
  // Leaving the cell gives its typed text to the field first; a text the
  // field refuses keeps the cell where it is (see allowCurrentChange).
  const QModelIndex index = model_->index(static_cast<int>(*row), column);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  scrollTo(index);
}

bool DataGrid::allowCurrentChange(const QModelIndex& to) {
  if (syncing_ || !to.isValid()) return true;
  qb::DataSet* set = dataSet();
  if (!set || !set->active()) return true;
  bool done = false;
  const int previousColumn = currentColumn_;
  qb::guarded([&] {
    const auto row = set->currentRow();
    if (row && static_cast<int>(*row) == to.row()) {
      // Another cell of the same record: the typed text goes to its field.
      writeEditorText();
    } else {
      // Another record: the dataset moves (saving or dropping the record
      // being edited) and the current cell follows it.
      currentColumn_ = to.column();
      set->moveTo(static_cast<std::size_t>(to.row()));
    }
    done = true;
  });
  if (!done) currentColumn_ = previousColumn;
  if (done && currentIndex() == to) return false;  // the dataset's move put the cell there
  const auto now = set->currentRow();
  if (done && now && static_cast<int>(*now) == to.row()) return true;
  // Refused, or the record moved elsewhere (a dropped new record shifts the
  // rows below it): the view may go on selecting the cell it asked for, so
  // put the selection back on the current record once it is done.
  QTimer::singleShot(0, this, [this] { showCurrentRecord(); });
  return false;
}

void DataGrid::writeEditorText() {
  QLineEdit* editor = cellEditor();
  if (!editor || !editor->isModified()) return;
  qb::Field* field = fieldAt(delegate_->editorColumn());
  if (!field) return;
  field->setText(editor->text().toStdU16String());
  editor->setModified(false);
}

bool DataGrid::giveEditorTextToField() {
  bool given = false;
  qb::guarded([&] {
    writeEditorText();
    given = true;
  });
  return given;
}

void DataGrid::editorTextEdited() {
  qb::DataSet* set = dataSet();
  if (!set || set->state() != qb::DataSetState::Browse) return;
  bool editing = false;
  qb::guarded([&] {
    set->edit();
    editing = true;
  });
  if (!editing) {
    if (QLineEdit* editor = cellEditor()) closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
  }
}

void DataGrid::cancelFromEditor() {
  qb::guarded([&] {
    if (qb::DataSet* set = dataSet()) set->cancel();
  });
}

void DataGrid::focusMoved(QWidget* from, QWidget* to) {
  const auto inGrid = [this](const QWidget* w) { return w && (w == this || isAncestorOf(w)); };
  // Only a move to another control of the grid's own window counts: a box
  // or dialog shown over it does not take the focus from the grid.
  if (!inGrid(from) || inGrid(to) || !to || to->window() != window()) return;
  qb::guarded([&] {
    qb::DataSet* set = dataSet();
    const QLineEdit* editor = cellEditor();
    if (set && set->state() == qb::DataSetState::Insert && !set->modified() &&
        !(editor && editor->isModified())) {
      set->cancel();
    }
  });
}
