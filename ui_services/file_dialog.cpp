// Showing a window's file dialog and keeping the file chosen in it.
#include "ui_services/file_dialog.h"

#include <QFileInfo>

#include "ui_services/prompts.h"

namespace qb {

FileDialog::FileDialog(Kind kind, QString filter, QString defaultSuffix)
    : kind_(kind), filter_(std::move(filter)), defaultSuffix_(std::move(defaultSuffix)) {}

std::optional<QString> FileDialog::execute(Prompts& prompts) {
  std::optional<QString> chosen = kind_ == Kind::Open
                                      ? prompts.openFileName(filter_, fileName_)
                                      : prompts.saveFileName(filter_, defaultSuffix_, fileName_);
  // The Qt dialog adds the extension itself; other ways of answering may not.
  if (chosen && kind_ == Kind::Save && !defaultSuffix_.isEmpty() && !chosen->isEmpty() &&
      !QFileInfo(*chosen).fileName().contains(QLatin1Char('.'))) {
    *chosen += QLatin1Char('.') + defaultSuffix_;
  }
  if (chosen) fileName_ = *chosen;
  return chosen;
}

}  // namespace qb
