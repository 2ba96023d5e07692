// Grid settings and the context menu.
#include "browse/data_grid.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QStandardItemModel>

#include "connection/ui/support/handler_guard.h"

DataGrid::DataGrid(QWidget* parent) : QTableView(parent), emptyModel_(new QStandardItemModel(0, 1, this)) {
  setObjectName(QStringLiteral("DBGrid1"));
  emptyModel_->setHorizontalHeaderItem(0, new QStandardItem(QString()));
  setModel(emptyModel_);

  setSelectionBehavior(QAbstractItemView::SelectItems);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                  QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  setTabKeyNavigation(true);
  setShowGrid(true);
  setWordWrap(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

  horizontalHeader()->setSectionsMovable(true);
  horizontalHeader()->setHighlightSections(false);
  // Every property of the title font is set on the header itself, so that a
  // new data font given to the grid does not reach the titles.
  QFont titles = font();
  titles.setResolveMask(QFont::AllPropertiesResolved);
  horizontalHeader()->setFont(titles);
  verticalHeader()->setMinimumWidth(14);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

void DataGrid::setDataFont(const QFont& font) {
  setFont(font);
  verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
}

void DataGrid::contextMenuEvent(QContextMenuEvent* event) {
  qb::guarded([&] {
    if (popupMenu_) popupMenu_->popup(event->globalPos());
    event->accept();
  });
}
