// Recording and scripted answering of prompts.
#include "scripted_prompts.h"

#include <gtest/gtest.h>

#include <QDialog>

namespace {

const char* kindName(PromptKind kind) {
  switch (kind) {
    case PromptKind::ErrorBox:
      return "error box";
    case PromptKind::MessageBox:
      return "message box";
    case PromptKind::Confirm:
      return "confirmation";
    case PromptKind::InputBox:
      return "input box";
    case PromptKind::OpenFile:
      return "open dialog";
    case PromptKind::SaveFile:
      return "save dialog";
    case PromptKind::Font:
      return "font dialog";
    case PromptKind::Modal:
      return "modal window";
  }
  return "?";
}

template <class T>
QVariant optionalAnswer(const std::optional<T>& value) {
  return value ? QVariant::fromValue(*value) : QVariant();
}

template <class T>
std::optional<T> asOptional(const QVariant& answer) {
  if (!answer.isValid()) return std::nullopt;
  return answer.value<T>();
}

}  // namespace

ScriptedPrompts::~ScriptedPrompts() {
  EXPECT_TRUE(script_.empty()) << script_.size()
                               << " scripted answers were never asked for; the first is for a "
                               << kindName(script_.front().kind);
}

void ScriptedPrompts::confirmWith(bool ok) {
  script_.push_back({PromptKind::Confirm, [ok](QDialog*) { return QVariant(ok); }});
}

void ScriptedPrompts::inputWith(std::optional<QString> text) {
  script_.push_back({PromptKind::InputBox, [text](QDialog*) { return optionalAnswer(text); }});
}

void ScriptedPrompts::openFileWith(std::optional<QString> path) {
  script_.push_back({PromptKind::OpenFile, [path](QDialog*) { return optionalAnswer(path); }});
}

void ScriptedPrompts::saveFileWith(std::optional<QString> path) {
  script_.push_back({PromptKind::SaveFile, [path](QDialog*) { return optionalAnswer(path); }});
}

void ScriptedPrompts::fontWith(std::optional<QFont> font) {
  script_.push_back({PromptKind::Font, [font](QDialog*) { return optionalAnswer(font); }});
}

void ScriptedPrompts::modalWith(int result, std::function<void(QDialog&)> act) {
  script_.push_back({PromptKind::Modal, [result, act](QDialog* dialog) {
                       if (act) act(*dialog);
                       return QVariant(result);
                     }});
}

void ScriptedPrompts::failWith(PromptKind kind, std::exception_ptr error) {
  script_.push_back({kind, [error](QDialog*) -> QVariant { std::rethrow_exception(error); }});
}

QStringList ScriptedPrompts::errorBoxes() const {
  QStringList texts;
  for (const auto& prompt : shown_) {
    if (prompt.kind == PromptKind::ErrorBox) texts.append(prompt.text);
  }
  return texts;
}

QStringList ScriptedPrompts::modalWindows() const {
  QStringList names;
  for (const auto& prompt : shown_) {
    if (prompt.kind == PromptKind::Modal) names.append(prompt.text);
  }
  return names;
}

QVariant ScriptedPrompts::next(PromptKind kind, QDialog* dialog) {
  if (script_.empty()) return {};
  if (script_.front().kind != kind) {
    ADD_FAILURE() << "the program showed a " << kindName(kind) << " where the script expected a "
                  << kindName(script_.front().kind);
    return {};
  }
  Answer answer = std::move(script_.front());
  script_.pop_front();
  return answer.give(dialog);
}

void ScriptedPrompts::errorBox(const QString& text) {
  shown_.push_back({PromptKind::ErrorBox, text, {}, {}});
}

void ScriptedPrompts::messageBox(const QString& text) {
  shown_.push_back({PromptKind::MessageBox, text, {}, {}});
}

bool ScriptedPrompts::confirm(const QString& text) {
  shown_.push_back({PromptKind::Confirm, text, {}, {}});
  return next(PromptKind::Confirm).toBool();
}

std::optional<QString> ScriptedPrompts::inputBox(const QString& caption, const QString& prompt,
                                                 const QString& initial, int /*maxLength*/) {
  shown_.push_back({PromptKind::InputBox, prompt, caption, initial});
  return asOptional<QString>(next(PromptKind::InputBox));
}

std::optional<QString> ScriptedPrompts::openFileName(const QString& filter) {
  shown_.push_back({PromptKind::OpenFile, filter, {}, {}});
  return asOptional<QString>(next(PromptKind::OpenFile));
}

std::optional<QString> ScriptedPrompts::saveFileName(const QString& filter, const QString& defaultSuffix) {
  shown_.push_back({PromptKind::SaveFile, filter, defaultSuffix, {}});
  return asOptional<QString>(next(PromptKind::SaveFile));
}

std::optional<QFont> ScriptedPrompts::chooseFont(const QFont& initial) {
  shown_.push_back({PromptKind::Font, {}, {}, initial});
  return asOptional<QFont>(next(PromptKind::Font));
}

int ScriptedPrompts::execModal(QDialog& dialog) {
  shown_.push_back({PromptKind::Modal, dialog.objectName(), dialog.windowTitle(), {}});
  const QVariant result = next(PromptKind::Modal, &dialog);
  return result.isValid() ? result.toInt() : int(QDialog::Rejected);
}

ScopedScriptedPrompts::ScopedScriptedPrompts() : prompts_(new ScriptedPrompts) {
  previous_ = qb::installPrompts(std::unique_ptr<qb::Prompts>(prompts_));
}

ScopedScriptedPrompts::~ScopedScriptedPrompts() {
  qb::installPrompts(std::move(previous_));
}
