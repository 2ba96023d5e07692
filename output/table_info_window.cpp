// The "Table Info" window: its controls, the list built at every showing and
// the copy button.
#include "output/table_info_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "connection/data_set.h"
#include "output/clipboard_text.h"
#include "output/table_info_rows.h"
#include "ui_services/handler_guard.h"
#include "ui_services/window_frame.h"

TfrmTableInfo* frmTableInfo = nullptr;

namespace {

struct ListColumn {
  const char* caption;
  int width;
  Qt::Alignment alignment;
};

constexpr ListColumn kColumns[] = {
    {"Field Name", 150, Qt::AlignLeft},
    {"Field Type", 150, Qt::AlignLeft},
    {"Size", 75, Qt::AlignRight},
    {"Field No.", 75, Qt::AlignRight},
};

QTableWidgetItem* cell(const QString& text, Qt::Alignment alignment) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(alignment | Qt::AlignVCenter);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

TfrmTableInfo::TfrmTableInfo(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmTableInfo"));
  setWindowTitle(QStringLiteral("Table Info"));
  qb::setFixedMinimisableFrame(*this, QSize(640, 440));

  Label1 = new QLabel(QStringLiteral("Table Name: "), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  QFont bold = Label1->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.4);
  Label1->setFont(bold);

  BitBtn1 = new QPushButton(QStringLiteral("Copy field names to clipboard"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setAutoDefault(false);

  ListView1 = new QTableWidget(0, static_cast<int>(std::size(kColumns)), this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setShowGrid(true);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->verticalHeader()->hide();
  // Rows as compact as a list's, not a spreadsheet's.
  ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 6);
  ListView1->horizontalHeader()->setHighlightSections(false);
  ListView1->horizontalHeader()->setStretchLastSection(false);
  for (int i = 0; i < ListView1->columnCount(); ++i) {
    auto* header = new QTableWidgetItem(QString::fromLatin1(kColumns[i].caption));
    header->setTextAlignment(kColumns[i].alignment | Qt::AlignVCenter);
    ListView1->setHorizontalHeaderItem(i, header);
    ListView1->setColumnWidth(i, kColumns[i].width);
  }

  auto* top = new QHBoxLayout;
  top->addWidget(Label1, 1);
  top->addWidget(BitBtn1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(ListView1, 1);

  connect(BitBtn1, &QPushButton::clicked, this, [this] { qb::guarded([this] { BitBtn1Click(); }); });
}

void TfrmTableInfo::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  qb::guarded([this] { FormShow(); });
}

void TfrmTableInfo::FormShow() {
  ListView1->setRowCount(0);
  if (!dataSet_) return;
  const std::vector<qb::TableInfoRow> rows = qb::tableInfoRows(dataSet_->fieldDefs());
  ListView1->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const qb::TableInfoRow& row = rows[static_cast<std::size_t>(r)];
    const QString texts[] = {row.fieldName, row.fieldType, QString::number(row.size), QString::number(row.fieldNo)};
    for (int c = 0; c < ListView1->columnCount(); ++c) ListView1->setItem(r, c, cell(texts[c], kColumns[c].alignment));
  }
}

void TfrmTableInfo::BitBtn1Click() {
  qb::ClipboardText names;
  for (int r = 0; r < ListView1->rowCount(); ++r) {
    const QTableWidgetItem* item = ListView1->item(r, 0);
    names.addLine(item ? item->text().toStdU16String() : std::u16string());
  }
  names.putOnClipboard();
}
