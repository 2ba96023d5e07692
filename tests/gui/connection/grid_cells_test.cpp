// What the grid's cells show and take: binary and OLE values described and
// never typed over (on the corpus file with OLE values of about 23 KB, and
// on a built table), a refused value reported once with the typing kept for
// correction, and cell texts drawn two pixels from the side they are aligned to, so that
// a column of the default width shows its values whole in any font.
#include <QFontDatabase>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <cmath>

#include "app/main_window.h"
#include "connection/field.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/field_display.h"
#include "fixtures/built_database.h"
#include "fixtures/database_fixture.h"

namespace {

using jet::DataType;

// MSP_PROJECTS: one row, with an OLE value of some 23 KB in RESERVED_BINARY_DATA.
constexpr char kOleFile[] = "jackcess-V2000-test2V2000.mdb";

class GridCellsTest : public DatabaseTest {
 protected:
  void SetUp() override {
    DatabaseTest::SetUp();
    BuiltTable orders{
        u"Orders",
        {builtColumn(u"OrderID", DataType::Long), builtColumn(u"EmployeeID", DataType::Long),
         builtColumn(u"Ok", DataType::Boolean), builtColumn(u"Code", DataType::Binary, 16),
         builtColumn(u"Customer", DataType::Text, 20), builtColumn(u"Quantity", DataType::Byte)},
        {}};
    for (int i = 1; i <= 4; ++i) {
      orders.rows.push_back({longValue(i), longValue(i * 10), jet::Value::boolean(i % 2 == 0),
                             jet::Value::binary(jet::Bytes(16, static_cast<std::uint8_t>('A' + i))),
                             textValue(u"c"), jet::Value::byte(static_cast<std::uint8_t>(i))});
    }
    orders.rows[1][3] = jet::Value();
    writeDatabase(scratch / "orders.mdb", {orders});
  }

  void showGrid() {
    Form1->resize(1000, 600);
    Form1->show();
    QApplication::setActiveWindow(Form1);
    grid().setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form1));
  }

  void goTo(int row, int column) { grid().setCurrentIndex(grid().model()->index(row, column)); }

  void typeInCell(const QString& text) {
    QTest::keyClick(&grid(), text.front().toLatin1());
    if (QLineEdit* editor = grid().cellEditor()) QTest::keyClicks(editor, text.mid(1));
  }

  void key(Qt::Key key) {
    QWidget* target = grid().cellEditor() ? static_cast<QWidget*>(grid().cellEditor()) : &grid();
    QTest::keyClick(target, key);
  }
};

TEST_F(GridCellsTest, AnOlePictureIsDescribedAndTypingDoesNotReplaceIt) {
  QB_REQUIRE_CORPUS();
  const QString path = copyOf(kOleFile);
  open(path);
  showGrid();
  const int column = grid().columnOfField(QStringLiteral("RESERVED_BINARY_DATA"));
  ASSERT_GE(column, 0);
  qb::Field& field = Form1->mdb.fieldByName(u"RESERVED_BINARY_DATA");
  const jet::Bytes before = field.value().asBinary();
  ASSERT_GT(before.size(), 20000u);
  EXPECT_EQ(cell(0, column), qb::binaryDescription(qb::TFieldType::ftBlob, before.size()));
  EXPECT_TRUE(cell(0, column).startsWith("(OLE Object, 2")) << cell(0, column).toStdString();

  goTo(0, column);
  QTest::mouseDClick(grid().viewport(), Qt::LeftButton, {},
                     grid().visualRect(grid().model()->index(0, column)).center());
  typeInCell(QStringLiteral("x"));
  EXPECT_EQ(grid().cellEditor(), nullptr) << "no editor opens on an OLE cell";
  key(Qt::Key_Tab);  // leaving the cell (Down on this one row would add a record)
  EXPECT_EQ(Form1->mdb.state(), qb::DataSetState::Browse);
  activate(QStringLiteral("Close1"));
  open(path);
  EXPECT_EQ(Form1->mdb.fieldByName(u"RESERVED_BINARY_DATA").value().asBinary(), before);
}

