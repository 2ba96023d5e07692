// The three bands of a help window.
#include "browse/help_window.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "ui_services/app_identity.h"

namespace {

QWidget* whiteBand(QWidget* parent) {
  auto* band = new QWidget(parent);
  band->setAutoFillBackground(true);
  QPalette palette = band->palette();
  palette.setColor(QPalette::Window, Qt::white);
  band->setPalette(palette);
  return band;
}

QFrame* thinLine(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

HelpWindow::HelpWindow(const QString& heading, const QString& text, bool withFooter, QWidget* parent)
    : QDialog(parent) {
  auto* header = whiteBand(this);
  header_ = new QLabel(heading, header);
  header_->setObjectName(QStringLiteral("HeaderLabel"));
  QFont serif(QStringLiteral("Serif"));
  serif.setStyleHint(QFont::Serif);
  serif.setPointSize(16);
  header_->setFont(serif);
  auto* headerLayout = new QVBoxLayout(header);
  headerLayout->setContentsMargins(16, 14, 16, 14);
  headerLayout->addWidget(header_);

  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("HelpText"));
  text_->setReadOnly(true);
  text_->setFrameShape(QFrame::NoFrame);
  text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  QPalette palette = text_->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  text_->setPalette(palette);
  text_->setTabStopDistance(QFontMetricsF(text_->font()).horizontalAdvance(QLatin1Char('0')) * 12);
  text_->setPlainText(text);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(header);
  layout->addWidget(thinLine(this));
  auto* textBox = new QVBoxLayout;
  textBox->setContentsMargins(12, 8, 4, 8);
  textBox->addWidget(text_);
  layout->addLayout(textBox, 1);

  if (withFooter) {
    layout->addWidget(thinLine(this));
    auto* footer = whiteBand(this);
    footer_ = new QLabel(QString::fromUtf8(qb::kWebAddress), footer);
    footer_->setObjectName(QStringLiteral("FooterLabel"));
    footer_->setTextInteractionFlags(Qt::NoTextInteraction);
    QFont bold = footer_->font();
    bold.setBold(true);
    bold.setUnderline(true);
    footer_->setFont(bold);
    QPalette ink = footer_->palette();
    ink.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0x80));
    footer_->setPalette(ink);
    auto* footerLayout = new QHBoxLayout(footer);
    footerLayout->setContentsMargins(16, 8, 16, 8);
    footerLayout->addWidget(footer_);
    footerLayout->addStretch();
    layout->addWidget(footer);
  }
}
