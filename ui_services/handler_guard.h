// The one guard around every handler of the program. Menu entries, buttons,
// key handlers and event overrides all run their work through guarded(), so
// no exception ever crosses a Qt signal or event boundary: an error ends the
// handler it was raised in, is shown in the application's error box, and the
// program goes on with whatever the handler had changed so far.
#pragma once

#include <QString>
#include <exception>
#include <utility>

namespace qb {

// Raised to end a handler quietly: the guard shows nothing for it.
class SilentAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

// The text the error box shows for an error message: the message with a full
// stop added, unless it is empty or already ends in a character that sorts at
// or before "." (code 0x2E or lower: ".", "!", ")", ",", "-", a space ...).
QString errorBoxText(const QString& message);

// Shows the application's error box for `message`, full-stop rule applied.
void showErrorBox(const QString& message);

// For use inside a catch block: shows the error box for the exception being
// handled (nothing for a SilentAbort). Never throws.
void reportCurrentException() noexcept;

// Runs `handler` and reports whatever it throws; never throws itself.
template <class Handler>
void guarded(Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    reportCurrentException();
  }
}

}  // namespace qb
