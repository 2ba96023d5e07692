// Centring windows before they are shown.
#include "ui_services/window_placement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace qb {

namespace {

QRect availableArea(const QWidget& widget) {
  const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
}

void centreAt(QWidget& window, const QPoint& centre) {
  const QSize size = window.frameGeometry().size();
  window.move(centre.x() - size.width() / 2, centre.y() - size.height() / 2);
}

}  // namespace

void centreOnWindow(QWidget& window, const QWidget& over) {
  const bool pendingMaximised = !over.isVisible() && over.windowState().testFlag(Qt::WindowMaximized);
  centreAt(window, pendingMaximised ? availableArea(over).center() : over.frameGeometry().center());
}

void centreOnScreen(QWidget& window) {
  centreAt(window, availableArea(window).center());
}

void showInFront(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace qb
