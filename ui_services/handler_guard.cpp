// The error box and the reporting of errors that end a handler.
#include "ui_services/handler_guard.h"

#include "ui_services/prompts.h"

namespace qb {

QString errorBoxText(const QString& message) {
  if (message.isEmpty() || message.back().unicode() <= u'.') return message;
  return message + QLatin1Char('.');
}

void showErrorBox(const QString& message) {
  prompts().errorBox(errorBoxText(message));
}

void reportCurrentException() noexcept {
  try {
    try {
      throw;
    } catch (const SilentAbort&) {
    } catch (const std::exception& e) {
      showErrorBox(QString::fromUtf8(e.what()));
    } catch (...) {
      showErrorBox(QStringLiteral("An unexpected error ended the command"));
    }
  } catch (...) {
    // Showing the box failed too (out of memory); there is nobody left to tell.
  }
}

}  // namespace qb
