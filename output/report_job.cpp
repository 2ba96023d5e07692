// Painting a list report page by page.
#include "output/report_job.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <stdexcept>

#include "connection/data_set.h"
#include "connection/value_text.h"

namespace qb {

namespace {

// Layout pixels per inch (the report's unit).
constexpr double kLayoutDpi = 96.0;
// Space below the lowest element of an area.
constexpr int kBandGap = 4;
// Records between two progress reports.
constexpr qint64 kProgressEvery = 500;

// The height of an area: down to the lowest element it holds, plus the gap.
int bandHeight(const ListReport& report, BandType band) {
  int bottom = 0;
  for (const ReportElement& e : report.elements()) {
    if (e.kind != ElementKind::Band && e.band == band) bottom = std::max(bottom, e.top + e.height);
  }
  return bottom + kBandGap;
}

bool hasBand(const ListReport& report, BandType band) {
  return std::any_of(report.elements().begin(), report.elements().end(),
                     [band](const ReportElement& e) { return e.kind == ElementKind::Band && e.band == band; });
}

QRect elementRect(const ReportElement& e, int bandTop, int bandWidth) {
  if (!e.alignToBand) return QRect(e.left, bandTop + e.top, e.width, e.height);
  return QRect(0, bandTop + e.top, bandWidth, e.height);
}

// The elements of one area with the fields of value texts looked up once.
struct PlacedElement {
  const ReportElement* element;
  const Field* field;
};

class PagePainter {
 public:
  PagePainter(const ListReport& report, DataSet& data, const FormatSettings& settings, QPainter& painter)
      : settings_(settings), painter_(painter), width_(report.bandWidth()) {
    for (const ReportElement& e : report.elements()) {
      if (e.kind == ElementKind::Band) continue;
      const Field* field = e.kind == ElementKind::FieldText ? data.findField(e.fieldName.toStdU16String()) : nullptr;
      byBand(e.band).push_back({&e, field});
    }
  }

  // Paints an area's elements with its top at `top`; `cutAt` > 0 cuts the
  // area at that height.
  void paintBand(BandType band, int top, int pageNumber = 0, int cutAt = 0) {
    const std::vector<PlacedElement>& placed = byBand(band);
    if (placed.empty()) return;
    if (cutAt > 0) {
      painter_.save();
      painter_.setClipRect(QRect(0, top, width_, cutAt));
    }
    for (const PlacedElement& p : placed) paintElement(*p.element, p.field, top, pageNumber);
    if (cutAt > 0) painter_.restore();
  }

 private:
  std::vector<PlacedElement>& byBand(BandType band) { return bands_[static_cast<int>(band)]; }

  void paintElement(const ReportElement& e, const Field* field, int bandTop, int pageNumber) {
    QString text;
    switch (e.kind) {
      case ElementKind::Label:
        text = e.caption;
        break;
      case ElementKind::Expression:
        text = e.caption + u' ' + QString::number(pageNumber);
        break;
      case ElementKind::FieldText:
        if (field) text = QString::fromStdU16String(fieldText(field->value(), field->dataType(), settings_));
        break;
      case ElementKind::Band:
        return;
    }
    const QRect rect = elementRect(e, bandTop, width_);
    if (painter_.font() != e.font) painter_.setFont(e.font);
    painter_.drawText(rect, static_cast<int>(e.alignment | Qt::AlignVCenter | Qt::TextSingleLine), text);
    if (e.lineBelow) painter_.drawLine(rect.bottomLeft(), rect.bottomRight());
  }

  const FormatSettings& settings_;
  QPainter& painter_;
  int width_;
  std::vector<PlacedElement> bands_[4];
};

// Where the areas fall on a page and how many records a page holds; the
// same for printing every page in turn and for painting one page alone.
struct PageGeometry {
  PageGeometry(const ListReport& report, int pageHeight) {
    titleHeight = hasBand(report, BandType::rbTitle) ? bandHeight(report, BandType::rbTitle) : 0;
    footerHeight = bandHeight(report, BandType::rbPageFooter);
    detailHeight = bandHeight(report, BandType::rbDetail);
    // The column header is cut where it would leave no room for a record.
    const int headerRoom = std::max(0, pageHeight - titleHeight - footerHeight - detailHeight);
    const int fullHeaderHeight = bandHeight(report, BandType::rbColumnHeader);
    headerHeight = std::min(fullHeaderHeight, headerRoom);
    headerCut = headerHeight < fullHeaderHeight ? std::max(1, headerHeight) : 0;
    footerTop = pageHeight - footerHeight;
    firstPageRecords = std::max(1, (footerTop - titleHeight - headerHeight) / detailHeight);
    pageRecords = std::max(1, (footerTop - headerHeight) / detailHeight);
  }

