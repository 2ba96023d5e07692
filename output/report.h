// The list report: a banded report over a table, as the printing commands
// build it — a title area printed once at the start, a column header area
// above the records of every page, a detail area printed once per record and
// a page footer area at the foot of every page — and the elements in those
// areas, kept in the order the builder makes them, so that a command can
// adjust an element by its position.
//
// Elements, in the builder's order (position from 0):
//   0       title area                (only when the title is not empty)
//   1       title text, a label       Arial 14 point bold, centred, as wide as its text
//   2       page footer area
//   3       page number, an expression "Page N", right-aligned
//   4       column header area
//   5       detail area
//   6 + 2k  header label of placed field k: its name, a line along its bottom
//   7 + 2k  value text of placed field k: same left and width; numbers right-aligned
// (without a title the positions are one less, and there is no title text
// either: the title area holds it.)
//
// Layout units are pixels of the on-screen layout (96 per inch), the unit of
// the grid's column widths; tops are offsets from the top of the element's
// own area.
#pragma once

#include <QFont>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace qb {

class DataSet;

enum class BandType { rbTitle, rbColumnHeader, rbDetail, rbPageFooter };

enum class ElementKind {
  Band,        // an area
  Label,       // fixed text: the title, a header label
  Expression,  // text made as the page prints: the page number
  FieldText,   // the value of a field in the record being printed
};

struct ReportElement {
  ElementKind kind = ElementKind::Band;
  BandType band = BandType::rbDetail;  // the area itself, or the area the element is in
  QString caption;                     // a label's text; the expression's text before the number
  QString fieldName;                   // the field a value text shows
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  Qt::Alignment alignment = Qt::AlignLeft;
  bool alignToBand = false;  // placed across its area by the alignment (title, page number)
  bool lineBelow = false;    // a line along the bottom edge (header labels)
  QFont font;
};

// The page and the report's fonts as the builder measures them.
struct ReportMetrics {
  QPageLayout page;     // portrait; the report turns it to landscape when a field needs it
  int portraitWidth = 0;   // width of the areas on the upright page
  int landscapeWidth = 0;  // ... and on the page turned to landscape
  QFont font;              // the report's font (Arial)
  QFont titleFont;         // Arial 14 point bold
  // Width and line height of a text in a font.
  std::function<int(const QString& text, const QFont& font)> textWidth;
  std::function<int(const QFont& font)> lineHeight;

  // The default printer's paper (A4 without a printer), upright, 10 mm
  // margins, with the fonts measured as they print.
  static ReportMetrics forDefaultPrinter();
  // The same fonts on a given page.
  static ReportMetrics forPage(const QPageLayout& page);
};

class ListReport {
 public:
  explicit ListReport(ReportMetrics metrics, QString title);

  const QString& title() const { return title_; }
  const ReportMetrics& metrics() const { return metrics_; }
  QPageLayout::Orientation orientation() const { return orientation_; }
  // The page the report prints on: the metrics' page in the report's orientation.
  QPageLayout pageLayout() const;
  // The width of every area.
  int bandWidth() const;

  // The element list.
  int elementCount() const { return static_cast<int>(elements_.size()); }
  const ReportElement& element(int position) const { return elements_.at(static_cast<std::size_t>(position)); }
  bool isLabel(int position) const { return element(position).kind == ElementKind::Label; }
  void setTop(int position, int top) { elements_.at(static_cast<std::size_t>(position)).top = top; }
  void setWidth(int position, int width) { elements_.at(static_cast<std::size_t>(position)).width = width; }
  const std::vector<ReportElement>& elements() const { return elements_; }

 private:
  friend ListReport buildListReport(const DataSet&, const QString&, const QStringList&, const ReportMetrics&);
  ReportMetrics metrics_;
  QString title_;
  QPageLayout::Orientation orientation_ = QPageLayout::Portrait;
  std::vector<ReportElement> elements_;
};

// Builds the list report of `table` titled `title` over the fields named in
// `fieldNames`, in that order (names the table lacks are passed over), or,
// when the list is empty, over every field of the table in its field order.
// Left out without a message: long binary fields (memo, OLE object, picture,
// every BLOB) and fields whose name holds a blank, "/", "\", "&", "%" or "-".
//
// Each field that remains is placed in turn: its header label at left 1 in
// an empty column header area, otherwise 10 past the right-most edge of the
// elements there, as wide as a text of as many "X" as the field's display
// width in the report's font; its value text below with that left and width.
// A value text that reaches past the detail area turns the page to landscape
// (once); one that still does is removed with its label, and the next fields
// are still tried.
ListReport buildListReport(const DataSet& table, const QString& title, const QStringList& fieldNames,
                           const ReportMetrics& metrics);

}  // namespace qb
