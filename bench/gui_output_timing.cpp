// How fast the output commands run on a large table in the main window as a
// person uses it (grid shown, every window bound to the table): the CSV
// export, Copy Column, and the print preview up to the moment its pages are
// laid out and shown.
//
//   build/bench/gui_output_timing FILE [TABLE] [--runs N] [--only export|copy|preview]
//                                 [--csv OUT] [--pdf OUT]
//
// TABLE defaults to the first table of the file; the export's file to a
// file in the system's temporary folder. With --pdf the preview's pages go
// into that PDF file instead of the preview window (to look at them). Runs on Qt's offscreen platform
// unless QT_QPA_PLATFORM names another. Prints the median and the slowest of
// N runs (default 5) after one warm-up run, with the cpu time of each step
// (the steadier figure on a busy machine), and the process's peak memory.
// Not a test: it never fails on time.
#include <sys/resource.h>
#include <time.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/window_set.h"
#include "connection/ui/data_grid.h"
#include "connection/ui/tab_strip.h"
#include "ui_services/page_preview_dialog.h"
#include "ui_services/print_job.h"
#include "ui_services/prompts.h"
#include "ui_services/qt_prompts.h"

namespace {

// Prompts for the benchmark: the save dialog answers with the export file,
// messages go to the terminal, the preview is the program's own and closes
// itself as soon as its pages are shown.
class BenchPrompts final : public qb::Prompts {
 public:
  BenchPrompts(QString csv, QString pdf) : csv_(std::move(csv)), pdf_(std::move(pdf)) {}
  void errorBox(const QString& text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
  void messageBox(const QString& text) override { last = text; }
  bool confirm(const QString&) override { return false; }
  std::optional<QString> inputBox(const QString&, const QString&, const QString&, int) override { return {}; }
  std::optional<QString> openFileName(const QString&, const QString&) override { return {}; }
  std::optional<QString> saveFileName(const QString&, const QString&, const QString&) override { return csv_; }
  std::optional<QFont> chooseFont(const QFont&) override { return {}; }
  int execModal(QDialog&) override { return QDialog::Rejected; }
  void printPreview(qb::PrintJob& job) override {
    if (!pdf_.isEmpty()) {
      QPrinter printer(QPrinter::HighResolution);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(pdf_);
      printer.setPageLayout(job.pageLayout());
      job.paint(printer, [](qint64, qint64) { return true; });
      return;
    }
    // Closes the preview once it is on the screen with its pages.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&closer] {
      QWidget* shown = QApplication::activeModalWidget();
      if (qobject_cast<QPrintPreviewDialog*>(shown) || qobject_cast<qb::PagePreviewDialog*>(shown)) {
        static_cast<QDialog*>(shown)->reject();
        closer.stop();
      }
    });
    closer.start(0);
    qt_.printPreview(job);
  }
  void print(qb::PrintJob& job) override { qt_.print(job); }

  QString last;

 private:
  QString csv_;
  QString pdf_;
  qb::QtPrompts qt_;
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void print(const char* what, const std::vector<double>& ms) {
  if (ms.empty()) return;
  std::printf("  %-28s median %9.1f ms   slowest %9.1f ms\n", what, median(ms), *std::max_element(ms.begin(), ms.end()));
}

double peakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Wall time of a step in milliseconds; its cpu time goes to `cpu`.
template <class Step>
double timed(Step step, std::vector<double>& cpu, bool keep) {
  QElapsedTimer timer;
  const double cpuBefore = cpuMs();
  timer.start();
  step();
  const double wall = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  if (keep) cpu.push_back(cpuMs() - cpuBefore);
  return wall;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  std::vector<std::string> names;
  int runs = 5;
  std::string only;
  QString csv = QDir::temp().filePath(QStringLiteral("gui_output_timing.TXT"));
  QString pdf;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--only" && i + 1 < argc) {
      only = argv[++i];
    } else if (arg == "--csv" && i + 1 < argc) {
      csv = QString::fromLocal8Bit(argv[++i]);
    } else if (arg == "--pdf" && i + 1 < argc) {
      pdf = QString::fromLocal8Bit(argv[++i]);
    } else if (arg.starts_with("--")) {
      std::fprintf(stderr, "gui_output_timing: unknown option %s\n", arg.c_str());
      return 2;
    } else {
      names.push_back(arg);
    }
  }
  if (names.empty()) {
    std::fprintf(stderr, "usage: gui_output_timing FILE [TABLE] [--runs N] [--only export|copy|preview] [--csv OUT] "
                 "[--pdf OUT]\n");
    return 2;
  }
  const QString file = QString::fromStdString(names[0]);

  auto* prompts = new BenchPrompts(csv, pdf);
  qb::installPrompts(std::unique_ptr<qb::Prompts>(prompts));
  createWindowSet();
  Form1->setWindowState(Qt::WindowNoState);
  Form1->resize(1280, 800);
  Form1->show();
  QCoreApplication::processEvents();
  try {
    Form1->OpenDatabaseFile(file, false);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(file), e.what());
    destroyWindowSet();
    return 1;
  }
  TabStrip& tabs = *Form1->TabControl1;
  if (names.size() > 1) {
    for (int i = 0; i < tabs.count(); ++i) {
      if (tabs.tabData(i).toString() == QString::fromStdString(names[1])) tabs.setCurrentIndex(i);
    }
    Form1->TabControl1Change();
  }
  QCoreApplication::processEvents();
  DataGrid& grid = *Form1->DBGrid1;
  const int rows = grid.model()->rowCount();
  std::printf("%s, table %s: %d rows, %d columns, %d runs each\n", qPrintable(file), qPrintable(tabs.selectedCaption()),
              rows, grid.columns().count(), runs);

  std::vector<double> exportMs, copyMs, previewMs, exportCpu, copyCpu, previewCpu;
  for (int run = 0; run <= runs; ++run) {
    if (only.empty() || only == "export") {
      const double ms = timed([] { Form1->ExporttoCSV2Click(); }, exportCpu, run > 0);
      if (prompts->last != QStringLiteral("Export Complete")) std::fprintf(stderr, "export: no Export Complete\n");
      prompts->last.clear();
      if (run > 0) exportMs.push_back(ms);
    }
    if (only.empty() || only == "copy") {
      grid.columns().select(1);
      const double ms = timed([] { Form1->CopyColumntoclipboard1Click(); }, copyCpu, run > 0);
      if (run > 0) copyMs.push_back(ms);
    }
    if (only.empty() || only == "preview") {
      const double ms = timed([] { Form1->ToolButton4Click(); }, previewCpu, run > 0);
      if (run > 0) previewMs.push_back(ms);
    }
    QCoreApplication::processEvents();
  }
  print("export to CSV", exportMs);
  print("  cpu", exportCpu);
  print("Copy Column (column 1)", copyMs);
  print("  cpu", copyCpu);
  print("print preview shown", previewMs);
  print("  cpu", previewCpu);
  std::printf("  peak memory of the process  %.1f MiB\n", peakMiB());
  destroyWindowSet();
  return 0;
}
