// Layout of the record view (navigator bar and field area), the built field
// controls, and the window's close and wheel handlers.
#include "browse/record_view_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "browse/db_edit.h"
#include "connection/ui/grid_columns.h"
#include "connection/ui/main_data.h"
#include "connection/ui/record_navigator.h"
#include "ui_services/handler_guard.h"

TfrmRecordView* frmRecordView = nullptr;

namespace {

// Where the controls of column i go: a band of 50 pixels per field, the
// caption at its top, the box 15 pixels lower.
constexpr int kLeft = 12;
constexpr int kCaptionTop = 45;
constexpr int kBoxTop = 60;
constexpr int kBand = 50;
// Room left beside and below the last control.
constexpr int kMargin = 12;
// Eighths of a degree in one step of a wheel.
constexpr int kWheelStep = 120;

}  // namespace

// Hears the dataset open again while the view is built.
class TfrmRecordView::Follower final : public DataLink {
 public:
  explicit Follower(TfrmRecordView& window) : window_(window) {}
  ~Follower() override { setDataSource(nullptr); }

 private:
  void activeChanged() override {
    if (linkActive()) window_.rebuild();
  }
  TfrmRecordView& window_;
};

TfrmRecordView::TfrmRecordView(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmRecordView"));
  setWindowTitle(QStringLiteral("Record View"));
  resize(440, 460);

  auto* bar = new QWidget(this);
  bar->setObjectName(QStringLiteral("NavigatorBar"));
  DBNavigator1 = new RecordNavigator(false, bar);
  if (mainData) DataSource1.setDataSet(&mainData->mdb);
  DBNavigator1->setDataSource(&DataSource1);
  auto* barLayout = new QHBoxLayout(bar);
  barLayout->setContentsMargins(6, 4, 6, 4);
  barLayout->addWidget(DBNavigator1);
  barLayout->addStretch();

  ScrollBox1 = new QScrollArea(this);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  fieldArea_ = new QWidget;
  fieldArea_->setObjectName(QStringLiteral("FieldArea"));
  fieldArea_->resize(0, 0);
  ScrollBox1->setWidget(fieldArea_);
  ScrollBox1->setBackgroundRole(QPalette::Base);
  QPalette white = ScrollBox1->palette();
  white.setColor(QPalette::Base, Qt::white);
  ScrollBox1->setPalette(white);
  ScrollBox1->viewport()->installEventFilter(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar);
  layout->addWidget(ScrollBox1, 1);
}

TfrmRecordView::~TfrmRecordView() {
  // The boxes and the follower leave their data source first.
  follower_.reset();
  destroyControls();
}

bool TfrmRecordView::built() const {
  return !built_.empty();
}

void TfrmRecordView::buildFieldControls(DataSource& source, const GridColumns& columns) {
  buildControls(source, columns);
  columns_ = &columns;
  if (!follower_) follower_ = std::make_unique<Follower>(*this);
  follower_->setDataSource(&source);
}

void TfrmRecordView::buildControls(DataSource& source, const GridColumns& columns) {
  const auto claim = [this](const QString& name) {
    if (fieldArea_->findChild<QObject*>(name, Qt::FindDirectChildrenOnly)) {
      throw std::runtime_error(QStringLiteral("A component named %1 already exists").arg(name).toStdString());
    }
    return name;
  };
  for (int i = 0; i < columns.count(); ++i) {
    const QString title = columns.fieldName(i);

    const QString captionName = claim(QStringLiteral("lbl%1").arg(i));
    auto* caption = new QLabel(fieldArea_);
    caption->setObjectName(captionName);
    built_.push_back(caption);
    caption->setText(title);
    caption->show();

    const QString boxName = claim(QStringLiteral("tbl%1").arg(i));
    auto* box = new DBEdit(fieldArea_);
    box->setObjectName(boxName);
    built_.push_back(box);
    box->setDataSource(&source);
    box->bindField(title);
    const int width = columns.width(i);
    box->resize(std::max(width, 0), box->sizeHint().height());
    // A hidden column's box has no width: it is there, and not seen.
    box->setVisible(width > 0);
  }
  placeControls();
}

void TfrmRecordView::placeControls() {
  // The bands are laid out for the program's own font. A larger font chosen
  // with View ▸ Font widens them in proportion, so that a caption is never
  // covered by the box below it.
  const qreal scale =
      std::max(1.0, QFontMetricsF(font()).height() / QFontMetricsF(QApplication::font()).height());
  const auto scaled = [scale](int pixels) { return static_cast<int>(std::lround(pixels * scale)); };
  int right = 0;
  int bottom = 0;
  for (std::size_t i = 0; i + 1 < built_.size(); i += 2) {
    QWidget* caption = built_[i];
    QWidget* box = built_[i + 1];
    const int band = scaled(kBand) * static_cast<int>(i / 2);
    caption->adjustSize();
    caption->move(kLeft, scaled(kCaptionTop) + band);
    box->move(kLeft, scaled(kBoxTop) + band);
    box->resize(box->width(), box->sizeHint().height());
    right = std::max({right, caption->geometry().right(), box->width() > 0 ? box->geometry().right() : 0});
    bottom = std::max(bottom, box->geometry().bottom());
  }
  fieldArea_->resize(built() ? right + kMargin : 0, built() ? bottom + kMargin : 0);
}

void TfrmRecordView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // The controls have taken the new font by now; their places follow it.
  if (event->type() == QEvent::FontChange && built()) placeControls();
}

void TfrmRecordView::destroyControls() {
  while (!built_.empty()) {
    delete built_.back();
    built_.pop_back();
  }
  fieldArea_->resize(0, 0);
}

void TfrmRecordView::rebuild() {
  if (!built() || !columns_ || !follower_ || !follower_->dataSource()) return;
  DataSource& source = *follower_->dataSource();
  destroyControls();
  qb::guarded([&] { buildControls(source, *columns_); });
}

void TfrmRecordView::FormClose() {
  if (follower_) follower_->setDataSource(nullptr);
  columns_ = nullptr;
  destroyControls();
}

void TfrmRecordView::closeEvent(QCloseEvent* event) {
  qb::guarded([this] { FormClose(); });
  QWidget::closeEvent(event);
}

void TfrmRecordView::FormMouseWheelDown() {
  ScrollBox1->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
}

void TfrmRecordView::FormMouseWheelUp() {
  ScrollBox1->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
}

bool TfrmRecordView::wheelTurned(QWheelEvent* event) {
  const int angle = event->angleDelta().y();
  if (angle == 0) return false;
  wheelAngle_ += angle;
  qb::guarded([this] {
    for (; wheelAngle_ >= kWheelStep; wheelAngle_ -= kWheelStep) FormMouseWheelUp();
    for (; wheelAngle_ <= -kWheelStep; wheelAngle_ += kWheelStep) FormMouseWheelDown();
  });
  event->accept();
  return true;
}

void TfrmRecordView::wheelEvent(QWheelEvent* event) {
  if (!wheelTurned(event)) QWidget::wheelEvent(event);
}

bool TfrmRecordView::eventFilter(QObject* watched, QEvent* event) {
  // Over the field area a wheel step moves a page, not the scroll area's
  // few lines.
  if (watched == ScrollBox1->viewport() && event->type() == QEvent::Wheel) {
    return wheelTurned(static_cast<QWheelEvent*>(event));
  }
  return QWidget::eventFilter(watched, event);
}
