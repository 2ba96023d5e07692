// Prompts shown with Qt's own dialogs: what the running program uses.
#pragma once

#include "ui_services/prompts.h"

namespace qb {

class QtPrompts final : public Prompts {
 public:
  void errorBox(const QString& text) override;
  void messageBox(const QString& text) override;
  bool confirm(const QString& text) override;
  std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& initial,
                                  int maxLength) override;
  std::optional<QString> openFileName(const QString& filter, const QString& startAt) override;
  std::optional<QString> saveFileName(const QString& filter, const QString& defaultSuffix,
                                      const QString& startAt) override;
  std::optional<QFont> chooseFont(const QFont& initial) override;
  int execModal(QDialog& dialog) override;
  void printPreview(PrintJob& job) override;
  void print(PrintJob& job) override;
};

}  // namespace qb
