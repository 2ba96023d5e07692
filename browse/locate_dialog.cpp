// The "Locate" window: its controls, their order, and its handlers.
#include "browse/locate_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "browse/dialog_controls.h"
#include "browse/drop_down_combo_box.h"
#include "browse/locate_commands.h"
#include "connection/data_set.h"
#include "connection/ui/grid_columns.h"
#include "ui_services/handler_guard.h"
#include "ui_services/window_frame.h"

TfrmSearch* frmSearch = nullptr;

TfrmSearch::TfrmSearch(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSearch"));
  setWindowTitle(QStringLiteral("Locate"));

  Label1 = new QLabel(QStringLiteral("Field"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  ComboBox1 = new DropDownComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setOnDropDown([this] { ComboBox1DropDown(); });
  Label1->setBuddy(ComboBox1);
  Label2 = new QLabel(QStringLiteral("Value"), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Label2->setBuddy(Edit1);

  BitBtn1 = qb::okButton(*this, [this] { BitBtn1Click(); });
  BitBtn2 = qb::cancelButton(*this, [this] { BitBtn2Click(); });

  CheckBox1 = new QCheckBox(QStringLiteral("Case Insensitve"), this);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setChecked(true);
  CheckBox2 = new QCheckBox(QStringLiteral("Partial Search"), this);
  CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
  CheckBox2->setChecked(true);

  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(14, 12, 14, 12);
  layout->setHorizontalSpacing(16);
  layout->setVerticalSpacing(4);
  layout->addWidget(Label1, 0, 0);
  layout->addWidget(ComboBox1, 1, 0);
  layout->addWidget(BitBtn1, 1, 1);
  layout->addWidget(Label2, 2, 0);
  layout->addWidget(Edit1, 3, 0);
  layout->addWidget(BitBtn2, 3, 1);
  auto* checks = new QHBoxLayout;
  checks->setSpacing(18);
  checks->addWidget(CheckBox1);
  checks->addWidget(CheckBox2);
  checks->addStretch();
  layout->addLayout(checks, 4, 0, 1, 2);
  layout->setRowMinimumHeight(4, 34);
  layout->setColumnStretch(0, 1);

  // The value box comes first.
  setTabOrder(Edit1, BitBtn1);
  setTabOrder(BitBtn1, ComboBox1);
  setTabOrder(ComboBox1, BitBtn2);
  setTabOrder(BitBtn2, CheckBox1);
  setTabOrder(CheckBox1, CheckBox2);

  qb::setFixedDialogFrame(*this, sizeHint().expandedTo(QSize(380, 0)));
}

void TfrmSearch::setSubject(qb::DataSet* dataSet, const GridColumns* columns) {
  data_ = dataSet;
  columns_ = columns;
}

void TfrmSearch::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  qb::guarded([this] { FormShow(); });
  Edit1->setFocus(Qt::TabFocusReason);
}

void TfrmSearch::FormShow() {
  ComboBox1->clearAll();
  if (data_ && data_->active()) ComboBox1->addSorted(qb::fieldNamesOf(*data_));
}

void TfrmSearch::ComboBox1DropDown() {
  ComboBox1->clearAll();
  if (columns_) ComboBox1->addSorted(qb::visibleFieldNames(*columns_));
}

void TfrmSearch::BitBtn1Click() {
  qb::guarded([this] {
    if (!data_) return;
    qb::LocateOptions options;
    options.caseInsensitive = CheckBox1->isChecked();
    options.partialKey = CheckBox2->isChecked();
    qb::locateRecord(*data_, ComboBox1->currentText(), Edit1->text(), options);
  });
  accept();
}

void TfrmSearch::BitBtn2Click() {
  reject();
}
