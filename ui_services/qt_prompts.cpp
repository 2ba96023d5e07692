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
#include <QScreen>
#include <QTreeView>
#include <algorithm>

#include "ui_services/app_identity.h"

namespace qb {

namespace {

QWidget* dialogParent() {
  return QApplication::activeWindow();
}

void showBox(QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, QString::fromUtf8(kAppTitle), text, QMessageBox::Ok, dialogParent());
  box.exec();
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

}  // namespace qb
