// The report on paper: printed into PDF files and read back with pdftotext
// (page count, what each page says, where numbers stand), the commands'
// walk of the table, and printing with no printer installed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTimer>
#include <QProcess>
#include <QScrollArea>
#include <QRegularExpression>
#include <stdexcept>

#include "app/main_window.h"
#include "connection/memory_table.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/main_data.h"
#include "fixtures/database_fixture.h"
#include "fixtures/list_columns.h"
#include "fixtures/scripted_prompts.h"
#include "output/print_commands.h"
#include "output/report.h"
#include "output/report_job.h"
#include "ui_services/page_preview_dialog.h"
#include "ui_services/qt_prompts.h"

namespace {

using qbtest::memoryColumn;

bool havePdfTools() {
  return QProcess::execute(QStringLiteral("sh"), {"-c", "command -v pdftotext >/dev/null && command -v pdfinfo >/dev/null"}) == 0;
}

// The text of each page of a PDF file, laid out as on the page.
QStringList pdfPages(const QString& path) {
  QProcess run;
  run.start(QStringLiteral("pdftotext"), {"-layout", path, "-"});
  run.waitForFinished(60000);
  QStringList pages = QString::fromUtf8(run.readAllStandardOutput()).split(u'\f');
  if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.pop_back();
  return pages;
}

class ReportPrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!havePdfTools()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  }

  QString pdf(const char* name) const { return QString::fromStdString((scratch / name).string()); }

  qbtest::MemoryTable table;
  qbtest::MemoryDataSet data{table};
  ScriptedPrompts prompts;
  qb::FormatSettings settings;
  qbtest::TempDir scratch;
};

TEST_F(ReportPrintTest, OneLinePerRecordPagesNumberedAndTheHeaderOnEveryPage) {
  table.columns = {memoryColumn(u"Item", jet::DataType::Text, 12), memoryColumn(u"Qty", jet::DataType::Long),
                   memoryColumn(u"Notes", jet::DataType::Memo)};
  for (int i = 1; i <= 150; ++i) {
    table.add({jet::Value::text(u"item" + std::u16string(1, u'A' + (i % 26))), jet::Value::longInt(i * (i % 2 ? 1 : 1000)),
               jet::Value::text(u"never printed")});
  }
  data.open();
  ListColumns columns(QStringList{"Item", "Qty", "Notes"});
  qb::ListReport report = qb::buildListReport(data, "Stock", qb::visibleFieldNames(columns),
                                              qb::ReportMetrics::forDefaultPrinter());
  qb::ReportJob job(report, data, settings);
  prompts.previewWith(pdf("stock.pdf"));
  prompts.printPreview(job);

  const QStringList pages = pdfPages(pdf("stock.pdf"));
  ASSERT_GE(pages.size(), 2) << "150 records do not fit on one page";
  EXPECT_EQ(job.pagesPainted(), pages.size());
  int records = 0;
  for (int p = 0; p < pages.size(); ++p) {
    SCOPED_TRACE(p + 1);
    const QString& page = pages[p];
    EXPECT_EQ(page.contains("Stock"), p == 0) << "the title only on the first page";
    EXPECT_TRUE(page.contains(QRegularExpression("Item\\s+Qty"))) << "the column header on every page";
    EXPECT_TRUE(page.contains(QRegularExpression(QStringLiteral("Page %1\\s*$").arg(p + 1))));
    EXPECT_FALSE(page.contains("never printed")) << "memos are never printed";
    records += static_cast<int>(page.count(QRegularExpression("^\\s*item[A-Z]", QRegularExpression::MultilineOption)));
  }
  EXPECT_EQ(records, 150);
  // Numbers stand right-aligned: 1 and 2000 end in the same column.
  const QStringList lines = pages[0].split(u'\n');
  const auto endOf = [&lines](const QString& number) {
    for (const QString& line : lines) {
      const QRegularExpressionMatch m = QRegularExpression("^\\s*item[A-Z]\\s+" + number + "\\s*$").match(line);
      if (m.hasMatch()) return static_cast<int>(line.trimmed().size() + line.indexOf(u'i'));
    }
    return -1;
  };
  EXPECT_NE(endOf("1"), -1);
  EXPECT_EQ(endOf("1"), endOf("2000"));
  EXPECT_TRUE(data.eof()) << "the walk ends at the table's end";
}

