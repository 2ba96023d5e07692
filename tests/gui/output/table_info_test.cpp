// Table information: the rows built from the field definitions (type names,
// sizes, numbers), the window's list and copy button, its caption and label,
// and what it shows after Close Database and before any table was opened.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "app/main_window.h"
#include "connection/memory_table.h"
#include "connection/ui/main_data.h"
#include "fixtures/database_fixture.h"
#include "output/table_info_commands.h"
#include "output/table_info_rows.h"
#include "output/table_info_window.h"

namespace {

using qbtest::memoryColumn;
using Row = qb::TableInfoRow;

// Name (text 50), Id (long), Price (currency), Born (date), Active (yes/no), Notes (memo).
qbtest::MemoryTable sixColumns() {
  qbtest::MemoryTable table;
  table.columns = {memoryColumn(u"Name", jet::DataType::Text, 50), memoryColumn(u"Id", jet::DataType::Long),
                   memoryColumn(u"Price", jet::DataType::Currency), memoryColumn(u"Born", jet::DataType::DateTime),
                   memoryColumn(u"Active", jet::DataType::Boolean), memoryColumn(u"Notes", jet::DataType::Memo)};
  return table;
}

QStringList listRow(const QTableWidget& list, int row) {
  QStringList cells;
  for (int c = 0; c < list.columnCount(); ++c) cells.append(list.item(row, c) ? list.item(row, c)->text() : "-");
  return cells;
}

TEST(TableInfoRowsTest, TheSixColumnExample) {
  qbtest::MemoryTable table = sixColumns();
  qbtest::MemoryDataSet data(table);
  data.open();
  EXPECT_EQ(qb::tableInfoRows(data.fieldDefs()), (std::vector<Row>{{"Name", "", 50, 1},
                                                                   {"Id", "Numberic", 0, 2},
                                                                   {"Price", "BCD", 4, 3},
                                                                   {"Born", "DateTime", 0, 4},
                                                                   {"Active", "Boolean", 0, 5},
                                                                   {"Notes", "Memo", 0, 6}}));
}

TEST(TableInfoRowsTest, TypeNamesSizesAndNumbersOfTheOtherColumnKinds) {
  qbtest::MemoryTable table;
  jet::ColumnDef id = memoryColumn(u"Id", jet::DataType::Long);
  id.autoNumber = true;
  jet::ColumnDef money = memoryColumn(u"Amount", jet::DataType::Numeric);
  money.scale = 3;
  table.columns = {id,
                   memoryColumn(u"Small", jet::DataType::Integer),
                   memoryColumn(u"Tiny", jet::DataType::Byte),
                   memoryColumn(u"Real", jet::DataType::Double),
                   money,
                   memoryColumn(u"Key", jet::DataType::Guid),
                   memoryColumn(u"Raw", jet::DataType::Binary, 16),
                   memoryColumn(u"Pic", jet::DataType::Ole)};
  qbtest::MemoryDataSet data(table);
  data.open();
  EXPECT_EQ(qb::tableInfoRows(data.fieldDefs()), (std::vector<Row>{{"Id", "", 0, 1},
                                                                   {"Small", "SmallInt", 0, 2},
                                                                   {"Tiny", "Numeric", 0, 3},
                                                                   {"Real", "Float", 0, 4},
                                                                   {"Amount", "BCD", 3, 5},
                                                                   {"Key", "", 38, 6},
                                                                   {"Raw", "", 16, 7},
                                                                   {"Pic", "BLOB", 0, 8}}))
      << "an autonumber and a variable-length binary column show an empty type";
  EXPECT_EQ(qb::typeDisplayName(qb::TFieldType::ftString), "Character");
  EXPECT_EQ(qb::typeDisplayName(qb::TFieldType::ftBytes), "Bytes");
  EXPECT_EQ(qb::typeDisplayName(qb::TFieldType::ftGraphic), "Graphic");
  EXPECT_EQ(qb::typeDisplayName(qb::TFieldType::ftLargeint), "");
}

TEST(TableInfoWindowTest, ListColumnsRowsAndTheCopyButton) {
  qbtest::MemoryTable table = sixColumns();
  qbtest::MemoryDataSet data(table);
  TfrmTableInfo window;
  QTableWidget& list = *window.ListView1;
  const QStringList captions{"Field Name", "Field Type", "Size", "Field No."};
  const int widths[] = {150, 150, 75, 75};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(list.horizontalHeaderItem(c)->text(), captions[c]);
    EXPECT_EQ(list.columnWidth(c), widths[c]);
  }
  EXPECT_TRUE(list.showGrid());
  EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);

  QGuiApplication::clipboard()->setText("before");
  window.setDataSet(&data);
  window.show();
  EXPECT_EQ(list.rowCount(), 0) << "never opened: no definitions";
  window.BitBtn1Click();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "before") << "an empty list leaves the clipboard";
  window.hide();

  data.open();
  window.show();
  ASSERT_EQ(list.rowCount(), 6);
  EXPECT_EQ(listRow(list, 2), (QStringList{"Price", "BCD", "4", "3"}));
  EXPECT_TRUE(list.item(2, 2)->textAlignment() & Qt::AlignRight);
  EXPECT_TRUE(list.item(2, 0)->textAlignment() & Qt::AlignLeft);
  window.BitBtn1->click();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "Name\r\nId\r\nPrice\r\nBorn\r\nActive\r\nNotes\r\n");
  EXPECT_TRUE(window.isVisible()) << "the window stays open";
  window.hide();

  // Rebuilt at every showing, not added to.
  data.close();
  table.columns.pop_back();
  data.open();
  window.show();
  EXPECT_EQ(list.rowCount(), 5);
}

using TableInfoCommandTest = DatabaseTest;

TEST_F(TableInfoCommandTest, CaptionLabelAndListAfterCloseAndBeforeAnyOpen) {
  QB_REQUIRE_CORPUS();
  const auto showInfo = [this] {
    QStringList seen;
    prompts->modalWith(QDialog::Accepted, [&seen](QDialog& shown) {
      auto& window = static_cast<TfrmTableInfo&>(shown);
      window.show();  // as the modal showing would
      seen << window.windowTitle() << window.Label1->text() << QString::number(window.ListView1->rowCount());
      if (window.ListView1->rowCount() > 0) seen << window.ListView1->item(0, 0)->text();
      window.hide();
    });
    EXPECT_EQ(activate(QStringLiteral("ToolButton3")), (QStringList{"ToolButton3Click", "TableInfo1Click"}));
    return seen;
  };
  EXPECT_EQ(showInfo(), (QStringList{"Table Info - ", "Table Name: ", "0"})) << "before any open";

  const QString path = copyOf(kTextTable);
  open(path);
  EXPECT_EQ(showInfo(), (QStringList{"Table Info - " + path, "Table Name: Table1", "9", "data1"}));

  activate(QStringLiteral("Close1"));
  EXPECT_EQ(showInfo(), (QStringList{"Table Info - " + path, "Table Name: Table1", "9", "data1"}))
      << "the table opened last";

  // Another command choosing a file in the same dialog renames the caption.
  prompts->openFileWith(QStringLiteral("/elsewhere/other.mdb"));
  Form1->OpenDialog1.execute(*prompts);
  EXPECT_EQ(showInfo().front(), "Table Info - /elsewhere/other.mdb");
}

}  // namespace