TEST_F(GridCellsTest, BinaryCellsAreDescribedByTheirSizeAndHaveNoEditor) {
  open(scratchFile("orders.mdb"));
  EXPECT_EQ(cell(0, 3), "(Binary, 16 bytes)");
  EXPECT_EQ(cell(1, 3), "") << "Null shows nothing";
  EXPECT_FALSE(grid().model()->flags(grid().model()->index(0, 3)).testFlag(Qt::ItemIsEditable));
  EXPECT_TRUE(grid().model()->flags(grid().model()->index(0, 4)).testFlag(Qt::ItemIsEditable));
  EXPECT_FALSE(grid().model()->setData(grid().model()->index(0, 3), QStringLiteral("x")));
}

TEST(FieldDisplayTest, SizesInBytesKilobytesAndMegabytes) {
  using qb::TFieldType;
  EXPECT_EQ(qb::binaryDescription(TFieldType::ftVarBytes, 0), "(Binary, 0 bytes)");
  EXPECT_EQ(qb::binaryDescription(TFieldType::ftBytes, 1), "(Binary, 1 byte)");
  EXPECT_EQ(qb::binaryDescription(TFieldType::ftBlob, 1023), "(OLE Object, 1023 bytes)");
  EXPECT_EQ(qb::binaryDescription(TFieldType::ftBlob, 1024), "(OLE Object, 1 KB)");
  EXPECT_EQ(qb::binaryDescription(TFieldType::ftBlob, 21 * 1024 + 600), "(OLE Object, 22 KB)");
  EXPECT_EQ(qb::binaryDescription(TFieldType::ftBlob, 1024 * 1024 - 1), "(OLE Object, 1023 KB)");
  EXPECT_EQ(qb::binaryDescription(TFieldType::ftBlob, 1024 * 1024), "(OLE Object, 1.0 MB)");
  EXPECT_EQ(qb::binaryDescription(TFieldType::ftBlob, 5 * 1024 * 1024 / 2), "(OLE Object, 2.5 MB)");
  EXPECT_TRUE(qb::isBinaryFieldType(TFieldType::ftBlob));
  EXPECT_FALSE(qb::isBinaryFieldType(TFieldType::ftMemo));
}

TEST_F(GridCellsTest, ARefusedValueIsReportedOnceAndStaysInTheCell) {
  open(scratchFile("orders.mdb"));
  showGrid();
  prompts->boxesTakeFocus(true);  // as the real box does
  goTo(1, 1);
  typeInCell(QStringLiteral("abc"));
  key(Qt::Key_Down);
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"'abc' is not a valid value for field 'EmployeeID'"});
  ASSERT_NE(grid().cellEditor(), nullptr);
  EXPECT_EQ(grid().cellEditor()->text(), "abc");
  EXPECT_EQ(currentCell(), std::pair(1, 1));

  key(Qt::Key_Tab);
  EXPECT_EQ(prompts->errorBoxes().size(), 2) << "each try once";
  ASSERT_NE(grid().cellEditor(), nullptr);
  grid().cellEditor()->selectAll();
  QTest::keyClicks(grid().cellEditor(), QStringLiteral("77"));
  key(Qt::Key_Down);
  EXPECT_EQ(prompts->errorBoxes().size(), 2);
  EXPECT_EQ(cell(1, 1), "77");

  // A blank typed into a Yes/No cell.
  goTo(0, 2);
  typeInCell(QStringLiteral(" "));
  key(Qt::Key_Down);
  EXPECT_EQ(prompts->errorBoxes().size(), 3);
  ASSERT_NE(grid().cellEditor(), nullptr);
  EXPECT_EQ(currentCell(), std::pair(0, 2));
}