TEST_F(ReportPrintTest, AnEmptyTablePrintsOnePageWithItsHeader) {
  table.columns = {memoryColumn(u"Item", jet::DataType::Text, 12)};
  data.open();
  qb::ListReport report = qb::buildListReport(data, "Nothing", {}, qb::ReportMetrics::forDefaultPrinter());
  qb::ReportJob job(report, data, settings);
  prompts.printWith(pdf("empty.pdf"));
  prompts.print(job);
  const QStringList pages = pdfPages(pdf("empty.pdf"));
  ASSERT_EQ(pages.size(), 1);
  EXPECT_TRUE(pages[0].contains("Nothing"));
  EXPECT_TRUE(pages[0].contains("Item"));
  EXPECT_TRUE(pages[0].contains("Page 1"));
}

TEST_F(ReportPrintTest, TheRecordLayoutStillPrintsEveryRecordUnderItsTallHeader) {
  for (int i = 0; i < 12; ++i) {
    table.columns.push_back(memoryColumn(u"F" + std::u16string(1, u'a' + i), jet::DataType::Integer));
  }
  for (int r = 0; r < 40; ++r) {
    std::vector<jet::Value> row;
    for (int i = 0; i < 12; ++i) row.push_back(jet::Value::integer(static_cast<std::int16_t>(r * 100 + i)));
    table.add(row);
  }
  data.open();
  qb::ListReport report = qb::buildListReport(data, "Tall", {}, qb::ReportMetrics::forDefaultPrinter());
  qb::stackFieldLabels(report, data);  // the last labels stand far below a page
  qb::ReportJob job(report, data, settings);
  prompts.previewWith(pdf("tall.pdf"));
  prompts.printPreview(job);
  const QStringList pages = pdfPages(pdf("tall.pdf"));
  int records = 0;
  for (const QString& page : pages) {
    records += static_cast<int>(page.count(QRegularExpression("^\\s*\\d+00\\s", QRegularExpression::MultilineOption)));
  }
  EXPECT_EQ(records, 39) << "each record's first value (0 prints as \"0\")";
  EXPECT_TRUE(pages.join("").contains(QRegularExpression("^\\s*0\\s+1\\s+2", QRegularExpression::MultilineOption)));
  EXPECT_GE(pages.size(), 2);
}

// Paints the job into a PDF file a page at a time, as the page-at-a-time
// preview does.
void paintPageByPage(qb::PrintJob& job, const QString& path) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  printer.setPageLayout(job.pageLayout());
  QPainter painter(&printer);
  painter.scale(printer.resolution() / 96.0, printer.resolution() / 96.0);
  const int pages = job.pageCount(job.pageLayout());
  for (int page = 0; page < pages; ++page) {
    if (page > 0) printer.newPage();
    job.paintPage(painter, job.pageLayout(), page);
  }
}

TEST_F(ReportPrintTest, PagesPaintedOneAtATimeAreThePagesOfTheWholePrintout) {
  table.columns = {memoryColumn(u"N", jet::DataType::Long), memoryColumn(u"Name", jet::DataType::Text, 20)};
  for (int i = 1; i <= 333; ++i) table.add({jet::Value::longInt(i), jet::Value::text(u"name")});
  data.open();
  for (const bool stacked : {false, true}) {
    SCOPED_TRACE(stacked ? "record layout" : "list report");
    qb::ListReport report = qb::buildListReport(data, "Paged", {}, qb::ReportMetrics::forDefaultPrinter());
    if (stacked) qb::stackFieldLabels(report, data);
    qb::ReportJob job(report, data, settings);
    prompts.printWith(pdf("whole.pdf"));
    prompts.print(job);
    const QStringList whole = pdfPages(pdf("whole.pdf"));
    EXPECT_EQ(job.pageCount(job.pageLayout()), whole.size());
    paintPageByPage(job, pdf("paged.pdf"));
    EXPECT_EQ(pdfPages(pdf("paged.pdf")), whole);
  }
  qb::ListReport report = qb::buildListReport(data, "Paged", {}, qb::ReportMetrics::forDefaultPrinter());
  qb::ReportJob job(report, data, settings);
  data.first();
  job.previewClosed();
  EXPECT_EQ(data.recordNumber(), 333) << "as after a whole printout";

  table.rows.clear();
  data.close();
  data.open();
  EXPECT_EQ(job.pageCount(job.pageLayout()), 1) << "an empty table still has its page";
}

