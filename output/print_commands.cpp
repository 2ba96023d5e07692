// Printing and previewing the current table.
#include "output/print_commands.h"

#include "connection/table_data_set.h"
#include "connection/ui/grid_columns.h"
#include "output/report.h"
#include "output/report_job.h"
#include "ui_services/prompts.h"

namespace qb {

namespace {

// Tops of stacked labels: 50 × position + 20.
constexpr int kStackStep = 50;
constexpr int kStackOffset = 20;

bool namesField(const DataSet& table, const QString& caption) {
  return table.findField(caption.toStdU16String()) != nullptr;
}

int columnShowing(const GridColumns& columns, const QString& fieldName) {
  for (int position = 0; position < columns.count(); ++position) {
    if (columns.fieldName(position).compare(fieldName, Qt::CaseInsensitive) == 0) return position;
  }
  return -1;
}

void run(const ListReport& report, DataSet& data, const FormatSettings& settings, Prompts& prompts,
         ReportOutput output) {
  ReportJob job(report, data, settings);
  if (output == ReportOutput::Preview) {
    prompts.printPreview(job);
  } else {
    prompts.print(job);
  }
}

}  // namespace

void sizeLabelsToGridColumns(ListReport& report, const DataSet& table, const GridColumns& columns) {
  for (int i = 0; i < report.elementCount(); ++i) {
    if (!report.isLabel(i) || !namesField(table, report.element(i).caption)) continue;
    const int column = columnShowing(columns, report.element(i).caption);
    const int width = column < 0 ? -1 : columns.width(column);
    if (width >= 0) report.setWidth(i, width);
  }
}

void stackFieldLabels(ListReport& report, const DataSet& table) {
  for (int i = 0; i < report.elementCount(); ++i) {
    if (report.isLabel(i) && namesField(table, report.element(i).caption)) {
      report.setTop(i, kStackStep * i + kStackOffset);
    }
  }
}

void printGridReport(TableDataSet& mdb, const GridColumns& columns, Prompts& prompts,
                     const FormatSettings& settings, ReportOutput output) {
  if (!mdb.active()) return;
  ListReport report = buildListReport(mdb, QString::fromStdU16String(mdb.tableName()), visibleFieldNames(columns),
                                      ReportMetrics::forDefaultPrinter());
  sizeLabelsToGridColumns(report, mdb, columns);
  run(report, mdb, settings, prompts, output);
}

void printRecordReport(TableDataSet& mdb, const GridColumns& columns, Prompts& prompts,
                       const FormatSettings& settings, ReportOutput output) {
  if (!mdb.active()) return;
  ListReport report = buildListReport(mdb, QString::fromStdU16String(mdb.tableName()), visibleFieldNames(columns),
                                      ReportMetrics::forDefaultPrinter());
  stackFieldLabels(report, mdb);
  run(report, mdb, settings, prompts, output);
}

}  // namespace qb