// The dark pixels of an image, as a set of points.
QSet<std::pair<int, int>> ink(const QImage& image) {
  QSet<std::pair<int, int>> points;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 128) points.insert({x, y});
    }
  }
  return points;
}

// The x positions of the image's dark pixels.
QSet<int> inkColumns(const QImage& image) {
  QSet<int> columns;
  for (const auto& [x, y] : ink(image)) columns.insert(x);
  return columns;
}

// `text` written in `font` into a white image of `size`, in `area`.
QImage written(QSize size, const QFont& font, QRect area, Qt::Alignment alignment, const QString& text) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(area, int(alignment | Qt::AlignVCenter) | Qt::TextSingleLine, text);
  return image;
}

// A fixed-pitch font of about 14 points whose digits are a fraction of a
// pixel wide, where there is one: the widths must be rounded up, not down.
QFont largerFixedFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setHintingPreference(QFont::PreferNoHinting);
  for (int pixels = 18; pixels < 24; ++pixels) {
    font.setPixelSize(pixels);
    const qreal zero = QFontMetricsF(font).horizontalAdvance(QLatin1Char('0'));
    if (zero != std::floor(zero)) return font;
  }
  font.setPointSize(14);
  return font;
}

TEST_F(GridCellsTest, DefaultWidthColumnsShowTheirValuesAndTitlesWholeInALargerFont) {
  open(scratchFile("orders.mdb"));
  showGrid();
  const QFont larger = largerFixedFont();
  grid().setDataFont(larger);
  EXPECT_EQ(grid().horizontalHeader()->font(), grid().font()) << "the title row takes the font too";
  goTo(3, 0);  // the current cell elsewhere
  QCoreApplication::processEvents();

  // "False", five characters, in a Yes/No column five digits wide plus 4.
  const QModelIndex ok = grid().model()->index(0, 2);
  ASSERT_EQ(ok.data().toString(), "False");
  ASSERT_GT(grid().columns().width(2), 5 * QFontMetricsF(larger).horizontalAdvance(QLatin1Char('0')) + 3);
  // The cell, without the grid's line on its right and bottom edges.
  const QRect rect = grid().visualRect(ok);
  ASSERT_EQ(rect.width(), grid().columns().width(2) - 1);
  const QRect inside(0, 0, rect.width(), rect.height());
  const QImage shot = grid().viewport()->grab(rect).toImage();
  const auto alignment = Qt::Alignment(ok.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask;
  const QRect area =
      alignment.testFlag(Qt::AlignRight) ? inside.adjusted(0, 0, -2, 0) : inside.adjusted(2, 0, 0, 0);
  EXPECT_EQ(ink(shot), ink(written(inside.size(), larger, area, alignment, QStringLiteral("False"))))
      << "the whole word, two pixels in";

  // "Quantity" over a byte column, which is as wide as its title plus 4.
  QHeaderView& titles = *grid().horizontalHeader();
  ASSERT_EQ(
      grid().columns().width(5),
      static_cast<int>(std::ceil(QFontMetricsF(larger).horizontalAdvance(QStringLiteral("Quantity")))) + 4);
  grid().scrollTo(grid().model()->index(0, 5));
  QCoreApplication::processEvents();
  const QRect title(titles.sectionViewportPosition(5), 0, titles.sectionSize(5), titles.height());
  const QImage titleShot = titles.grab(title).toImage();
  // The title cell's frame lies on its edges: leave them out.
  const QRect titleInside(1, 1, title.width() - 2, title.height() - 2);
  // The style may centre the title a pixel higher or lower than a plain
  // text: the columns that hold ink are compared.
  EXPECT_EQ(
      inkColumns(titleShot.copy(titleInside)),
      inkColumns(written(title.size(), larger, QRect(QPoint(2, 0), title.size()), Qt::AlignLeft, "Quantity")
                     .copy(titleInside)))
      << "the whole title, two pixels in";
}

}  // namespace
