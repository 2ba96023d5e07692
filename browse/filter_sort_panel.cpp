// Layout of the navigator, filter and sort strip.
#include "browse/filter_sort_panel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "connection/ui/record_navigator.h"

namespace {

QLabel* boldLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

QLineEdit* box(const QString& name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setMinimumWidth(180);
  return edit;
}

// Flat buttons on the strip: no raised bevel, but a thin frame and a lighter
// face that show them as buttons before the pointer finds them; lighter
// still under the pointer, darker while pressed.
const QString& flatButtonStyle() {
  static const QString style = QStringLiteral(
      "QToolButton { border: 1px solid #7d92c4; border-radius: 3px; background: #e2eafe;"
      " color: black; padding: 1px 6px; }"
      "QToolButton:hover { background: #f4f7ff; border-color: #4d66a8; }"
      "QToolButton:pressed { background: #aebfe9; border-color: #3a5291; }");
  return style;
}

QToolButton* flatButton(const QString& name, const QString& caption, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(caption);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setStyleSheet(flatButtonStyle());
  return button;
}

}  // namespace

FilterSortPanel::FilterSortPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("Panel2"));
  setFrameShape(QFrame::NoFrame);
  setFixedHeight(kHeight);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor::fromRgb(kColour));
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::ButtonText, Qt::black);
  setPalette(palette);

  DBNavigator1 = new RecordNavigator(true, this);

  Label1 = boldLabel(QStringLiteral("Label1"), QStringLiteral("Filter"), this);
  Edit2 = box(QStringLiteral("Edit2"), this);
  FilterButton1 = flatButton(QStringLiteral("FilterButton1"), QStringLiteral("Apply Filter"), this);
  CancelFilterButton3 =
      flatButton(QStringLiteral("CancelFilterButton3"), QStringLiteral("Cancel Filter"), this);
  SpeedButton2 = flatButton(QStringLiteral("SpeedButton2"), QStringLiteral("?"), this);

  Label2 = boldLabel(QStringLiteral("Label2"), QStringLiteral("Sort"), this);
  Edit3 = box(QStringLiteral("Edit3"), this);
  SortButton4 = flatButton(QStringLiteral("SortButton4"), QStringLiteral("Apply Sort  "), this);
  CancelSortButton6 = flatButton(QStringLiteral("CancelSortButton6"), QStringLiteral("Cancel Sort  "), this);
  SpeedButton5 = flatButton(QStringLiteral("SpeedButton5"), QStringLiteral("?"), this);

  auto* rows = new QGridLayout;
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setHorizontalSpacing(6);
  rows->setVerticalSpacing(2);
  const QList<QWidget*> filterRow{Label1, Edit2, FilterButton1, CancelFilterButton3, SpeedButton2};
  const QList<QWidget*> sortRow{Label2, Edit3, SortButton4, CancelSortButton6, SpeedButton5};
  for (int column = 0; column < filterRow.size(); ++column) {
    rows->addWidget(filterRow[column], 0, column);
    rows->addWidget(sortRow[column], 1, column);
  }
  rows->setColumnStretch(1, 1);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 2);
  layout->setSpacing(16);
  layout->addWidget(DBNavigator1, 0, Qt::AlignVCenter);
  layout->addLayout(rows, 3);
  layout->addStretch(2);
}
