// The page-at-a-time preview window.
#include "ui_services/page_preview_dialog.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "ui_services/handler_guard.h"
#include "ui_services/print_job.h"

namespace qb {

namespace {

constexpr double kLayoutDpi = 96.0;
// Zoom choices after "Fit width": a factor of the page's size at 96 dpi.
constexpr double kZooms[] = {0.5, 0.75, 1.0, 1.5, 2.0};

QToolButton* toolButton(const QString& text, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

PagePreviewDialog::PagePreviewDialog(PrintJob& job, QPageLayout layout, int pageCount, std::function<void()> print,
                                     QWidget* parent)
    : QDialog(parent), job_(job), layout_(std::move(layout)), pageCount_(std::max(1, pageCount)),
      print_(std::move(print)) {
  setObjectName(QStringLiteral("PagePreview"));
  setWindowFlag(Qt::WindowMaximizeButtonHint);
  resize(900, 900);

  auto* first = toolButton(QStringLiteral("|<"), this);
  auto* previous = toolButton(QStringLiteral("<"), this);
  auto* next = toolButton(QStringLiteral(">"), this);
  auto* last = toolButton(QStringLiteral(">|"), this);
  pageBox_ = new QSpinBox(this);
  pageBox_->setRange(1, pageCount_);
  pageBox_->setKeyboardTracking(false);
  pageLabel_ = new QLabel(QStringLiteral("of %1").arg(pageCount_), this);
  zoomBox_ = new QComboBox(this);
  zoomBox_->addItem(QStringLiteral("Fit width"));
  for (const double z : kZooms) zoomBox_->addItem(QStringLiteral("%1%").arg(std::lround(z * 100)));
  auto* printButton = new QPushButton(QStringLiteral("Print"), this);
  auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
  printButton->setAutoDefault(false);

  auto* bar = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{first, previous, pageBox_, pageLabel_, next, last, zoomBox_}) {
    bar->addWidget(w);
  }
  bar->addStretch(1);
  bar->addWidget(printButton);
  bar->addWidget(closeButton);

  canvas_ = new QLabel;
  canvas_->setAlignment(Qt::AlignCenter);
  scroll_ = new QScrollArea(this);
  scroll_->setWidget(canvas_);
  scroll_->setWidgetResizable(true);
  scroll_->setBackgroundRole(QPalette::Dark);

  auto* layoutBox = new QVBoxLayout(this);
  layoutBox->addLayout(bar);
  layoutBox->addWidget(scroll_, 1);

  scroll_->viewport()->installEventFilter(this);

  connect(first, &QToolButton::clicked, this, [this] { showPage(0); });
  connect(previous, &QToolButton::clicked, this, [this] { showPage(page_ - 1); });
  connect(next, &QToolButton::clicked, this, [this] { showPage(page_ + 1); });
  connect(last, &QToolButton::clicked, this, [this] { showPage(pageCount_ - 1); });
  connect(pageBox_, &QSpinBox::valueChanged, this, [this](int shown) { showPage(shown - 1); });
  connect(zoomBox_, &QComboBox::currentIndexChanged, this, [this] { render(); });
  connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(printButton, &QPushButton::clicked, this, [this] { guarded([this] { print_(); }); });
  render();
}

void PagePreviewDialog::showPage(int page) {
  page = std::clamp(page, 0, pageCount_ - 1);
  if (page == page_ && !image_.isNull()) return;
  page_ = page;
  const QSignalBlocker quiet(pageBox_);
  pageBox_->setValue(page_ + 1);
  render();
  scroll_->verticalScrollBar()->setValue(0);
}

double PagePreviewDialog::zoom() const {
  const int choice = zoomBox_->currentIndex();
  if (choice > 0) return kZooms[choice - 1];
  const double pageWidth = layout_.fullRect(QPageLayout::Inch).width() * kLayoutDpi;
  const int room = std::max(200, scroll_->viewport()->width() - 24);
  return std::clamp(room / pageWidth, 0.25, 4.0);
}

void PagePreviewDialog::render() {
  if (failure_) return;
  const double z = zoom();
  const QRectF paper = layout_.fullRect(QPageLayout::Inch);
  const QRectF printable = layout_.paintRect(QPageLayout::Inch);
  image_ = QImage(static_cast<int>(std::ceil(paper.width() * kLayoutDpi * z)),
                  static_cast<int>(std::ceil(paper.height() * kLayoutDpi * z)), QImage::Format_RGB32);
  image_.fill(Qt::white);
  try {
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(z, z);
    painter.translate(printable.left() * kLayoutDpi, printable.top() * kLayoutDpi);
    painter.setClipRect(QRectF(0, 0, printable.width() * kLayoutDpi, printable.height() * kLayoutDpi));
    job_.paintPage(painter, layout_, page_);
  } catch (...) {
    failure_ = std::current_exception();
    QTimer::singleShot(0, this, &QDialog::reject);
    return;
  }
  canvas_->setPixmap(QPixmap::fromImage(image_));
}

bool PagePreviewDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == scroll_->viewport() && event->type() == QEvent::Resize && zoomBox_->currentIndex() == 0) {
    render();
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace qb
