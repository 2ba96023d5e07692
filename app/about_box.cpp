// Layout of the about box.
#include "app/about_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/link_label.h"
#include "app/tool_bar_images.h"
#include "ui_services/app_identity.h"
#include "ui_services/window_frame.h"
#include "ui_services/window_placement.h"

TAboutBox* AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));

  auto* header = new QWidget(this);
  header->setObjectName(QStringLiteral("HeaderBand"));
  header->setAutoFillBackground(true);
  QPalette white = header->palette();
  white.setColor(QPalette::Window, Qt::white);
  header->setPalette(white);
  auto* icon = new QLabel(header);
  icon->setObjectName(QStringLiteral("ProgramIcon"));
  icon->setPixmap(programIcon().pixmap(48, 48));
  auto* product = new QLabel(QString::fromUtf8(qb::kAppTitle), header);
  product->setObjectName(QStringLiteral("ProductName"));
  QFont big = product->font();
  big.setPointSize(big.pointSize() + 8);
  big.setBold(true);
  product->setFont(big);
  auto* version = new QLabel(QStringLiteral("Version 1.21"), header);
  version->setObjectName(QStringLiteral("Version"));
  auto* names = new QVBoxLayout;
  names->addWidget(product);
  names->addWidget(version);
  auto* headerLayout = new QHBoxLayout(header);
  headerLayout->setContentsMargins(16, 14, 16, 14);
  headerLayout->setSpacing(14);
  headerLayout->addWidget(icon, 0, Qt::AlignTop);
  headerLayout->addLayout(names, 1);

  auto* sentence =
      new QLabel(QStringLiteral("Check the website for updates and additional information."), this);
  sentence->setObjectName(QStringLiteral("Comments"));
  Label1 = new LinkLabel(QString::fromUtf8(qb::kWebAddress), this);
  Label1->setObjectName(QStringLiteral("Label1"));

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  auto* body = new QVBoxLayout;
  body->setContentsMargins(16, 12, 16, 4);
  body->setSpacing(6);
  body->addWidget(sentence);
  body->addWidget(Label1, 0, Qt::AlignLeft);
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(16, 8, 16, 12);
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(header);
  layout->addLayout(body);
  layout->addLayout(buttons);

  qb::setFixedDialogFrame(*this, sizeHint().expandedTo(QSize(380, 0)));
}

void TAboutBox::setVisible(bool visible) {
  if (visible && !isVisible()) qb::centreOnScreen(*this);
  QDialog::setVisible(visible);
}