  int records(int page) const { return page == 0 ? firstPageRecords : pageRecords; }
  qint64 firstRecord(int page) const {
    return page == 0 ? 0 : firstPageRecords + static_cast<qint64>(page - 1) * pageRecords;
  }
  int pageCount(qint64 recordCount) const {
    if (recordCount <= firstPageRecords) return 1;
    return 1 + static_cast<int>((recordCount - firstPageRecords + pageRecords - 1) / pageRecords);
  }

  int titleHeight, footerHeight, detailHeight, headerHeight, headerCut, footerTop;
  int firstPageRecords, pageRecords;
};

// Paints page `page` (from 0) from the current record on, moving to the
// next record after each one printed; answers the records printed, fewer
// than the page holds only at the table's end or when `stop` says so.
template <class Stop>
int paintOnePage(PagePainter& pages, const PageGeometry& g, DataSet& data, int page, Stop stop) {
  int y = 0;
  if (page == 0 && g.titleHeight > 0) {
    pages.paintBand(BandType::rbTitle, y);
    y += g.titleHeight;
  }
  pages.paintBand(BandType::rbColumnHeader, y, 0, g.headerCut);
  y += g.headerHeight;
  int printed = 0;
  while (printed < g.records(page) && !data.eof()) {
    pages.paintBand(BandType::rbDetail, y);
    y += g.detailHeight;
    ++printed;
    if (stop()) break;
    data.next();
  }
  pages.paintBand(BandType::rbPageFooter, g.footerTop, page + 1);
  return printed;
}

int pageHeightOf(const QPageLayout& layout) {
  return static_cast<int>(layout.paintRect(QPageLayout::Inch).height() * kLayoutDpi);
}

}  // namespace

ReportJob::ReportJob(const ListReport& report, DataSet& data, FormatSettings settings)
    : report_(report), data_(data), settings_(std::move(settings)) {}

QString ReportJob::title() const {
  return report_.title();
}

QPageLayout ReportJob::pageLayout() const {
  return report_.pageLayout();
}

void ReportJob::paint(QPrinter& printer, const Progress& progress) {
  pages_ = 0;
  QPainter painter;
  if (!painter.begin(&printer)) {
    throw std::runtime_error("Cannot print \"" + report_.title().toStdString() + "\": the printer " +
                             (printer.printerName().isEmpty() ? std::string("output")
                                                              : "\"" + printer.printerName().toStdString() + "\"") +
                             " could not be started");
  }
  const double scale = printer.resolution() / kLayoutDpi;
  painter.scale(scale, scale);
  const PageGeometry geometry(report_, pageHeightOf(printer.pageLayout()));
  PagePainter pages(report_, data_, settings_, painter);

  const qint64 total = static_cast<qint64>(data_.recordCount());
  qint64 done = 0;
  bool cancelled = false;
  const DataSet::Walk walk(data_);
  data_.first();
  const auto stop = [&] {
    ++done;
    cancelled = done % kProgressEvery == 0 && !progress(done, total);
    return cancelled;
  };
  for (int page = 0;; ++page) {
    if (page > 0) printer.newPage();
    paintOnePage(pages, geometry, data_, page, stop);
    ++pages_;
    if (cancelled || data_.eof()) break;
  }
  progress(done, total);
  painter.end();
}

int ReportJob::pageCount(const QPageLayout& layout) {
  return PageGeometry(report_, pageHeightOf(layout)).pageCount(static_cast<qint64>(data_.recordCount()));
}

void ReportJob::paintPage(QPainter& painter, const QPageLayout& layout, int page) {
  const PageGeometry geometry(report_, pageHeightOf(layout));
  PagePainter pages(report_, data_, settings_, painter);
  const DataSet::Walk walk(data_);
  const qint64 first = geometry.firstRecord(page);
  if (first >= static_cast<qint64>(data_.recordCount())) {
    data_.last();
    data_.next();  // past the end: the page shows its areas only
  } else {
    data_.moveTo(static_cast<std::size_t>(first));
  }
  paintOnePage(pages, geometry, data_, page, [] { return false; });
}

void ReportJob::previewClosed() {
  // As after a printout: the walk ended at the last record.
  data_.last();
}

}  // namespace qb
