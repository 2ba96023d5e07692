// Building the list report and measuring its page and fonts.
#include "output/report.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>

#include "connection/data_set.h"

namespace qb {

namespace {

// Layout pixels per inch.
constexpr double kLayoutDpi = 96.0;
constexpr double kMarginMm = 10.0;
// The report font's sizes in points, and the gap between placed fields.
constexpr double kFontPoints = 10.0;
constexpr double kTitlePoints = 14.0;
constexpr int kFieldGap = 10;
// Header labels and value texts sit this far below the top of their area.
constexpr int kLabelTop = 4;
constexpr int kValueTop = 1;

QFont reportFont(double points, bool bold) {
  QFont font(QStringLiteral("Arial"));
  // Sized in layout pixels, so that the text is as wide on the page as it
  // was measured, whatever the printer's resolution; without hinting, which
  // would measure screen-fitted widths.
  font.setPixelSize(static_cast<int>(std::lround(points * kLayoutDpi / 72.0)));
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

int widthOf(const QPageLayout& page, QPageLayout::Orientation orientation) {
  QPageLayout turned = page;
  turned.setOrientation(orientation);
  return static_cast<int>(std::floor(turned.paintRect(QPageLayout::Inch).width() * kLayoutDpi));
}

// Long binary fields, which a list report never prints.
bool isLongBinary(TFieldType type) {
  using enum TFieldType;
  switch (type) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob:
      return true;
    default:
      return false;
  }
}

bool hasUnprintableName(const QString& name) {
  return std::any_of(name.begin(), name.end(), [](QChar c) {
    return c == u' ' || c == u'/' || c == u'\\' || c == u'&' || c == u'%' || c == u'-';
  });
}

ReportElement band(BandType type) {
  ReportElement e;
  e.kind = ElementKind::Band;
  e.band = type;
  return e;
}

}  // namespace

ReportMetrics ReportMetrics::forPage(const QPageLayout& page) {
  ReportMetrics m;
  m.page = page;
  m.page.setOrientation(QPageLayout::Portrait);
  m.portraitWidth = widthOf(m.page, QPageLayout::Portrait);
  m.landscapeWidth = widthOf(m.page, QPageLayout::Landscape);
  m.font = reportFont(kFontPoints, false);
  m.titleFont = reportFont(kTitlePoints, true);
  m.textWidth = [](const QString& text, const QFont& font) {
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
  };
  m.lineHeight = [](const QFont& font) { return static_cast<int>(std::ceil(QFontMetricsF(font).height())); };
  return m;
}

ReportMetrics ReportMetrics::forDefaultPrinter() {
  const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
  const QPageSize paper = printer.isNull() ? QPageSize(QPageSize::A4) : printer.defaultPageSize();
  return forPage(QPageLayout(paper.isValid() ? paper : QPageSize(QPageSize::A4), QPageLayout::Portrait,
                             QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter));
}

ListReport::ListReport(ReportMetrics metrics, QString title) : metrics_(std::move(metrics)), title_(std::move(title)) {}

QPageLayout ListReport::pageLayout() const {
  QPageLayout page = metrics_.page;
  page.setOrientation(orientation_);
  return page;
}

int ListReport::bandWidth() const {
  return orientation_ == QPageLayout::Portrait ? metrics_.portraitWidth : metrics_.landscapeWidth;
}

ListReport buildListReport(const DataSet& table, const QString& title, const QStringList& fieldNames,
                           const ReportMetrics& metrics) {
  ListReport report(metrics, title);
  std::vector<ReportElement>& elements = report.elements_;

  if (!title.isEmpty()) {
    elements.push_back(band(BandType::rbTitle));
    ReportElement text;
    text.kind = ElementKind::Label;
    text.band = BandType::rbTitle;
    text.caption = title;
    text.font = metrics.titleFont;
    text.width = metrics.textWidth(title, text.font);
    text.height = metrics.lineHeight(text.font);
    text.top = kLabelTop;
    text.alignment = Qt::AlignHCenter;
    text.alignToBand = true;
    text.left = std::max(0, (report.bandWidth() - text.width) / 2);
    elements.push_back(text);
  }
  elements.push_back(band(BandType::rbPageFooter));
  ReportElement pageNumber;
  pageNumber.kind = ElementKind::Expression;
  pageNumber.band = BandType::rbPageFooter;
  pageNumber.caption = QStringLiteral("Page");
  pageNumber.font = metrics.font;
  pageNumber.height = metrics.lineHeight(metrics.font);
  pageNumber.width = metrics.textWidth(QStringLiteral("Page 00000"), metrics.font);
  pageNumber.top = kLabelTop;
  pageNumber.alignment = Qt::AlignRight;
  pageNumber.alignToBand = true;
  elements.push_back(pageNumber);
  elements.push_back(band(BandType::rbColumnHeader));
  elements.push_back(band(BandType::rbDetail));

  std::vector<const Field*> fields;
  if (fieldNames.isEmpty()) {
    for (std::size_t i = 0; i < table.fieldCount(); ++i) fields.push_back(&table.field(i));
  } else {
    for (const QString& name : fieldNames) {
      if (const Field* field = table.findField(name.toStdU16String())) fields.push_back(field);
    }
  }

  const int lineHeight = metrics.lineHeight(metrics.font);
  for (const Field* field : fields) {
    const QString name = QString::fromStdU16String(field->fieldName());
    if (isLongBinary(field->dataType()) || hasUnprintableName(name)) continue;

    int left = 1;
    bool areaHoldsElements = false;
    int rightMost = 0;
    for (const ReportElement& e : elements) {
      if (e.kind == ElementKind::Band || e.band != BandType::rbColumnHeader) continue;
      areaHoldsElements = true;
      rightMost = std::max(rightMost, e.left + e.width);
    }
    if (areaHoldsElements) left = rightMost + kFieldGap;

    ReportElement label;
    label.kind = ElementKind::Label;
    label.band = BandType::rbColumnHeader;
    label.font = metrics.font;
    label.left = left;
    label.top = kLabelTop;
    label.width = metrics.textWidth(QString(std::max(0, field->displayWidth()), u'X'), metrics.font);
    label.height = lineHeight + 2;
    label.caption = name;
    label.lineBelow = true;

    ReportElement value;
    value.kind = ElementKind::FieldText;
    value.band = BandType::rbDetail;
    value.font = metrics.font;
    value.fieldName = name;
    value.left = label.left;
    value.width = label.width;
    value.top = kValueTop;
    value.height = lineHeight;
    value.alignment = field->alignRight() ? Qt::AlignRight : Qt::AlignLeft;

    const int right = value.left + value.width;
    if (right > report.bandWidth() && report.orientation_ == QPageLayout::Portrait) {
      report.orientation_ = QPageLayout::Landscape;
    }
    if (right > report.bandWidth()) continue;
    elements.push_back(label);
    elements.push_back(value);
  }

  // A centred title follows the page when it turned.
  for (ReportElement& e : elements) {
    if (e.kind == ElementKind::Label && e.band == BandType::rbTitle) {
      e.left = std::max(0, (report.bandWidth() - e.width) / 2);
    }
  }
  return report;
}

}  // namespace qb
