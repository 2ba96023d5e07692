// Link label: program-wide hand cursor while hovered, open on click.
#include "app/link_label.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

#include "ui_services/handler_guard.h"
#include "ui_services/screen_cursor.h"

LinkLabel::LinkLabel(const QString& address, QWidget* parent) : QLabel(address, parent) {
  QFont link = font();
  link.setBold(true);
  link.setUnderline(true);
  setFont(link);
  QPalette blue = palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  setPalette(blue);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
  qb::guarded([] { qb::screenCursor().setShape(Qt::PointingHandCursor); });
  QLabel::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
  qb::guarded([] { qb::setNormalCursor(); });
  QLabel::leaveEvent(event);
}

void LinkLabel::hideEvent(QHideEvent* event) {
  // A label that disappears under the mouse (its window closed with the
  // keyboard) gets no leave event; the hand must not outlive it.
  qb::guarded([] {
    if (qb::screenCursor().shape() == Qt::PointingHandCursor) qb::setNormalCursor();
  });
  QLabel::hideEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  qb::guarded([&] {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
      QDesktopServices::openUrl(QUrl(text()));
    }
  });
  QLabel::mouseReleaseEvent(event);
}