TEST(PagePreviewTest, ALongReportIsPreviewedAPageAtATime) {
  qbtest::MemoryTable table;
  table.columns = {memoryColumn(u"N", jet::DataType::Long)};
  for (int i = 1; i <= 60000; ++i) table.add({jet::Value::longInt(i)});
  qbtest::MemoryDataSet data(table);
  data.open();
  qb::ListReport report = qb::buildListReport(data, "Long", {}, qb::ReportMetrics::forDefaultPrinter());
  qb::ReportJob job(report, data, qb::FormatSettings());
  const int pages = job.pageCount(job.pageLayout());
  ASSERT_GT(pages, 1000) << "long enough for the page-at-a-time preview";

  qb::PagePreviewDialog dialog(job, job.pageLayout(), pages, [] {});
  EXPECT_EQ(dialog.page(), 0);
  EXPECT_FALSE(dialog.pageImage().isNull());
  dialog.showPage(pages + 10);
  EXPECT_EQ(dialog.page(), pages - 1) << "past the end: the last page";
  EXPECT_EQ(data.eof(), true) << "the last page was painted to the table's end";
  dialog.showPage(-1);
  EXPECT_EQ(dialog.page(), 0);
  EXPECT_EQ(dialog.failure(), nullptr);

  // "Fit width" follows the page area as the window is shown and resized.
  const QWidget& area = *dialog.findChild<QScrollArea*>()->viewport();
  for (const int width : {1100, 640}) {
    dialog.resize(width, 800);
    dialog.show();
    QApplication::processEvents();
    EXPECT_NEAR(dialog.pageImage().width(), area.width() - 24, 2) << "a window " << width << " wide";
  }
  dialog.hide();

  // Through the program's own prompts: the preview opens, is closed, and
  // the last record is current, as after a printout.
  data.first();
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&closer] {
    if (auto* shown = qobject_cast<qb::PagePreviewDialog*>(QApplication::activeModalWidget())) {
      shown->reject();
      closer.stop();
    }
  });
  closer.start(10);
  qb::QtPrompts().printPreview(job);
  EXPECT_FALSE(closer.isActive()) << "the page-at-a-time preview was shown";
  EXPECT_EQ(data.recordNumber(), 60000);
}

TEST(QtPrintTest, PrintingWithNoPrinterSaysSo) {
  if (!QPrinterInfo::availablePrinters().isEmpty()) GTEST_SKIP() << "this machine has a printer";
  qbtest::MemoryTable table;
  table.columns = {memoryColumn(u"Item", jet::DataType::Text, 12)};
  qbtest::MemoryDataSet data(table);
  data.open();
  qb::ListReport report = qb::buildListReport(data, "T", {}, qb::ReportMetrics::forDefaultPrinter());
  qb::ReportJob job(report, data, qb::FormatSettings());
  qb::QtPrompts prompts;
  try {
    prompts.print(job);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(),
                 "Cannot print: no printer is installed. Add a printer in the system's printer settings, or use "
                 "Print Preview to see the report on the screen");
  }
  EXPECT_EQ(job.pagesPainted(), 0);
}

using PrintCommandTest = DatabaseTest;

TEST_F(PrintCommandTest, PreviewPrintAndPrintRecordWalkTheTableAndNothingHappensWithNoTable) {
  QB_REQUIRE_CORPUS();
  if (!havePdfTools()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  for (const char* entry : {"ToolButton4", "PrintPreview1", "Print1", "PrintRecord1"}) activate(entry);
  EXPECT_TRUE(prompts->shown().empty()) << "no table open: nothing at all";

  open(copyOf(kTextTable));
  DataGrid& grid = *Form1->DBGrid1;
  grid.columns().setVisible(1, false);
  const QString preview = scratchFile("preview.pdf");
  prompts->previewWith(preview);
  EXPECT_EQ(activate("PrintPreview1"), (QStringList{"PrintPreview1Click", "ToolButton4Click"}));
  EXPECT_EQ(mainData->mdb.recordNumber(), 7) << "the last record is current after";
  const QString text = pdfPages(preview).join("");
  EXPECT_TRUE(text.contains("Table1"));
  EXPECT_TRUE(text.contains("data1"));
  EXPECT_FALSE(text.contains(grid.columns().fieldName(1))) << "the hidden column's field is not printed";

  mainData->mdb.first();
  prompts->previewWith(scratchFile("record.pdf"));
  activate("PrintRecord1");
  EXPECT_EQ(mainData->mdb.recordNumber(), 7);

  // No printer: the error box says so and the report is gone.
  prompts->failWith(PromptKind::Print,
                    std::make_exception_ptr(std::runtime_error("Cannot print: no printer is installed")));
  activate("Print1");
  EXPECT_EQ(prompts->errorBoxes(), QStringList{"Cannot print: no printer is installed."});
}

}  // namespace
