// Layout of the record view: navigator bar and field area.
#include "browse/record_view_window.h"

#include <QScrollArea>
#include <QVBoxLayout>

#include "browse/record_navigator.h"
#include "connection/ui/main_data.h"

TfrmRecordView* frmRecordView = nullptr;

TfrmRecordView::TfrmRecordView(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmRecordView"));
  setWindowTitle(QStringLiteral("Record View"));
  resize(440, 460);

  auto* bar = new QWidget(this);
  bar->setObjectName(QStringLiteral("NavigatorBar"));
  DBNavigator1 = new RecordNavigator(false, bar);
  if (mainData) DataSource1.setDataSet(&mainData->mdb);
  DBNavigator1->setDataSource(&DataSource1);
  auto* barLayout = new QHBoxLayout(bar);
  barLayout->setContentsMargins(6, 4, 6, 4);
  barLayout->addWidget(DBNavigator1);
  barLayout->addStretch();

  ScrollBox1 = new QScrollArea(this);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  auto* fields = new QWidget;
  fields->setObjectName(QStringLiteral("FieldArea"));
  fields->resize(0, 0);
  ScrollBox1->setWidget(fields);
  ScrollBox1->setBackgroundRole(QPalette::Base);
  QPalette white = ScrollBox1->palette();
  white.setColor(QPalette::Base, Qt::white);
  ScrollBox1->setPalette(white);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar);
  layout->addWidget(ScrollBox1, 1);
}
