// The program-wide cursor as one Qt override cursor.
#include "ui_services/screen_cursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace qb {

namespace {

std::unique_ptr<ScreenCursor>& installed() {
  static std::unique_ptr<ScreenCursor> current;
  return current;
}

}  // namespace

ScreenCursor& screenCursor() {
  auto& current = installed();
  if (!current) current = std::make_unique<QtScreenCursor>();
  return *current;
}

std::unique_ptr<ScreenCursor> installScreenCursor(std::unique_ptr<ScreenCursor> replacement) {
  auto previous = std::move(installed());
  installed() = std::move(replacement);
  return previous;
}

QtScreenCursor::~QtScreenCursor() {
  if (overriding_ && qGuiApp) QGuiApplication::restoreOverrideCursor();
}

void QtScreenCursor::setShape(Qt::CursorShape shape) {
  if (shape == Qt::ArrowCursor) {
    if (overriding_) QGuiApplication::restoreOverrideCursor();
    overriding_ = false;
  } else if (overriding_) {
    QGuiApplication::changeOverrideCursor(QCursor(shape));
  } else {
    QGuiApplication::setOverrideCursor(QCursor(shape));
    overriding_ = true;
  }
  shape_ = shape;
}

void QtScreenCursor::processPendingEvents() {
  QCoreApplication::processEvents();
}

}  // namespace qb
