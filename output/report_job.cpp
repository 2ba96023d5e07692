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
  const QRect paintRect = printer.pageLayout().paintRectPixels(printer.resolution());
  const int pageHeight = static_cast<int>(paintRect.height() / scale);

  PagePainter pages(report_, data_, settings_, painter);
  const int titleHeight = hasBand(report_, BandType::rbTitle) ? bandHeight(report_, BandType::rbTitle) : 0;
  const int footerHeight = bandHeight(report_, BandType::rbPageFooter);
  const int detailHeight = bandHeight(report_, BandType::rbDetail);
  // The column header is cut where it would leave no room for a record.
  const int headerRoom = std::max(0, pageHeight - titleHeight - footerHeight - detailHeight);
  const int fullHeaderHeight = bandHeight(report_, BandType::rbColumnHeader);
  const int headerHeight = std::min(fullHeaderHeight, headerRoom);
  const int headerCut = headerHeight < fullHeaderHeight ? std::max(1, headerHeight) : 0;
  const int footerTop = pageHeight - footerHeight;

  int y = 0;
  int pageNumber = 1;
  const auto startPage = [&](bool first) {
    y = 0;
    if (first && titleHeight > 0) {
      pages.paintBand(BandType::rbTitle, y);
      y += titleHeight;
    }
    pages.paintBand(BandType::rbColumnHeader, y, 0, headerCut);
    y += headerHeight;
  };
  const auto endPage = [&] {
    pages.paintBand(BandType::rbPageFooter, footerTop, pageNumber);
    ++pages_;
  };

  const qint64 total = static_cast<qint64>(data_.recordCount());
  qint64 done = 0;
  const DataSet::Walk walk(data_);
  data_.first();
  startPage(true);
  while (!data_.eof()) {
    if (y + detailHeight > footerTop) {
      endPage();
      printer.newPage();
      ++pageNumber;
      startPage(false);
    }
    pages.paintBand(BandType::rbDetail, y);
    y += detailHeight;
    ++done;
    if (done % kProgressEvery == 0 && !progress(done, total)) break;
    data_.next();
  }
  endPage();
  progress(done, total);
  painter.end();
}

}  // namespace qb
