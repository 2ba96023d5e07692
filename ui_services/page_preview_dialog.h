// PagePreviewDialog: the preview of a long document, one page at a time.
// Only the page on the screen is painted (into an image at the screen's
// resolution), so memory stays the same whatever the number of pages. The
// tool bar moves between pages (first, previous, a page number, next,
// last), zooms (fit the width, or a fixed size) and prints.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPageLayout>
#include <exception>
#include <functional>

class QComboBox;
class QLabel;
class QScrollArea;
class QSpinBox;

namespace qb {

class PrintJob;

class PagePreviewDialog final : public QDialog {
  Q_OBJECT

 public:
  // `print` runs when the Print button is pressed (the job to the printer).
  PagePreviewDialog(PrintJob& job, QPageLayout layout, int pageCount, std::function<void()> print,
                    QWidget* parent = nullptr);

  int pageCount() const { return pageCount_; }
  // The page shown, from 0.
  int page() const { return page_; }
  void showPage(int page);
  // The image of the page shown.
  const QImage& pageImage() const { return image_; }
  // An error the job raised while painting a page; the window closes then.
  std::exception_ptr failure() const { return failure_; }

 protected:
  // "Fit width" follows the width of the page area, which is laid out after
  // the window itself has been resized.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void render();
  double zoom() const;

  PrintJob& job_;
  QPageLayout layout_;
  int pageCount_;
  int page_ = 0;
  std::function<void()> print_;
  QImage image_;
  std::exception_ptr failure_;
  QSpinBox* pageBox_;
  QLabel* pageLabel_;
  QComboBox* zoomBox_;
  QScrollArea* scroll_;
  QLabel* canvas_;
};

}  // namespace qb
