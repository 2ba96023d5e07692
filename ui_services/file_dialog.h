// FileDialog: one of a window's file dialogs (the main window has OpenDialog1,
// SaveDialog1 and SaveDialog2), shown through Prompts. It keeps its filter
// text and default extension, and the file last chosen in it, which other
// commands read (the table information's caption names the database last
// chosen in the open dialog, also when a tools command chose it).
#pragma once

#include <QString>
#include <optional>

namespace qb {

class Prompts;

class FileDialog {
 public:
  enum class Kind { Open, Save };

  // `filter` in the "Description|*.EXT|Other|*.*" form (see Prompts);
  // `defaultSuffix` is added by a save dialog to a name typed without one.
  FileDialog(Kind kind, QString filter, QString defaultSuffix = QString());

  Kind kind() const { return kind_; }
  const QString& filter() const { return filter_; }
  const QString& defaultSuffix() const { return defaultSuffix_; }

  // Shows the dialog, in the folder of fileName() once a file was chosen;
  // the chosen file, or nullopt when it was cancelled. A save dialog with a
  // default extension adds it, after a ".", to a file name that has no "."
  // at all ("new" becomes "new.MDB"; "new.db" and "new." stay). A chosen
  // file becomes fileName(); a cancel leaves fileName() as it was. Only this
  // run remembers it: nothing is saved.
  std::optional<QString> execute(Prompts& prompts);

  // The file last chosen in this dialog; empty before the first choice.
  const QString& fileName() const { return fileName_; }

 private:
  Kind kind_;
  QString filter_;
  QString defaultSuffix_;
  QString fileName_;
};

}  // namespace qb
