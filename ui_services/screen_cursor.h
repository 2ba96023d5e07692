// The program-wide mouse cursor: one shape for every window of the program,
// set by assignment (setting the hourglass twice and the default once leaves
// the default, unlike Qt's stack of override cursors). Long commands show the
// hourglass through it and some let pending window events run once so that
// the change is drawn; the about box's link sets the hand pointer. Tests
// install an implementation that records what was asked.
#pragma once

#include <Qt>
#include <memory>

namespace qb {

class ScreenCursor {
 public:
  virtual ~ScreenCursor() = default;

  // Qt::ArrowCursor is the default: the windows' own cursors show again.
  virtual void setShape(Qt::CursorShape shape) = 0;
  virtual Qt::CursorShape shape() const = 0;

  // Lets the window events that are waiting run once.
  virtual void processPendingEvents() = 0;
};

// The installed cursor service; the Qt implementation unless another was installed.
ScreenCursor& screenCursor();

// Installs `replacement` (nullptr: back to the Qt implementation) and returns
// the one installed before.
std::unique_ptr<ScreenCursor> installScreenCursor(std::unique_ptr<ScreenCursor> replacement);

// The hourglass over the whole program.
inline void setBusyCursor() {
  screenCursor().setShape(Qt::WaitCursor);
}
// The default cursor again.
inline void setNormalCursor() {
  screenCursor().setShape(Qt::ArrowCursor);
}

// Restores the default cursor when it goes out of scope, also when the
// handler that holds it ends by an error.
class NormalCursorAtExit {
 public:
  NormalCursorAtExit() = default;
  ~NormalCursorAtExit() { setNormalCursor(); }
  NormalCursorAtExit(const NormalCursorAtExit&) = delete;
  NormalCursorAtExit& operator=(const NormalCursorAtExit&) = delete;
};

// The Qt implementation: one override cursor for the application.
class QtScreenCursor final : public ScreenCursor {
 public:
  ~QtScreenCursor() override;
  void setShape(Qt::CursorShape shape) override;
  Qt::CursorShape shape() const override { return shape_; }
  void processPendingEvents() override;

 private:
  Qt::CursorShape shape_ = Qt::ArrowCursor;
  bool overriding_ = false;
};

}  // namespace qb
