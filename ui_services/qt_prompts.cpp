// Qt dialogs behind the Prompts interface. Every box is parented to the
// active window so that it stays above it and is centred on it.
#include "ui_services/qt_prompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QInputDialog>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <stdexcept>

#include "ui_services/app_identity.h"
#include "ui_services/page_preview_dialog.h"
#include "ui_services/print_job.h"

namespace qb {

namespace {

QWidget* dialogParent() {
  return QApplication::activeWindow();
}

void showBox(QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, QString::fromUtf8(kAppTitle), text, QMessageBox::Ok, dialogParent());
  box.exec();
}

// Documents of more pages are previewed a page at a time.
constexpr int kRecordedPagesAtMost = 1000;

// How long pages may take to lay out before the progress window shows.
constexpr int kProgressDelayMs = 400;
// Progress is counted in steps of this many; the window shows whole steps.
constexpr int kProgressScale = 1000;

// Paints the job's pages on `printer` under a progress window with Cancel,
// which shows only when the work takes a while.
void paintWithProgress(PrintJob& job, QPrinter& printer, const QString& doing) {
  QProgressDialog progress(doing, QStringLiteral("Cancel"), 0, kProgressScale, dialogParent());
  progress.setWindowTitle(QString::fromUtf8(kAppTitle));
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setMinimumDuration(kProgressDelayMs);
  progress.setAutoReset(false);
  progress.setAutoClose(false);
  progress.setValue(0);
  job.paint(printer, [&progress](qint64 done, qint64 total) {
    const qint64 scaled = total <= 0 ? 0 : std::clamp<qint64>(done * kProgressScale / total, 0, kProgressScale);
    // A modal progress window lets waiting events run here, Cancel included.
    progress.setValue(static_cast<int>(scaled));
    return !progress.wasCanceled();
  });
}

// The file dialogs open large enough to show the name, size, type and date
// columns of the detail view, within the screen.
constexpr QSize kFileDialogSize(860, 540);

std::optional<QString> runFileDialog(QFileDialog& dialog, const QString& filter, const QString& startAt) {
  dialog.setNameFilters(fileDialogFilters(filter));
  dialog.setViewMode(QFileDialog::Detail);
  QSize size = kFileDialogSize;
  if (const QScreen* screen = dialog.screen())
    size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
  dialog.resize(size);
  // The detail view's columns as wide as their contents, the names taking the rest.
  if (auto* view = dialog.findChild<QTreeView*>()) {
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
  }
  if (!startAt.isEmpty()) {
    const QFileInfo last(startAt);
    dialog.setDirectory(last.absolutePath());
    if (dialog.acceptMode() == QFileDialog::AcceptSave) dialog.selectFile(last.fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

// Room a title bar takes besides its caption: the window icon and the
// close, maximise and minimise buttons of the usual window managers.
constexpr int kTitleBarExtras = 150;
constexpr int kInputBoxMinWidth = 340;

// The input box's own size fits its field and buttons only, which leaves a
// short caption cut down to a few letters in the title bar.
int inputBoxWidth(const QWidget& dialog, const QString& caption, const QString& prompt) {
  const QFontMetrics metrics(dialog.font());
  return std::max({kInputBoxMinWidth, dialog.sizeHint().width(),
                   metrics.horizontalAdvance(caption) * 5 / 4 + kTitleBarExtras,
                   metrics.horizontalAdvance(prompt) + 2 * metrics.averageCharWidth() * 4});
}

}  // namespace

void QtPrompts::errorBox(const QString& text) {
  showBox(QMessageBox::Critical, text);
}

void QtPrompts::messageBox(const QString& text) {
  showBox(QMessageBox::NoIcon, text);
}

bool QtPrompts::confirm(const QString& text) {
  QMessageBox box(QMessageBox::Question, QString::fromUtf8(kAppTitle), text,
                  QMessageBox::Ok | QMessageBox::Cancel, dialogParent());
  box.setDefaultButton(QMessageBox::Ok);
  return box.exec() == QMessageBox::Ok;
}

std::optional<QString> QtPrompts::inputBox(const QString& caption, const QString& prompt,
                                           const QString& initial, int maxLength) {
  QInputDialog dialog(dialogParent());
  dialog.setWindowTitle(caption);
  dialog.setLabelText(prompt);
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setTextEchoMode(QLineEdit::Normal);
  dialog.setTextValue(initial);
  if (auto* edit = dialog.findChild<QLineEdit*>()) {
    edit->setMaxLength(maxLength);
    // The box's layout keeps it at its contents' size, so the field is what
    // is made wide.
    const QMargins margins = dialog.layout() ? dialog.layout()->contentsMargins() : QMargins(12, 12, 12, 12);
    edit->setMinimumWidth(inputBoxWidth(dialog, caption, prompt) - margins.left() - margins.right());
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

std::optional<QString> QtPrompts::openFileName(const QString& filter, const QString& startAt) {
  QFileDialog dialog(dialogParent());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return runFileDialog(dialog, filter, startAt);
}

std::optional<QString> QtPrompts::saveFileName(const QString& filter, const QString& defaultSuffix,
                                               const QString& startAt) {
  QFileDialog dialog(dialogParent());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setDefaultSuffix(defaultSuffix);
  return runFileDialog(dialog, filter, startAt);
}

std::optional<QFont> QtPrompts::chooseFont(const QFont& initial) {
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, initial, dialogParent());
  if (!ok) return std::nullopt;
  return chosen;
}

int QtPrompts::execModal(QDialog& dialog) {
  return dialog.exec();
}

void QtPrompts::printPreview(PrintJob& job) {
  // A long document is shown a page at a time: Qt's preview window would
  // hold the drawing of every page in memory (about 30 KB a page).
  const int pages = job.pageCount(job.pageLayout());
  if (pages > kRecordedPagesAtMost) {
    PagePreviewDialog dialog(job, job.pageLayout(), pages, [this, &job] { print(job); }, dialogParent());
    dialog.setWindowTitle(QStringLiteral("Print Preview - ") + job.title());
    dialog.setWindowState(Qt::WindowMaximized);
    dialog.exec();
    job.previewClosed();
    if (dialog.failure()) std::rethrow_exception(dialog.failure());
    return;
  }
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(job.title());
  printer.setPageLayout(job.pageLayout());
  QPrintPreviewDialog dialog(&printer, dialogParent());
  dialog.setWindowTitle(QStringLiteral("Print Preview - ") + job.title());
  dialog.setWindowState(Qt::WindowMaximized);
  // The preview asks for the pages when it opens and again after a change of
  // its page settings. An error raised there must not cross the signal: it
  // closes the window and is raised again once exec has returned.
  std::exception_ptr failure;
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
    if (failure) return;
    try {
      paintWithProgress(job, *target, QStringLiteral("Laying out pages..."));
    } catch (...) {
      failure = std::current_exception();
      QTimer::singleShot(0, &dialog, &QDialog::reject);
    }
  });
  dialog.exec();
  if (failure) std::rethrow_exception(failure);
}

void QtPrompts::print(PrintJob& job) {
  const QPrinterInfo target = QPrinterInfo::defaultPrinter();
  if (target.isNull()) {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
      throw std::runtime_error(
          "Cannot print: no printer is installed. Add a printer in the system's printer settings, or "
          "use Print Preview to see the report on the screen");
    }
    throw std::runtime_error(
        "Cannot print: no default printer is set. Choose one in the system's printer settings, or use "
        "Print Preview to see the report on the screen");
  }
  QPrinter printer(target, QPrinter::HighResolution);
  printer.setDocName(job.title());
  printer.setPageLayout(job.pageLayout());
  paintWithProgress(job, printer, QStringLiteral("Printing..."));
}

}  // namespace qb
