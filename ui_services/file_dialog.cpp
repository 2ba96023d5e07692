// Showing a window's file dialog and keeping the file chosen in it.
#include "ui_services/file_dialog.h"

#include "ui_services/prompts.h"

namespace qb {

FileDialog::FileDialog(Kind kind, QString filter, QString defaultSuffix)
    : kind_(kind), filter_(std::move(filter)), defaultSuffix_(std::move(defaultSuffix)) {}

std::optional<QString> FileDialog::execute(Prompts& prompts) {
  std::optional<QString> chosen =
      kind_ == Kind::Open ? prompts.openFileName(filter_) : prompts.saveFileName(filter_, defaultSuffix_, fileName_);
  if (chosen) fileName_ = *chosen;
  return chosen;
}

}  // namespace qb
