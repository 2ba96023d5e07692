// A program-wide cursor for tests: remembers every shape set and every
// pass over pending events, in order, and changes nothing on screen.
#pragma once

#include <QStringList>

#include "connection/ui/support/screen_cursor.h"

class RecordingCursor final : public qb::ScreenCursor {
 public:
  // "wait", "hand", "normal", "events" (a pending-events pass), or the shape number.
  QStringList steps;

  void setShape(Qt::CursorShape shape) override {
    shape_ = shape;
    switch (shape) {
      case Qt::WaitCursor:
        steps.append(QStringLiteral("wait"));
        break;
      case Qt::PointingHandCursor:
        steps.append(QStringLiteral("hand"));
        break;
      case Qt::ArrowCursor:
        steps.append(QStringLiteral("normal"));
        break;
      default:
        steps.append(QString::number(int(shape)));
        break;
    }
  }
  Qt::CursorShape shape() const override { return shape_; }
  void processPendingEvents() override { steps.append(QStringLiteral("events")); }

 private:
  Qt::CursorShape shape_ = Qt::ArrowCursor;
};

// Installs a RecordingCursor for the lifetime of this object.
class ScopedRecordingCursor {
 public:
  ScopedRecordingCursor() : cursor_(new RecordingCursor) {
    previous_ = qb::installScreenCursor(std::unique_ptr<qb::ScreenCursor>(cursor_));
  }
  ~ScopedRecordingCursor() { qb::installScreenCursor(std::move(previous_)); }
  ScopedRecordingCursor(const ScopedRecordingCursor&) = delete;
  ScopedRecordingCursor& operator=(const ScopedRecordingCursor&) = delete;

  RecordingCursor* operator->() const { return cursor_; }

 private:
  RecordingCursor* cursor_;
  std::unique_ptr<qb::ScreenCursor> previous_;
};
