// The "Show / Hide Columns" window: its list, menu, note and handlers.
#include "browse/column_visibility_dialog.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "browse/dialog_controls.h"
#include "connection/data_set.h"
#include "connection/ui/grid_columns.h"
#include "ui_services/handler_guard.h"
#include "ui_services/window_frame.h"
#include "ui_services/window_placement.h"

TfrmColumns* frmColumns = nullptr;

namespace {

const QString kVisible = QStringLiteral("Visible");
const QString kHidden = QStringLiteral("Hidden");
// The names column's width when the names are short; longer names widen it.
constexpr int kNameColumnWidth = 200;

QTableWidgetItem* listItem(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

TfrmColumns::TfrmColumns(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmColumns"));
  setWindowTitle(QStringLiteral("Show / Hide Columns"));

  ListView1 = new QTableWidget(0, 2, this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setHorizontalHeaderLabels({QStringLiteral("Column"), QStringLiteral("Status")});
  ListView1->verticalHeader()->hide();
  ListView1->horizontalHeader()->setStretchLastSection(true);
  ListView1->horizontalHeader()->setHighlightSections(false);
  ListView1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ListView1->setColumnWidth(0, kNameColumnWidth);
  ListView1->setShowGrid(true);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setWordWrap(false);
  ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 6);
  ListView1->setToolTip(QStringLiteral("Right click to change status."));
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListView1, &QWidget::customContextMenuRequested, this, &TfrmColumns::listMenuRequested);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  const auto entry = [this](const char* name, const QString& caption, void (TfrmColumns::*handler)()) {
    return qb::addMenuEntry(*PopupMenu1, name, caption, [this, handler] { (this->*handler)(); });
  };
  Show1 = entry("Show1", QStringLiteral("Show"), &TfrmColumns::Show1Click);
  Hide1 = entry("Hide1", QStringLiteral("Hide"), &TfrmColumns::Hide1Click);
  PopupMenu1->addSeparator();
  ShowAll1 = entry("ShowAll1", QStringLiteral("Show All"), &TfrmColumns::ShowAll1Click);
  HideAll1 = entry("HideAll1", QStringLiteral("Hide All"), &TfrmColumns::HideAll1Click);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  const QString noteFirstLine =
      QStringLiteral("Note: You can choice what columns are printed or exported by hiding ");
  Memo1->setPlainText(noteFirstLine + QStringLiteral("\ncolumns. Right click to show or hide a column."));
  Memo1->setReadOnly(true);
  Memo1->setFrameShape(QFrame::NoFrame);
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setFocusPolicy(Qt::NoFocus);
  Memo1->viewport()->setAutoFillBackground(false);
  Memo1->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
  Memo1->setFixedHeight(Memo1->fontMetrics().lineSpacing() * 2 + 12);

  BitBtn1 = new QPushButton(QStringLiteral("&Close"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  layout->setSpacing(6);
  layout->addWidget(ListView1, 1);
  layout->addWidget(Memo1);
  layout->addLayout(buttons);

  // Wide enough for the note's longer line.
  const int noteWidth = Memo1->fontMetrics().horizontalAdvance(noteFirstLine) +
                        2 * static_cast<int>(Memo1->document()->documentMargin()) + 8;
  qb::setFixedDialogFrame(*this, QSize(std::max(420, noteWidth + 20), 440));
}

void TfrmColumns::setSubject(const qb::DataSet* dataSet, GridColumns* columns) {
  data_ = dataSet;
  columns_ = columns;
}

void TfrmColumns::setVisible(bool visible) {
  if (visible && !isVisible()) qb::centreOnScreen(*this);
  QDialog::setVisible(visible);
}

void TfrmColumns::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  qb::guarded([this] { FormShow(); });
}

void TfrmColumns::FormShow() {
  ListView1->setRowCount(0);
  if (!data_ || !data_->active() || !columns_) return;
  ListView1->setRowCount(columns_->count());
  for (int i = 0; i < columns_->count(); ++i) {
    ListView1->setItem(i, 0, listItem(columns_->fieldName(i)));
    ListView1->setItem(i, 1, listItem(columns_->visible(i) ? kVisible : kHidden));
  }
  // Long field names show whole; the list scrolls sideways if it must.
  ListView1->resizeColumnToContents(0);
  ListView1->setColumnWidth(0, std::max(kNameColumnWidth, ListView1->columnWidth(0)));
}

int TfrmColumns::selectedRow() const {
  const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

void TfrmColumns::setColumnVisible(int position, bool visible) {
  if (columns_) columns_->setVisible(position, visible);
  if (QTableWidgetItem* status = ListView1->item(position, 1)) status->setText(visible ? kVisible : kHidden);
}

void TfrmColumns::setAll(bool visible) {
  if (!columns_) return;
  for (int i = 0; i < columns_->count(); ++i) setColumnVisible(i, visible);
}

void TfrmColumns::Show1Click() {
  if (const int row = selectedRow(); row >= 0) setColumnVisible(row, true);
}

void TfrmColumns::Hide1Click() {
  if (const int row = selectedRow(); row >= 0) setColumnVisible(row, false);
}

void TfrmColumns::ShowAll1Click() {
  setAll(true);
}

void TfrmColumns::HideAll1Click() {
  setAll(false);
}

void TfrmColumns::BitBtn1Click() {
  accept();
}

void TfrmColumns::listMenuRequested(const QPoint& at) {
  // The row under the pointer is selected before the menu opens.
  const QModelIndex index = ListView1->indexAt(at);
  if (index.isValid()) ListView1->selectRow(index.row());
  PopupMenu1->popup(ListView1->viewport()->mapToGlobal(at));
}
