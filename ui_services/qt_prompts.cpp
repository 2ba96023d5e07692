// Qt dialogs behind the Prompts interface. Every box is parented to the
// active window so that it stays above it and is centred on it.
#include "ui_services/qt_prompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

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

std::optional<QString> runFileDialog(QFileDialog& dialog, const QString& filter) {
  dialog.setNameFilters(fileDialogFilters(filter));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
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
  if (auto* edit = dialog.findChild<QLineEdit*>()) edit->setMaxLength(maxLength);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue();
}

std::optional<QString> QtPrompts::openFileName(const QString& filter) {
  QFileDialog dialog(dialogParent());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return runFileDialog(dialog, filter);
}

std::optional<QString> QtPrompts::saveFileName(const QString& filter, const QString& defaultSuffix) {
  QFileDialog dialog(dialogParent());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(defaultSuffix);
  return runFileDialog(dialog, filter);
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
