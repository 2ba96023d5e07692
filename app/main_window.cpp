// The main window's layout, its creation step, and the plumbing that runs
// every handler inside the guard.
#include "app/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/tool_bar_images.h"
#include "browse/filter_sort_panel.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/record_navigator.h"
#include "connection/ui/tab_strip.h"
#include "ui_services/app_identity.h"
#include "ui_services/handler_guard.h"

TForm1* Form1 = nullptr;

namespace {

// The character a key press types, as the filter and sort boxes see it:
// both Enter keys give a carriage return (code 13); keys that type nothing
// give the null character.
QChar typedCharacter(const QKeyEvent& event) {
  if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) return QChar(13);
  return event.text().isEmpty() ? QChar() : event.text().front();
}

}  // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent),
      data_(std::make_unique<MainData>()),
      con(data_->con),
      mdb(data_->mdb),
      DataSource1(data_->DataSource1) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(qb::kAppTitle));
  setWindowIcon(programIcon());
  resize(1000, 700);
  setWindowState(Qt::WindowMaximized);
  fontDialogFont_ = font();

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  createToolBar();
  layout->addWidget(CoolBar1);

  TabControl1 = new TabStrip(central);
  layout->addWidget(TabControl1);

  Panel1 = new QWidget(central);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  auto* panelLayout = new QVBoxLayout(Panel1);
  panelLayout->setContentsMargins(0, 0, 0, 0);
  panelLayout->setSpacing(0);
  Panel2 = new FilterSortPanel(Panel1);
  DBNavigator1 = Panel2->DBNavigator1;
  Edit2 = Panel2->Edit2;
  Edit3 = Panel2->Edit3;
  FilterButton1 = Panel2->FilterButton1;
  CancelFilterButton3 = Panel2->CancelFilterButton3;
  SpeedButton2 = Panel2->SpeedButton2;
  SortButton4 = Panel2->SortButton4;
  CancelSortButton6 = Panel2->CancelSortButton6;
  SpeedButton5 = Panel2->SpeedButton5;
  panelLayout->addWidget(Panel2);
  DBGrid1 = new DataGrid(Panel1);
  panelLayout->addWidget(DBGrid1, 1);
  layout->addWidget(Panel1, 1);
  setCentralWidget(central);

  DBGrid1->setDataSource(&DataSource1);
  DBGrid1->setDrawColumnCell([this](const GridCell& cell) { DBGrid1DrawColumnCell(cell); });
  DBNavigator1->setDataSource(&DataSource1);

  createMenus();
  createGridMenu();
  DBGrid1->setPopupMenu(PopupMenu1);
  createStatusBar();
  connectControls();

  // Not a command of the user's: no handlerStarted, and its errors are its own.
  Timer1 = new QTimer(this);
  Timer1->setInterval(1500);
  connect(Timer1, &QTimer::timeout, this, [this] { qb::guarded([&] { Timer1Timer(); }); });
  Timer1->start();
  FormCreate();
}

QLabel* TForm1::statusPanel(int index) const {
  return index >= 0 && index < kStatusPanelCount ? statusPanels_[index] : nullptr;
}

void TForm1::FormCreate() {
  try {
    statusPanels_[2]->setText(QStringLiteral("MDAC: ") + QString::fromStdU16String(con.version()));
  } catch (...) {
    // The version is for information only: without it the panel stays empty.
  }
}

void TForm1::run(const char* name, Handler handler) {
  qb::guarded([&] {
    emit handlerStarted(QString::fromLatin1(name));
    (this->*handler)();
  });
}

void TForm1::bind(QAction* action, const char* name, Handler handler) {
  connect(action, &QAction::triggered, this, [this, name, handler] { run(name, handler); });
}

void TForm1::bind(QAbstractButton* button, const char* name, Handler handler) {
  connect(button, &QAbstractButton::clicked, this, [this, name, handler] { run(name, handler); });
}

void TForm1::closeEvent(QCloseEvent* event) {
  // No question and nothing saved: an unsaved row edit is dropped with the
  // table when the program ends.
  event->accept();
  emit closed();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == Edit2 || watched == Edit3)) {
    QChar key = typedCharacter(*static_cast<QKeyEvent*>(event));
    if (key.isNull()) return false;
    qb::guarded([&] { Edit2KeyPress(watched, key); });
    return key.isNull();
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::wheelEvent(QWheelEvent* event) {
  qb::guarded([&] {
    if (event->angleDelta().y() < 0) {
      FormMouseWheelDown();
    } else if (event->angleDelta().y() > 0) {
      FormMouseWheelUp();
    }
  });
  event->ignore();
}
