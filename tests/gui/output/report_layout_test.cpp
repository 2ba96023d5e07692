// The list report's element list as the builder makes it (order, positions,
// captions, lefts, widths, tops, orientation) and the two commands'
// adjustments, measured with a fixed-width stand-in for the report's font so
// that every figure is exact.
#include <gtest/gtest.h>

#include "connection/memory_table.h"
#include "fixtures/list_columns.h"
#include "output/print_commands.h"
#include "output/report.h"

namespace {

using qb::BandType;
using qb::ElementKind;
using qbtest::memoryColumn;

// Areas 700 wide upright, 1000 on their side; 7 pixels a character.
qb::ReportMetrics fixedMetrics() {
  qb::ReportMetrics m = qb::ReportMetrics::forPage(QPageLayout());
  m.portraitWidth = 700;
  m.landscapeWidth = 1000;
  m.textWidth = [](const QString& text, const QFont&) { return 7 * static_cast<int>(text.size()); };
  m.lineHeight = [](const QFont&) { return 15; };
  return m;
}

struct Placed {
  QString caption;
  int left;
  int width;
  friend bool operator==(const Placed&, const Placed&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Placed& p) {
    return os << p.caption.toStdString() << "@" << p.left << "+" << p.width;
  }
};

// The header labels (positions 6, 8, ...) with their value texts checked
// against them on the way.
std::vector<Placed> headerLabels(const qb::ListReport& report) {
  std::vector<Placed> placed;
  for (int i = 6; i + 1 < report.elementCount(); i += 2) {
    const qb::ReportElement& label = report.element(i);
    const qb::ReportElement& value = report.element(i + 1);
    EXPECT_EQ(label.kind, ElementKind::Label) << i;
    EXPECT_EQ(label.band, BandType::rbColumnHeader) << i;
    EXPECT_TRUE(label.lineBelow);
    EXPECT_EQ(value.kind, ElementKind::FieldText) << i + 1;
    EXPECT_EQ(value.band, BandType::rbDetail);
    EXPECT_EQ(value.fieldName, label.caption);
    EXPECT_EQ(value.left, label.left);
    placed.push_back({label.caption, label.left, label.width});
  }
  return placed;
}

class ReportLayoutTest : public ::testing::Test {
 protected:
  qb::ListReport build(const QStringList& names = {}, const QString& title = QStringLiteral("People")) {
    if (!data.active()) data.open();
    return qb::buildListReport(data, title, names, fixedMetrics());
  }

  qbtest::MemoryTable table;
  qbtest::MemoryDataSet data{table};
};

TEST_F(ReportLayoutTest, ElementOrderAreasTitleAndPageNumber) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text, 20), memoryColumn(u"Qty", jet::DataType::Long)};
  const qb::ListReport report = build();
  ASSERT_EQ(report.elementCount(), 10);
  const std::vector<std::pair<ElementKind, BandType>> expected{
      {ElementKind::Band, BandType::rbTitle},         {ElementKind::Label, BandType::rbTitle},
      {ElementKind::Band, BandType::rbPageFooter},    {ElementKind::Expression, BandType::rbPageFooter},
      {ElementKind::Band, BandType::rbColumnHeader},  {ElementKind::Band, BandType::rbDetail},
      {ElementKind::Label, BandType::rbColumnHeader}, {ElementKind::FieldText, BandType::rbDetail},
      {ElementKind::Label, BandType::rbColumnHeader}, {ElementKind::FieldText, BandType::rbDetail}};
  for (int i = 0; i < report.elementCount(); ++i) {
    EXPECT_EQ(report.element(i).kind, expected[static_cast<std::size_t>(i)].first) << i;
    EXPECT_EQ(report.element(i).band, expected[static_cast<std::size_t>(i)].second) << i;
  }
  const qb::ReportElement& title = report.element(1);
  EXPECT_EQ(title.caption, "People");
  EXPECT_EQ(title.font.family(), "Arial");
  EXPECT_TRUE(title.font.bold());
  EXPECT_EQ(title.font.pixelSize(), 19) << "14 point at 96 pixels an inch";
  EXPECT_EQ(title.width, 42) << "as wide as its text";
  EXPECT_EQ(title.left, (700 - 42) / 2) << "centred";
  EXPECT_EQ(report.element(3).caption, "Page");
  EXPECT_EQ(report.element(3).alignment, Qt::AlignRight);
  EXPECT_FALSE(report.isLabel(3)) << "the page number is an expression, not a label";
  EXPECT_EQ(report.element(7).alignment, Qt::AlignLeft);
  EXPECT_EQ(report.element(9).alignment, Qt::AlignRight) << "numbers to the right";
  EXPECT_EQ(report.element(6).font.family(), "Arial");
  EXPECT_EQ(report.orientation(), QPageLayout::Portrait);
}

TEST_F(ReportLayoutTest, FieldsArePlacedSideBySideAndUnprintableOnesLeftOut) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text, 20), memoryColumn(u"Id", jet::DataType::Long),
                   memoryColumn(u"First Name", jet::DataType::Text, 5), memoryColumn(u"Notes", jet::DataType::Memo),
                   memoryColumn(u"Pic", jet::DataType::Ole),          memoryColumn(u"a/b", jet::DataType::Long),
                   memoryColumn(u"c\\d", jet::DataType::Long),         memoryColumn(u"R&D", jet::DataType::Long),
                   memoryColumn(u"Pct%", jet::DataType::Long),         memoryColumn(u"x-y", jet::DataType::Long),
                   memoryColumn(u"Price", jet::DataType::Currency)};
  const qb::ListReport report = build();
  EXPECT_EQ(headerLabels(report), (std::vector<Placed>{{"Name", 1, 140}, {"Id", 151, 77}, {"Price", 238, 70}}));
  EXPECT_EQ(report.element(7).width, 140) << "the value text as wide as its label";
  EXPECT_EQ(report.orientation(), QPageLayout::Portrait);
}

