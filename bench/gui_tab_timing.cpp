// How fast the main window shows a large table: the time from choosing a tab
// (the tab strip's change handler: the table is closed and opened again) to
// the grid having painted its first rows, and from there to the grid showing
// the table's last rows, once by dragging the scroll bar to its end and once
// with Ctrl+End (which also makes the last record current).
//
//   build/bench/gui_tab_timing [FILE [TABLE]] [--runs N]
//
// FILE defaults to $QB_GUI_BENCH_FILE, else orders-1m.mdb in the benchmark
// data folder when present, else orders-100k.mdb there; TABLE to the first
// table of the file. Runs on Qt's offscreen platform unless QT_QPA_PLATFORM
// names another. Prints the median and the slowest of N runs (default 7) of
// each step, after one warm-up run. Not a test: it never fails on time.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <vector>

#include "app/main_window.h"
#include "app/window_set.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/tab_strip.h"
#include "ui_services/prompts.h"

namespace {

// Prompts that answer nobody: messages go to the terminal.
class ConsolePrompts final : public qb::Prompts {
 public:
  void errorBox(const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
  void messageBox(const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
  bool confirm(const QString&) override { return false; }
  std::optional<QString> inputBox(const QString&, const QString&, const QString&, int) override { return {}; }
  std::optional<QString> openFileName(const QString&, const QString&) override { return {}; }
  std::optional<QString> saveFileName(const QString&, const QString&, const QString&) override { return {}; }
  std::optional<QFont> chooseFont(const QFont&) override { return {}; }
  int execModal(QDialog&) override { return QDialog::Rejected; }
  void printPreview(qb::PrintJob&) override {}
  void print(qb::PrintJob&) override {}
};

std::filesystem::path defaultFile() {
  if (const char* env = std::getenv("QB_GUI_BENCH_FILE")) return env;
  const std::filesystem::path folder = QB_BENCH_DATA_DIR;
  if (std::filesystem::exists(folder / "orders-1m.mdb")) return folder / "orders-1m.mdb";
  return folder / "orders-100k.mdb";
}

// Lets the grid lay itself out and paint what is in view, as the event loop
// would before the person sees it.
void showGrid(DataGrid& grid) {
  QCoreApplication::processEvents();
  grid.viewport()->repaint();
}

struct Figures {
  std::vector<double> tab, scrollBar, ctrlEnd;
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void print(const char* what, const std::vector<double>& ms) {
  std::printf("  %-34s median %8.2f ms   slowest %8.2f ms\n", what, median(ms),
              *std::max_element(ms.begin(), ms.end()));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  std::vector<std::string> names;
  int runs = 7;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else {
      names.push_back(arg);
    }
  }
  const std::filesystem::path file = names.empty() ? defaultFile() : std::filesystem::path(names[0]);

  qb::installPrompts(std::make_unique<ConsolePrompts>());
  createWindowSet();
  Form1->setWindowState(Qt::WindowNoState);
  Form1->resize(1280, 800);
  Form1->show();
  QCoreApplication::processEvents();

  // The database opens as with File ▸ Open (read-only work only follows).
  try {
    Form1->OpenDatabaseFile(QString::fromStdString(file.string()), false);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", file.c_str(), e.what());
    destroyWindowSet();
    return 1;
  }
  TabStrip& tabs = *Form1->TabControl1;
  if (tabs.count() == 0) {
    std::fprintf(stderr, "%s: no table\n", file.c_str());
    destroyWindowSet();
    return 1;
  }
  const QString table = names.size() > 1 ? QString::fromStdString(names[1]) : tabs.selectedCaption();
  for (int i = 0; i < tabs.count(); ++i) {
    if (tabs.tabData(i).toString() == table) tabs.setCurrentIndex(i);
  }
  DataGrid& grid = *Form1->DBGrid1;

  Figures figures;
  for (int run = 0; run <= runs; ++run) {
    QElapsedTimer timer;
    grid.scrollToTop();
    timer.start();
    Form1->TabControl1Change();
    showGrid(grid);
    const double tab = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    timer.restart();
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    showGrid(grid);
    const double scrollBar = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    grid.scrollToTop();
    showGrid(grid);
    grid.setFocus();
    timer.restart();
    QKeyEvent ctrlEnd(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QCoreApplication::sendEvent(&grid, &ctrlEnd);
    showGrid(grid);
    const double end = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    if (run == 0) continue;  // warm-up
    figures.tab.push_back(tab);
    figures.scrollBar.push_back(scrollBar);
    figures.ctrlEnd.push_back(end);
  }

  const int rows = grid.model()->rowCount();
  std::printf("%s, table %s: %d rows, %s, %d runs\n", file.c_str(), qPrintable(table), rows,
              qPrintable(Form1->statusPanel(0)->text()), runs);
  std::printf("  last row shown: %s | %s\n", qPrintable(grid.model()->index(rows - 1, 0).data().toString()),
              qPrintable(grid.model()->index(rows - 1, 1).data().toString()));
  print("tab chosen -> first rows painted", figures.tab);
  print("scroll bar to the end -> painted", figures.scrollBar);
  print("Ctrl+End -> last rows painted", figures.ctrlEnd);
  destroyWindowSet();
  return 0;
}
