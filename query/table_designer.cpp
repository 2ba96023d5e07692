// The table designer's controls and what its buttons and pop-up entries do.
#include "query/table_designer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui_services/handler_guard.h"
#include "ui_services/window_frame.h"
#include "ui_services/window_placement.h"

TfrmNew* frmNew = nullptr;

namespace {

constexpr int kColumns = 4;  // Field Name, Type, Size, Status

template <class Widget>
Widget* named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

TfrmNew::TfrmNew(QWidget* parent)
    : QDialog(parent), SaveDialog1(qb::FileDialog::Kind::Save, QStringLiteral("DBF File|*.dbf"), QStringLiteral("DBF")) {
  setObjectName(QStringLiteral("frmNew"));
  setWindowTitle(QStringLiteral("New Table"));

  ListView1 = named(new QTableWidget(0, kColumns, this), "ListView1");
  ListView1->setHorizontalHeaderLabels(
      {QStringLiteral("Field Name"), QStringLiteral("Type"), QStringLiteral("Size"), QStringLiteral("Status")});
  ListView1->verticalHeader()->hide();
  ListView1->horizontalHeader()->setHighlightSections(false);
  ListView1->horizontalHeader()->setStretchLastSection(true);
  ListView1->setColumnWidth(0, 180);
  ListView1->setShowGrid(true);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setWordWrap(false);
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);

  PopupMenu1 = named(new QMenu(this), "PopupMenu1");
  Remove1 = named(PopupMenu1->addAction(QStringLiteral("Remove")), "Remove1");
  MoveUp1 = named(PopupMenu1->addAction(QStringLiteral("Move Up")), "MoveUp1");

  Edit1 = named(new QLineEdit(this), "Edit1");
  ComboBox1 = named(new QComboBox(this), "ComboBox1");
  ComboBox1->addItems({QStringLiteral("String"), QStringLiteral("Integer"), QStringLiteral("Memo"),
                       QStringLiteral("Date"), QStringLiteral("Boolean"), QStringLiteral("Float")});
  ComboBox1->setCurrentIndex(-1);
  Edit2 = named(new QLineEdit(this), "Edit2");
  CheckBox1 = named(new QCheckBox(QStringLiteral("Required Field"), this), "CheckBox1");
  BitBtn1 = named(new QPushButton(QStringLiteral("Add"), this), "BitBtn1");
  BitBtn1->setAutoDefault(false);
  BitBtn3 = named(new QPushButton(QStringLiteral("Save"), this), "BitBtn3");
  BitBtn3->setAutoDefault(false);
  BitBtn3->hide();
  BitBtn2 = named(new QPushButton(QStringLiteral("Close"), this), "BitBtn2");
  BitBtn2->setAutoDefault(false);

  auto* entry = new QGridLayout;
  const auto label = [this](const char* text, QWidget* buddy) {
    auto* caption = new QLabel(QString::fromLatin1(text), this);
    caption->setBuddy(buddy);
    return caption;
  };
  entry->addWidget(label("Field Name", Edit1), 0, 0);
  entry->addWidget(label("Type", ComboBox1), 0, 1);
  entry->addWidget(label("Size", Edit2), 0, 2);
  entry->addWidget(Edit1, 1, 0);
  entry->addWidget(ComboBox1, 1, 1);
  entry->addWidget(Edit2, 1, 2);
  entry->addWidget(BitBtn1, 1, 3);
  entry->addWidget(CheckBox1, 2, 0);
  entry->setColumnStretch(0, 3);
  entry->setColumnStretch(1, 2);
  entry->setColumnStretch(2, 1);

  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn3);
  buttons->addWidget(BitBtn2);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ListView1, 1);
  layout->addLayout(entry);
  layout->addWidget(line);
  layout->addLayout(buttons);
  qb::setFixedMinimisableFrame(*this, QSize(520, 400));

  connect(BitBtn1, &QPushButton::clicked, this, [this] { qb::guarded([&] { BitBtn1Click(); }); });
  connect(ComboBox1, &QComboBox::activated, this, [this] { qb::guarded([&] { ComboBox1Change(); }); });
  connect(Remove1, &QAction::triggered, this, [this] { qb::guarded([&] { Remove1Click(); }); });
  connect(MoveUp1, &QAction::triggered, this, [this] { qb::guarded([&] { MoveUp1Click(); }); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { qb::guarded([&] { BitBtn2Click(); }); });
  connect(ListView1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(ListView1->viewport()->mapToGlobal(at)); });
}

void TfrmNew::setVisible(bool visible) {
  if (visible && !isVisible() && parentWidget() != nullptr) qb::centreOnWindow(*this, *parentWidget());
  QDialog::setVisible(visible);
}

void TfrmNew::BitBtn1Click() {
  const int row = ListView1->rowCount();
  ListView1->insertRow(row);
  const QString cells[kColumns] = {Edit1->text(), ComboBox1->currentText(), Edit2->text(), QString()};
  for (int column = 0; column < kColumns; ++column) {
    ListView1->setItem(row, column, new QTableWidgetItem(cells[column]));
  }
  Edit1->clear();
  Edit2->setEnabled(true);
  CheckBox1->setChecked(false);
}

void TfrmNew::ComboBox1Change() {
  const QString type = ComboBox1->currentText();
  const bool sized = type == QLatin1String("String") || type == QLatin1String("Memo");
  Edit2->setText(sized ? QStringLiteral("50") : QStringLiteral("0"));
  Edit2->setEnabled(sized);
}

void TfrmNew::Remove1Click() {
  const int row = selectedRow();
  if (row >= 0) ListView1->removeRow(row);
}

void TfrmNew::MoveUp1Click() {
  const int row = selectedRow();
  if (row < 0 || (row == 0 && ListView1->rowCount() < 2)) return;
  if (row > 0) {
    copyRow(row, row - 1);  // the selected row moves down to row + 1
    ListView1->removeRow(row + 1);
    ListView1->selectRow(row - 1);
  } else {
    copyRow(0, ListView1->rowCount());  // the top row goes to the bottom
    ListView1->removeRow(0);
    ListView1->selectRow(ListView1->rowCount() - 1);
  }
}

void TfrmNew::BitBtn2Click() {
  reject();
}

int TfrmNew::selectedRow() const {
  const QList<QTableWidgetSelectionRange> ranges = ListView1->selectedRanges();
  return ranges.isEmpty() ? -1 : ranges.constFirst().topRow();
}

void TfrmNew::copyRow(int from, int at) {
  ListView1->insertRow(at);
  const int source = at <= from ? from + 1 : from;
  for (int column = 0; column < kColumns; ++column) {
    const QTableWidgetItem* cell = ListView1->item(source, column);
    ListView1->setItem(at, column, new QTableWidgetItem(cell != nullptr ? cell->text() : QString()));
  }
}
