// Prompts for tests: every box and dialog the program asks for is recorded,
// and answered from a script given in advance, in order. A prompt with no
// answer left gets the cancel answer (false, nothing chosen, Rejected); an
// answer of the wrong kind fails the test.
#pragma once

#include <QVariant>
#include <deque>
#include <exception>
#include <functional>
#include <vector>

#include "connection/ui/support/prompts.h"

enum class PromptKind { ErrorBox, MessageBox, Confirm, InputBox, OpenFile, SaveFile, Font, Modal };

// One prompt as the program showed it.
struct ShownPrompt {
  PromptKind kind;
  QString text;     // message, question, input prompt, dialog filter, or the modal window's name
  QString caption;  // input box caption, or the modal window's title
  QVariant start;   // initial input text / initial font
};

class ScriptedPrompts final : public qb::Prompts {
 public:
  ~ScriptedPrompts() override;

  // Script: the answers, each for the next prompt of its kind.
  void confirmWith(bool ok);
  void inputWith(std::optional<QString> text);
  void openFileWith(std::optional<QString> path);
  void saveFileWith(std::optional<QString> path);
  void fontWith(std::optional<QFont> font);
  // The modal window gets `act` run on it (fill in its boxes), then closes with `result`.
  void modalWith(int result, std::function<void(QDialog&)> act = {});
  // The next prompt of `kind` raises `error` instead of answering.
  void failWith(PromptKind kind, std::exception_ptr error);

  const std::vector<ShownPrompt>& shown() const { return shown_; }
  // Texts of the error boxes shown, in order.
  QStringList errorBoxes() const;
  // Names of the windows shown modally, in order.
  QStringList modalWindows() const;
  void clearShown() { shown_.clear(); }
  bool allAnswersUsed() const { return script_.empty(); }

  void errorBox(const QString& text) override;
  void messageBox(const QString& text) override;
  bool confirm(const QString& text) override;
  std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& initial,
                                  int maxLength) override;
  std::optional<QString> openFileName(const QString& filter) override;
  std::optional<QString> saveFileName(const QString& filter, const QString& defaultSuffix) override;
  std::optional<QFont> chooseFont(const QFont& initial) override;
  int execModal(QDialog& dialog) override;

 private:
  struct Answer {
    PromptKind kind;
    std::function<QVariant(QDialog*)> give;
  };

  // The scripted answer for a prompt of `kind`; an invalid QVariant when none.
  QVariant next(PromptKind kind, QDialog* dialog = nullptr);

  std::deque<Answer> script_;
  std::vector<ShownPrompt> shown_;
};

// Installs a ScriptedPrompts for the lifetime of this object.
class ScopedScriptedPrompts {
 public:
  ScopedScriptedPrompts();
  ~ScopedScriptedPrompts();
  ScopedScriptedPrompts(const ScopedScriptedPrompts&) = delete;
  ScopedScriptedPrompts& operator=(const ScopedScriptedPrompts&) = delete;

  ScriptedPrompts& operator*() const { return *prompts_; }
  ScriptedPrompts* operator->() const { return prompts_; }

 private:
  ScriptedPrompts* prompts_;
  std::unique_ptr<qb::Prompts> previous_;
};
