// The query wizard's pages, buttons and page moves.
#include "query/query_wizard.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <string>
#include <vector>

#include "connection/ui/main_data.h"
#include "jet/error.h"
#include "ui_services/handler_guard.h"
#include "ui_services/prompts.h"
#include "ui_services/window_frame.h"
#include "ui_services/window_placement.h"

TfrmWizard* frmWizard = nullptr;

namespace {

template <class Object>
Object* named(Object* object, const QString& name) {
  object->setObjectName(name);
  return object;
}

// A page of the notebook: its name (not shown) and its heading (shown).
QWidget* addPage(QStackedWidget& notebook, const char* name, const char* heading, QVBoxLayout*& body) {
  auto* page = named(new QWidget(&notebook), QString::fromLatin1(name));
  auto* layout = new QVBoxLayout(page);
  auto* title = new QLabel(QString::fromLatin1(heading), page);
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  title->setFont(bold);
  layout->addWidget(title);
  body = layout;
  notebook.addWidget(page);
  return page;
}

QList<QString> qtNames(const std::vector<std::u16string>& names) {
  QList<QString> out;
  for (const std::u16string& name : names) out.append(QString::fromStdU16String(name));
  return out;
}

}  // namespace

TfrmWizard::TfrmWizard(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmWizard"));
  setWindowTitle(QStringLiteral("Query Wizard"));

  auto* band = named(new QWidget(this), QStringLiteral("Panel1"));
  band->setAutoFillBackground(true);
  QPalette white = band->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  band->setPalette(white);
  Label1 = named(new QLabel(QStringLiteral("Basic Query Wizard"), band), QStringLiteral("Label1"));
  QFont large = Label1->font();
  large.setBold(true);
  large.setPointSizeF(large.pointSizeF() * 1.5);
  Label1->setFont(large);
  auto* bandLayout = new QHBoxLayout(band);
  bandLayout->setContentsMargins(12, 10, 12, 10);
  bandLayout->addWidget(Label1);

  Notebook1 = named(new QStackedWidget(this), QStringLiteral("Notebook1"));
  QVBoxLayout* body = nullptr;

  addPage(*Notebook1, "Select", "Query Type", body);
  RadioButton1 = named(new QRadioButton(QStringLiteral("Select")), QStringLiteral("RadioButton1"));
  RadioButton2 = named(new QRadioButton(QStringLiteral("Update")), QStringLiteral("RadioButton2"));
  RadioButton3 = named(new QRadioButton(QStringLiteral("Delete")), QStringLiteral("RadioButton3"));
  RadioButton4 = named(new QRadioButton(QStringLiteral("Create")), QStringLiteral("RadioButton4"));
  RadioButton1->setChecked(true);
  for (QRadioButton* button : {RadioButton1, RadioButton2, RadioButton3, RadioButton4}) body->addWidget(button);
  for (QRadioButton* button : {RadioButton2, RadioButton3, RadioButton4}) button->setEnabled(false);
  body->addStretch();

  addPage(*Notebook1, "Setect Table", "Select Table", body);
  ListBox1 = named(new QListWidget, QStringLiteral("ListBox1"));
  body->addWidget(ListBox1);

  addPage(*Notebook1, "Select Field", "Select Field", body);
  ListBox2 = named(new QListWidget, QStringLiteral("ListBox2"));
  body->addWidget(ListBox2);

  QWidget* equation = addPage(*Notebook1, "Equation", "Equation", body);
  auto* grid = new QGridLayout;
  const char* const texts[8] = {"=", "<>", ">=", "<=", "Like", "Like *", ">", "<"};
  for (int i = 0; i < 8; ++i) {
    Equations[i] = named(new QRadioButton(QString::fromLatin1(texts[i]), equation),
                         QStringLiteral("RadioButton%1").arg(5 + i));
    grid->addWidget(Equations[i], i % 4, i / 4);
  }
  body->addLayout(grid);
  body->addStretch();

  addPage(*Notebook1, "Value", "Value", body);
  Edit1 = named(new QLineEdit, QStringLiteral("Edit1"));
  auto* valueLabel = new QLabel(QStringLiteral("Value"));
  valueLabel->setBuddy(Edit1);
  body->addWidget(valueLabel);
  body->addWidget(Edit1);
  body->addStretch();
  Notebook1->setCurrentIndex(0);

  BitBtn4 = named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("BitBtn4"));
  BitBtn1 = named(new QPushButton(QStringLiteral("Previous"), this), QStringLiteral("BitBtn1"));
  BitBtn2 = named(new QPushButton(QStringLiteral("Next"), this), QStringLiteral("BitBtn2"));
  BitBtn3 = named(new QPushButton(QStringLiteral("Finish"), this), QStringLiteral("BitBtn3"));
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(12, 6, 12, 10);
  for (QPushButton* button : {BitBtn4, BitBtn1, BitBtn2, BitBtn3}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(band);
  layout->addWidget(Notebook1, 1);
  layout->addLayout(buttons);
  qb::setFixedDialogFrame(*this, QSize(560, 420));

  connect(BitBtn4, &QPushButton::clicked, this, &QDialog::reject);
  connect(BitBtn1, &QPushButton::clicked, this, [this] { qb::guarded([&] { BitBtn1Click(); }); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { qb::guarded([&] { BitBtn2Click(); }); });
  // "Finish" has no action.
}

void TfrmWizard::setVisible(bool visible) {
  if (visible && !isVisible() && parentWidget() != nullptr) qb::centreOnWindow(*this, *parentWidget());
  QDialog::setVisible(visible);
}

void TfrmWizard::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  qb::guarded([&] { FormShow(); });
}

void TfrmWizard::FormShow() {
  ListBox1->clear();
  if (mainData != nullptr) ListBox1->addItems(qtNames(mainData->con.listTableNames(false)));
  ListBox1->setCurrentRow(-1);
}

void TfrmWizard::showPage(int index) {
  if (index >= 0 && index < kPageCount) Notebook1->setCurrentIndex(index);
}

void TfrmWizard::BitBtn2Click() {
  const int page = Notebook1->currentIndex();
  showPage(page + 1);
  if (page != 1) return;
  const int selected = ListBox1->currentRow();
  if (selected < 0 || selected >= ListBox1->count())
    throw jet::Error(jet::ErrorCode::InvalidArgument, "List index out of bounds (" + std::to_string(selected) + ")");
  const QString table = ListBox1->item(selected)->text();
  qb::prompts().messageBox(table);
  const std::vector<std::u16string> fields =
      mainData != nullptr ? mainData->con.listFieldNames(table.toStdU16String()) : std::vector<std::u16string>{};
  ListBox2->clear();
  ListBox2->addItems(qtNames(fields));
}

void TfrmWizard::BitBtn1Click() {
  showPage(Notebook1->currentIndex() - 1);
}
