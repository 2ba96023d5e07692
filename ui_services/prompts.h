// Every modal interaction of the program goes through one Prompts object:
// message boxes, confirmations, the input box, file and font dialogs and the
// modal showing of the program's own dialogs. The program installs the Qt
// implementation (QtPrompts); tests install one that answers from a script,
// so that every handler can run without a person at the screen.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QDialog;

namespace qb {

class PrintJob;

class Prompts {
 public:
  virtual ~Prompts() = default;

  // The application's error box: caption "Quillbase", error icon, OK. Shows
  // `text` as given (the full-stop rule is applied by the handler guard).
  virtual void errorBox(const QString& text) = 0;

  // Plain message box: caption "Quillbase", the text, an OK button, no icon.
  virtual void messageBox(const QString& text) = 0;

  // A question with OK and Cancel; true when the user chose OK.
  virtual bool confirm(const QString& text) = 0;

  // Text input box with OK and Cancel: a plain (unmasked) one-line field of
  // at most `maxLength` characters starting with `initial`. nullopt on Cancel.
  virtual std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                          const QString& initial, int maxLength) = 0;

  // File dialogs. `filter` uses the "Description|*.EXT|Other|*.*" form of the
  // program's dialogs (see fileDialogFilters). `startAt` is the file chosen
  // last in the same dialog (empty: none yet): the dialog opens in its folder,
  // and a save dialog offers its name again. nullopt when cancelled. The save
  // dialog never asks before an existing file is chosen: the program's save
  // commands replace the file they are given, or say why they cannot.
  virtual std::optional<QString> openFileName(const QString& filter, const QString& startAt) = 0;
  virtual std::optional<QString> saveFileName(const QString& filter, const QString& defaultSuffix,
                                              const QString& startAt) = 0;

  // Font dialog starting from `initial`; nullopt when cancelled.
  virtual std::optional<QFont> chooseFont(const QFont& initial) = 0;

  // Shows one of the program's dialogs modally and returns its result code
  // (QDialog::Accepted or QDialog::Rejected).
  virtual int execModal(QDialog& dialog) = 0;

  // Printing (print_job.h). printPreview lays out the job's pages, showing
  // progress with a Cancel button while that takes long, and shows them in
  // the preview window; it returns when that window is closed. print sends
  // the pages to the default printer without a printer dialog; with no
  // printer installed it fails with an error that says so. Errors the job
  // raises while painting end either call and pass through.
  virtual void printPreview(PrintJob& job) = 0;
  virtual void print(PrintJob& job) = 0;
};

// The installed Prompts; the Qt implementation unless another was installed.
Prompts& prompts();

// Installs `replacement` (nullptr: back to the Qt implementation) and returns
// the one installed before.
std::unique_ptr<Prompts> installPrompts(std::unique_ptr<Prompts> replacement);

// Turns "MDB Files|*.MDB|All Files|*.*" into Qt's name filters, one per
// choice: "MDB Files (*.MDB *.mdb)", "All Files (*.*)". File names on Linux
// are case-sensitive while the files these dialogs look for usually come from
// systems where they are not, so each pattern with letters also matches its
// other-case spelling. A trailing description without a pattern is dropped.
QStringList fileDialogFilters(const QString& filter);

}  // namespace qb
