// Binding and showing the memo window, and its text file commands.
#include "browse/memo_commands.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <stdexcept>

#include "browse/db_memo.h"
#include "browse/memo_window.h"
#include "connection/ui/grid_columns.h"
#include "connection/value_text.h"
#include "ui_services/file_dialog.h"
#include "ui_services/window_placement.h"

namespace qb {

namespace {

// Larger files are refused: a memo is meant for text a person reads.
constexpr qint64 kMaxTextFileBytes = qint64(64) * 1024 * 1024;

[[noreturn]] void fileError(const char* what, const QString& path, const QString& reason) {
  throw std::runtime_error(QStringLiteral("%1 %2: %3").arg(QLatin1String(what), path, reason).toStdString());
}

}  // namespace

void viewEditMemoField(TfrmMemo& window, const GridColumns& columns) {
  window.DBMemo1->bindField(columns.fieldName(columns.selected()));
  showInFront(window);
}

QString textFileContents(const QByteArray& bytes) {
  QByteArrayView data(bytes);
  if (data.startsWith("\xEF\xBB\xBF")) data = data.sliced(3);
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  QString text = utf8(data);
  if (utf8.hasError()) {
    const jet::Bytes raw(data.begin(), data.end());
    text = QString::fromStdU16String(bytesAsText(raw));
  }
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  return text;
}

QByteArray textFileBytes(const QString& text) {
  if (text.isEmpty()) return {};
  QByteArray bytes = text.toUtf8();
  bytes.append('\n');
  return bytes;
}

void importMemoText(DBMemo& memo, FileDialog& dialog, Prompts& prompts) {
  const auto path = dialog.execute(prompts);
  if (!path) return;
  QFile file(*path);
  if (!file.open(QIODevice::ReadOnly)) fileError("Cannot read", *path, file.errorString());
  if (file.size() > kMaxTextFileBytes)
    fileError("Cannot read", *path, QStringLiteral("the file is larger than 64 MB"));
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) fileError("Cannot read", *path, file.errorString());
  memo.replaceText(textFileContents(bytes));
}

void saveMemoText(const DBMemo& memo, FileDialog& dialog, Prompts& prompts) {
  const auto path = dialog.execute(prompts);
  if (!path) return;
  // Written beside the file and put in its place when complete, so that a
  // failed write leaves an existing file as it was.
  QSaveFile file(*path);
  if (!file.open(QIODevice::WriteOnly)) fileError("Cannot write", *path, file.errorString());
  const QByteArray bytes = textFileBytes(memo.toPlainText());
  if (file.write(bytes) != bytes.size() || !file.commit())
    fileError("Cannot write", *path, file.errorString());
}

void clearMemo(DBMemo& memo) {
  memo.replaceText(QString());
}

}  // namespace qb
