// Clipboard copies: a column (walking the table), a row (hidden columns
// included) and a single value, in the field's own text form, one line per
// value with CR LF after each; an empty result leaves the clipboard alone.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "connection/memory_table.h"
#include "connection/value_text.h"
#include "fixtures/list_columns.h"
#include "fixtures/recording_cursor.h"
#include "jet/error.h"
#include "output/clipboard_commands.h"
#include "output/clipboard_text.h"

namespace {

using qbtest::memoryColumn;

class ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override { clipboard()->setText(QStringLiteral("before")); }

  static QClipboard* clipboard() { return QGuiApplication::clipboard(); }
  static QString clipboardText() { return clipboard()->text(); }

  void open() {
    data.open();
    for (std::size_t i = 0; i < data.fieldCount(); ++i) {
      columns.columns.push_back({QString::fromStdU16String(data.field(i).fieldName())});
    }
  }

  qbtest::MemoryTable table;
  qbtest::MemoryDataSet data{table};
  ListColumns columns;
  qb::FormatSettings settings;
};

TEST_F(ClipboardTest, ColumnCopyWalksTheTableALinePerRecordAndLeavesTheLastCurrent) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text), memoryColumn(u"Qty", jet::DataType::Long)};
  table.add({jet::Value::text(u"a"), jet::Value::longInt(7)});
  table.add({jet::Value::text(u"b"), jet::Value()});
  table.add({jet::Value::text(u"c"), jet::Value::longInt(12)});
  open();
  columns.select(1);
  ScopedRecordingCursor cursor;
  qb::copyColumn(data, columns, settings);
  EXPECT_EQ(clipboardText(), "7\r\n\r\n12\r\n");
  EXPECT_EQ(data.recordNumber(), 3);
  EXPECT_TRUE(data.eof());
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "normal"}));

  data.setFilter(u"Qty > 10");
  data.setFiltered(true);
  qb::copyColumn(data, columns, settings);
  EXPECT_EQ(clipboardText(), "12\r\n") << "only the records that pass the filter";
}

TEST_F(ClipboardTest, AColumnCopyOfAnEmptyTableLeavesTheClipboardAsItWas) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text)};
  open();
  qb::copyColumn(data, columns, settings);
  EXPECT_EQ(clipboardText(), "before");
}

TEST_F(ClipboardTest, RowCopyIncludesHiddenColumnsInGridOrderWithoutMoving) {
  table.columns = {memoryColumn(u"A", jet::DataType::Text), memoryColumn(u"B", jet::DataType::Long),
                   memoryColumn(u"C", jet::DataType::Boolean), memoryColumn(u"D", jet::DataType::Currency)};
  table.add({jet::Value::text(u"one"), jet::Value::longInt(-2), jet::Value::boolean(true),
             jet::Value::currency(jet::Currency{125000})});
  table.add({jet::Value::text(u"two"), jet::Value(), jet::Value::boolean(false), jet::Value()});
  open();
  columns.setVisible(1, false);
  columns.setVisible(3, false);
  std::swap(columns.columns[0], columns.columns[3]);
  ScopedRecordingCursor cursor;
  qb::copyRow(data, columns, settings);
  EXPECT_EQ(clipboardText(), "12.5\r\n-2\r\nTrue\r\none\r\n");
  EXPECT_EQ(data.recordNumber(), 1);
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "normal"}));
}

TEST_F(ClipboardTest, FieldValueCopyOfEmptyAndMultiLineValues) {
  table.columns = {memoryColumn(u"Id", jet::DataType::Long), memoryColumn(u"Notes", jet::DataType::Memo)};
  table.add({jet::Value::longInt(1), jet::Value()});
  table.add({jet::Value::longInt(2), jet::Value::text(u"first line\r\nsecond line")});
  open();
  columns.select(1);
  ScopedRecordingCursor cursor;
  qb::copyFieldValue(data, columns, settings);
  EXPECT_EQ(clipboardText(), "\r\n") << "an empty value places a single line end";
  EXPECT_EQ(cursor->steps, QStringList{"normal"}) << "no busy cursor, the normal one after";
  data.next();
  qb::copyFieldValue(data, columns, settings);
  EXPECT_EQ(clipboardText(), "first line\r\nsecond line\r\n");
}

TEST_F(ClipboardTest, DatesUseTheFieldsOwnFormAndATimeAloneKeepsDayZero) {
  table.columns = {memoryColumn(u"When", jet::DataType::DateTime)};
  table.add({jet::Value::dateTime(jet::fromCivil({1899, 12, 30, 9, 30, 15, 0}))});
  table.add({jet::Value::dateTime(jet::fromCivil({2024, 2, 29, 0, 0, 0, 0}))});
  open();
  settings = qb::FormatSettings::fromLocalePatterns(u"dd.MM.yyyy", u"HH:mm:ss", u',');
  qb::copyColumn(data, columns, settings);
  EXPECT_EQ(clipboardText(), "30.12.1899 09:30:15\r\n29.02.2024\r\n");
}

TEST_F(ClipboardTest, AZeroCharacterCutsOnlyItsOwnValue) {
  table.columns = {memoryColumn(u"Pic", jet::DataType::Ole), memoryColumn(u"Name", jet::DataType::Text)};
  table.add({jet::Value::binary({'G', 'I', 'F', 0, 'x', 'y'}), jet::Value::text(u"after")});
  open();
  qb::copyRow(data, columns, settings);
  EXPECT_EQ(clipboardText(), "GIF\r\nafter\r\n");
  qb::ClipboardText text;
  text.addLine(std::u16string(u"ab\0cd", 5));
  EXPECT_EQ(text.text(), "ab\r\n");
  EXPECT_EQ(text.lineCount(), 1u);
}

TEST_F(ClipboardTest, WithNoTableOpenNothingHappens) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text)};
  columns = ListColumns(QStringList{QString()});
  ScopedRecordingCursor cursor;
  qb::copyColumn(data, columns, settings);
  qb::copyRow(data, columns, settings);
  qb::copyFieldValue(data, columns, settings);
  EXPECT_EQ(clipboardText(), "before");
  EXPECT_TRUE(cursor->steps.isEmpty());
}

TEST_F(ClipboardTest, AnErrorLeavesTheClipboardAndRestoresTheCursor) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text)};
  table.add({jet::Value::text(u"a")});
  open();
  columns.columns[0].fieldName = QStringLiteral("Gone");
  ScopedRecordingCursor cursor;
  EXPECT_THROW(qb::copyColumn(data, columns, settings), jet::Error);
  EXPECT_THROW(qb::copyRow(data, columns, settings), jet::Error);
  EXPECT_EQ(clipboardText(), "before");
  EXPECT_EQ(cursor->steps, (QStringList{"wait", "normal", "wait", "normal"}));
}

}  // namespace
