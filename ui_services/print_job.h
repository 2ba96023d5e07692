// PrintJob: a document that can be previewed and printed through Prompts —
// its title, the page layout it was laid out for, and the painting of its
// pages. The printing commands make one (the list report of the current
// table); Prompts decides where the pages go (the preview window, the default
// printer, a PDF file in tests).
#pragma once

#include <QPageLayout>
#include <QString>
#include <QtGlobal>
#include <functional>

class QPainter;
class QPrinter;

namespace qb {

class PrintJob {
 public:
  virtual ~PrintJob() = default;

  // Told now and then how much of the work is done (of `total`, in the job's
  // own units: records for a report). Answers false when the person asked to
  // cancel: the job then stops after the page it is on.
  using Progress = std::function<bool(qint64 done, qint64 total)>;

  // The name of the document (the print job's name, the preview's caption).
  virtual QString title() const = 0;
  // Paper, orientation and margins the pages were laid out for; the printer
  // is set to this layout before paint is called.
  virtual QPageLayout pageLayout() const = 0;
  // Paints every page on `printer`. Errors (a failing read of the data, a
  // printer that cannot start) are thrown and end the job.
  virtual void paint(QPrinter& printer, const Progress& progress) = 0;

  // A long document is previewed a page at a time, each page painted only
  // when it is looked at, so that the preview's memory does not grow with
  // the document. A job that can do that says how many pages it has on a
  // page of `layout` (0: it cannot, and the preview records every page) and
  // paints one page, from 0, with `painter` set to 96 units an inch and its
  // origin at the corner of the page's printable area.
  virtual int pageCount(const QPageLayout& layout) {
    (void)layout;
    return 0;
  }
  virtual void paintPage(QPainter& painter, const QPageLayout& layout, int page) {
    (void)painter;
    (void)layout;
    (void)page;
  }
  // The page-at-a-time preview was closed.
  virtual void previewClosed() {}
};

}  // namespace qb
