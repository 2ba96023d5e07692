// The navigator's buttons and their drawn glyphs.
#include "connection/ui/record_navigator.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QToolButton>

#include "connection/data_set.h"
#include "ui_services/handler_guard.h"
#include "ui_services/prompts.h"

namespace {

struct ButtonInfo {
  const char* name;
  const char* hint;
};

constexpr std::array<ButtonInfo, RecordNavigator::kButtonCount> kButtons{{
    {"nbFirst", "First record"},
    {"nbPrior", "Prior record"},
    {"nbNext", "Next record"},
    {"nbLast", "Last record"},
    {"nbInsert", "Insert record"},
    {"nbDelete", "Delete record"},
    {"nbEdit", "Edit record"},
    {"nbPost", "Post edit"},
    {"nbCancel", "Cancel edit"},
}};

constexpr int kGlyphSize = 16;

QPainterPath triangle(QPointF a, QPointF b, QPointF c) {
  QPainterPath path(a);
  path.lineTo(b);
  path.lineTo(c);
  path.closeSubpath();
  return path;
}

// Glyphs in the style of a tape recorder's keys: triangles for moves, a
// plus and a minus for insert and delete, a caret for edit, a tick for post
// and a cross for cancel. The style greys them out for disabled buttons.
QIcon glyph(NavigateButton which) {
  QPixmap pixmap(kGlyphSize, kGlyphSize);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(0x20, 0x30, 0x60);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  switch (which) {
    case NavigateButton::First:
      p.drawRect(QRectF(3, 3, 2, 10));
      p.drawPath(triangle({12, 3}, {12, 13}, {6, 8}));
      break;
    case NavigateButton::Prior:
      p.drawPath(triangle({11, 3}, {11, 13}, {5, 8}));
      break;
    case NavigateButton::Next:
      p.drawPath(triangle({5, 3}, {5, 13}, {11, 8}));
      break;
    case NavigateButton::Last:
      p.drawPath(triangle({4, 3}, {4, 13}, {10, 8}));
      p.drawRect(QRectF(11, 3, 2, 10));
      break;
    case NavigateButton::Insert:
      p.drawRect(QRectF(7, 2, 2.5, 12));
      p.drawRect(QRectF(2, 7, 12, 2.5));
      break;
    case NavigateButton::Delete:
      p.drawRect(QRectF(2, 7, 12, 2.5));
      break;
    case NavigateButton::Edit:
      p.drawPath(triangle({3, 11}, {13, 11}, {8, 4}));
      break;
    case NavigateButton::Post:
      p.setPen(QPen(QColor(0x10, 0x70, 0x20), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(Qt::NoBrush);
      p.drawPolyline(QPolygonF({{3, 8.5}, {6.5, 12}, {13, 4}}));
      break;
    case NavigateButton::Cancel:
      p.setPen(QPen(QColor(0xa0, 0x18, 0x18), 2.4, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(4, 4), QPointF(12, 12));
      p.drawLine(QPointF(12, 4), QPointF(4, 12));
      break;
  }
  return QIcon(pixmap);
}

}  // namespace

RecordNavigator::RecordNavigator(bool showHints, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("DBNavigator1"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (int i = 0; i < kButtonCount; ++i) {
    const auto which = static_cast<NavigateButton>(i);
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(kButtons[i].name));
    button->setIcon(glyph(which));
    button->setIconSize(QSize(kGlyphSize, kGlyphSize));
    button->setFixedSize(25, 25);
    button->setFocusPolicy(Qt::NoFocus);
    if (showHints) button->setToolTip(QString::fromLatin1(kButtons[i].hint));
    button->setEnabled(false);
    connect(button, &QToolButton::clicked, this, [this, which] { qb::guarded([&] { perform(which); }); });
    layout->addWidget(button);
    buttons_[i] = button;
  }
}

QToolButton* RecordNavigator::button(NavigateButton which) const {
  return buttons_[static_cast<int>(which)];
}

RecordNavigator::~RecordNavigator() {
  DataLink::setDataSource(nullptr);
}

void RecordNavigator::perform(NavigateButton which) {
  qb::DataSet* set = dataSet();
  if (!set) return;
  switch (which) {
    case NavigateButton::First:
      set->first();
      break;
    case NavigateButton::Prior:
      set->previous();
      break;
    case NavigateButton::Next:
      set->next();
      break;
    case NavigateButton::Last:
      set->last();
      break;
    case NavigateButton::Insert:
      set->insert();
      break;
    case NavigateButton::Delete:
      if (qb::prompts().confirm(QStringLiteral("Delete record?"))) set->deleteRecord();
      break;
    case NavigateButton::Edit:
      set->edit();
      break;
    case NavigateButton::Post:
      set->save();
      break;
    case NavigateButton::Cancel:
      set->cancel();
      break;
  }
}

void RecordNavigator::updateButtons() {
  const qb::DataSet* set = dataSet();
  const bool open = set && set->active();
  bool atFirst = true, atLast = true, canModify = false, changing = false, hasRows = false;
  if (open) {
    const bool inserting = set->state() == qb::DataSetState::Insert;
    const int number = set->recordNumber();
    const auto count = static_cast<int>(set->recordCount());
    atFirst = set->bof() || (!inserting && number == 1);
    atLast = set->eof() || (!inserting && number == count);
    canModify = set->canModify();
    changing = set->state() == qb::DataSetState::Edit || inserting;
    hasRows = set->rowCount() > 0;
  }
  const auto enable = [this](NavigateButton which, bool on) { button(which)->setEnabled(on); };
  enable(NavigateButton::First, open && !atFirst);
  enable(NavigateButton::Prior, open && !atFirst);
  enable(NavigateButton::Next, open && !atLast);
  enable(NavigateButton::Last, open && !atLast);
  enable(NavigateButton::Insert, canModify);
  enable(NavigateButton::Delete, canModify && hasRows);
  enable(NavigateButton::Edit, canModify && !changing);
  enable(NavigateButton::Post, canModify && changing);
  enable(NavigateButton::Cancel, canModify && changing);
}
