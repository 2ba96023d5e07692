// ReportJob: runs a list report over its table onto the pages of a printer —
// the walk of the table from its first record to its end (the last record is
// current after), one detail line per record, the column header area at the
// top of every page below the title (first page only), the page footer with
// "Page N" at the foot of every page. Values are printed in the field's own
// text form (value_text.h), clipped to their element.
//
// Areas are as tall as the elements they hold (plus a small gap); a column
// header area taller than a page leaves (the record layout's stacked labels)
// is cut so that every page still holds a detail line.
#pragma once

#include "connection/format_settings.h"
#include "output/report.h"
#include "ui_services/print_job.h"

namespace qb {

class DataSet;

class ReportJob final : public PrintJob {
 public:
  // `report` and `data` must outlive the job.
  ReportJob(const ListReport& report, DataSet& data, FormatSettings settings);

  QString title() const override;
  QPageLayout pageLayout() const override;
  // Progress is counted in records.
  void paint(QPrinter& printer, const Progress& progress) override;
  // Pages as a preview shows them one at a time. Every page holds the same
  // number of detail lines (the first one fewer when the title takes room),
  // so a page's records are known without laying out the pages before it.
  int pageCount(const QPageLayout& layout) override;
  void paintPage(QPainter& painter, const QPageLayout& layout, int page) override;
  // The last record is current, as after the walk of a whole printout.
  void previewClosed() override;

  // Pages painted by the last paint.
  int pagesPainted() const { return pages_; }

 private:
  const ListReport& report_;
  DataSet& data_;
  FormatSettings settings_;
  int pages_ = 0;
};

}  // namespace qb