TEST_F(ReportLayoutTest, GivenNamesAreTakenInTheirOrderAndUnknownOnesPassedOver) {
  table.columns = {memoryColumn(u"A", jet::DataType::Long), memoryColumn(u"B", jet::DataType::Long),
                   memoryColumn(u"C", jet::DataType::Long)};
  EXPECT_EQ(headerLabels(build({"c", "Nope", "A"})), (std::vector<Placed>{{"C", 1, 77}, {"A", 88, 77}}))
      << "found without regard to case, captioned with the field's own name";
}

TEST_F(ReportLayoutTest, TheFirstOverflowTurnsThePageAndAFieldTooWideEvenThenIsRemoved) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text, 60), memoryColumn(u"Town", jet::DataType::Text, 40),
                   memoryColumn(u"Essay", jet::DataType::Text, 255), memoryColumn(u"Qty", jet::DataType::Long),
                   memoryColumn(u"More", jet::DataType::Text, 20)};
  const qb::ListReport report = build();
  // Name 1+420; Town at 431 reaches 711 > 700: landscape. Essay (1785 wide)
  // does not fit even then; Qty and More still do, after Town.
  EXPECT_EQ(headerLabels(report),
            (std::vector<Placed>{{"Name", 1, 420}, {"Town", 431, 280}, {"Qty", 721, 77}, {"More", 808, 140}}));
  EXPECT_EQ(report.orientation(), QPageLayout::Landscape);
  EXPECT_EQ(report.bandWidth(), 1000);
  EXPECT_EQ(report.pageLayout().orientation(), QPageLayout::Landscape);
  EXPECT_EQ(report.element(1).left, (1000 - 42) / 2) << "the title stays centred on the turned page";
  EXPECT_EQ(report.elementCount(), 6 + 2 * 4) << "the removed field leaves no gap in the positions";
}

TEST_F(ReportLayoutTest, NoFieldLeftGivesAnEmptyHeaderAndOnlyMemosStillPrintRecords) {
  table.columns = {memoryColumn(u"Notes", jet::DataType::Memo), memoryColumn(u"Pic", jet::DataType::Ole)};
  const qb::ListReport report = build();
  EXPECT_EQ(report.elementCount(), 6);
  EXPECT_TRUE(headerLabels(report).empty());
}

TEST_F(ReportLayoutTest, EveryGridColumnHiddenTakesEveryFieldTheBuilderAccepts) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text, 10), memoryColumn(u"Notes", jet::DataType::Memo),
                   memoryColumn(u"Qty", jet::DataType::Long)};
  data.open();
  ListColumns columns(QStringList{"Name", "Notes", "Qty"});
  for (auto& column : columns.columns) column.visible = false;
  EXPECT_TRUE(qb::visibleFieldNames(columns).isEmpty());
  qb::ListReport report = build(qb::visibleFieldNames(columns));
  EXPECT_EQ(headerLabels(report), (std::vector<Placed>{{"Name", 1, 70}, {"Qty", 81, 77}}));
  qb::sizeLabelsToGridColumns(report, data, columns);
  EXPECT_EQ(headerLabels(report), (std::vector<Placed>{{"Name", 1, 70}, {"Qty", 81, 77}}))
      << "a hidden column has no width to give: the labels keep theirs";
}

TEST_F(ReportLayoutTest, TheListReportSizesLabelsToTheirGridColumnsOnly) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text, 20), memoryColumn(u"Qty", jet::DataType::Long),
                   memoryColumn(u"People", jet::DataType::Long)};
  data.open();
  ListColumns columns(QStringList{"Name", "Qty", "People"});
  columns.columns[0].width = 300;
  columns.columns[1].width = 20;
  columns.columns[2].width = 55;
  qb::ListReport report = build(qb::visibleFieldNames(columns));
  qb::sizeLabelsToGridColumns(report, data, columns);
  EXPECT_EQ(headerLabels(report), (std::vector<Placed>{{"Name", 1, 300}, {"Qty", 151, 20}, {"People", 238, 55}}))
      << "lefts stay: Name reaches over Qty";
  EXPECT_EQ(report.element(7).width, 140) << "value texts keep their width";
  EXPECT_EQ(report.element(1).width, 55) << "the title, named like a field, takes that field's column width";
}

TEST_F(ReportLayoutTest, TheRecordLayoutStacksLabelsByPosition) {
  table.columns = {memoryColumn(u"Name", jet::DataType::Text, 20), memoryColumn(u"City", jet::DataType::Text, 20),
                   memoryColumn(u"Phone", jet::DataType::Text, 15)};
  data.open();
  qb::ListReport report = build({}, QStringLiteral("Contacts"));
  qb::stackFieldLabels(report, data);
  EXPECT_EQ(report.element(6).top, 320);
  EXPECT_EQ(report.element(8).top, 420);
  EXPECT_EQ(report.element(10).top, 520);
  EXPECT_EQ(headerLabels(report), (std::vector<Placed>{{"Name", 1, 140}, {"City", 151, 140}, {"Phone", 301, 105}}))
      << "side by side as in the list report";
  EXPECT_EQ(report.element(7).top, report.element(9).top) << "value texts stay where they were";
  EXPECT_NE(report.element(1).top, 70) << "the title is not a field's name here";

  qb::ListReport named = build({}, QStringLiteral("city"));
  qb::stackFieldLabels(named, data);
  EXPECT_EQ(named.element(1).top, 70) << "a title named like a field moves too";
}

}  // namespace
