// The "Select Field" window: its box, its buttons and their handlers.
#include "browse/goto_column_dialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "browse/dialog_controls.h"
#include "browse/drop_down_combo_box.h"
#include "browse/locate_commands.h"
#include "connection/ui/grid_columns.h"
#include "ui_services/handler_guard.h"
#include "ui_services/window_frame.h"

TfrmSelectField* frmSelectField = nullptr;

TfrmSelectField::TfrmSelectField(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSelectField"));
  setWindowTitle(QStringLiteral("Select Field"));

  ComboBox1 = new DropDownComboBox(this);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setOnDropDown([this] { ComboBox1DropDown(); });
  BitBtn1 = qb::okButton(*this, [this] { BitBtn1Click(); });
  BitBtn2 = qb::cancelButton(*this, [this] { BitBtn2Click(); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(14, 14, 14, 12);
  layout->setSpacing(14);
  layout->addWidget(ComboBox1);
  layout->addLayout(buttons);
  layout->addStretch();

  qb::setFixedDialogFrame(*this, sizeHint().expandedTo(QSize(300, 110)));
}

void TfrmSelectField::ComboBox1DropDown() {
  ComboBox1->clearAll();
  if (columns_) ComboBox1->addSorted(qb::visibleFieldNames(*columns_));
}

void TfrmSelectField::BitBtn1Click() {
  qb::guarded([this] {
    if (columns_) qb::moveToColumnTitled(*columns_, ComboBox1->currentText());
  });
  accept();
}

void TfrmSelectField::BitBtn2Click() {
  reject();
}
