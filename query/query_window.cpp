// The query window's controls and handlers.
#include "query/query_window.h"

#include <QAction>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "connection/ui/data_grid.h"
#include "connection/ui/main_data.h"
#include "connection/ui/record_navigator.h"
#include "query/query_wizard.h"
#include "ui_services/handler_guard.h"
#include "ui_services/prompts.h"
#include "ui_services/window_placement.h"

TForm14* Form14 = nullptr;

namespace {

template <class Object>
Object* named(Object* object, const char* name) {
  object->setObjectName(QString::fromLatin1(name));
  return object;
}

}  // namespace

TForm14::TForm14(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Form14"));
  setWindowTitle(QStringLiteral("Query"));

  MainMenu1 = named(new QMenuBar(this), "MainMenu1");
  File1 = named(MainMenu1->addMenu(QStringLiteral("File")), "File1");
  Clear1 = named(File1->addAction(QStringLiteral("Clear")), "Clear1");
  File1->addSeparator();
  Exit1 = named(File1->addAction(QStringLiteral("Exit")), "Exit1");
  Edit1 = named(MainMenu1->addMenu(QStringLiteral("Edit")), "Edit1");
  Cut1 = named(Edit1->addAction(QStringLiteral("Cut")), "Cut1");
  Cut1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  Copy1 = named(Edit1->addAction(QStringLiteral("Copy")), "Copy1");
  Copy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  Paste1 = named(Edit1->addAction(QStringLiteral("Paste")), "Paste1");
  Paste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  // The shortcuts belong to the window, so they reach the editor even while
  // the grid has the focus.
  for (QAction* action : {Cut1, Copy1, Paste1}) {
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
  }
  Query1 = named(MainMenu1->addMenu(QStringLiteral("Query")), "Query1");
  Help1 = named(MainMenu1->addMenu(QStringLiteral("Help")), "Help1");

  DBNavigator1 = named(new RecordNavigator(true, this), "DBNavigator1");
  DBNavigator1->button(NavigateButton::Edit)->hide();
  SpeedButton1 = named(new QToolButton(this), "SpeedButton1");
  SpeedButton1->setText(QStringLiteral("Execute"));
  SpeedButton1->setToolButtonStyle(Qt::ToolButtonTextOnly);
  SpeedButton1->setAutoRaise(true);
  SpeedButton2 = named(new QToolButton(this), "SpeedButton2");
  SpeedButton2->setText(QStringLiteral("Wizard"));
  SpeedButton2->setToolButtonStyle(Qt::ToolButtonTextOnly);
  SpeedButton2->setAutoRaise(true);
  SpeedButton2->hide();
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(4, 2, 4, 2);
  buttons->addWidget(DBNavigator1);
  buttons->addWidget(SpeedButton1);
  buttons->addWidget(SpeedButton2);
  buttons->addStretch();

  Memo1 = named(new QPlainTextEdit(this), "Memo1");
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  DBGrid1 = named(new DataGrid(this), "DBGrid1");
  Splitter1 = named(new QSplitter(Qt::Vertical, this), "Splitter1");
  Splitter1->addWidget(Memo1);
  Splitter1->addWidget(DBGrid1);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({140, 340});

  StatusBar1 = named(new QStatusBar(this), "StatusBar1");
  StatusBar1->setSizeGripEnabled(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(MainMenu1);
  layout->addLayout(buttons);
  layout->addWidget(Splitter1, 1);
  layout->addWidget(StatusBar1);
  resize(720, 520);

  if (mainData != nullptr) {
    ADOQuery1.setConnection(&mainData->con);
    ADOQuery1.setFormatSettings(mainData->mdb.formatSettings());
  }
  DataSource1.setDataSet(&ADOQuery1);
  DBGrid1->setDataSource(&DataSource1);
  DBNavigator1->setDataSource(&DataSource1);

  connect(SpeedButton1, &QToolButton::clicked, this, [this] { qb::guarded([&] { SpeedButton1Click(); }); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { qb::guarded([&] { SpeedButton2Click(); }); });
  connect(Clear1, &QAction::triggered, this, [this] { qb::guarded([&] { Clear1Click(); }); });
  connect(Exit1, &QAction::triggered, this, [this] { qb::guarded([&] { Exit1Click(); }); });
  connect(Cut1, &QAction::triggered, this, [this] { qb::guarded([&] { Cut1Click(); }); });
  connect(Copy1, &QAction::triggered, this, [this] { qb::guarded([&] { Copy1Click(); }); });
  connect(Paste1, &QAction::triggered, this, [this] { qb::guarded([&] { Paste1Click(); }); });
}

TForm14::~TForm14() {
  DBGrid1->setDataSource(nullptr);
  DBNavigator1->setDataSource(nullptr);
  DataSource1.setDataSet(nullptr);
}

void TForm14::setVisible(bool visible) {
  if (visible && !shownBefore_ && parentWidget() != nullptr) {
    qb::centreOnWindow(*this, *parentWidget());
    shownBefore_ = true;
  }
  QWidget::setVisible(visible);
}

void TForm14::SpeedButton1Click() {
  ADOQuery1.setActive(false);
  std::vector<std::u16string> lines;
  const QString text = Memo1->toPlainText();
  if (!text.isEmpty()) {
    for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(line.toStdU16String());
  }
  ADOQuery1.setSql(std::move(lines));
  try {
    ADOQuery1.setActive(true);
  } catch (...) {
    // A statement carried out reports "no result set"; the others' errors
    // may come after a part of the work too. The error box comes after.
    emit statementCarriedOut();
    throw;
  }
  emit statementCarriedOut();
}

void TForm14::SpeedButton2Click() {
  qb::prompts().execModal(*frmWizard);
}

void TForm14::Clear1Click() {
  Memo1->clear();
}

void TForm14::Exit1Click() {
  close();
}

void TForm14::Cut1Click() {
  Memo1->cut();
}

void TForm14::Copy1Click() {
  Memo1->copy();
}

void TForm14::Paste1Click() {
  Memo1->paste();
}
