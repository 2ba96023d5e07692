// A label that shows a web address as a link (blue, bold, underlined). While
// the mouse is over it the cursor of the whole program is the hand pointer;
// a click asks the desktop to open the address in the web browser.
#pragma once

#include <QLabel>

class LinkLabel : public QLabel {
  Q_OBJECT

 public:
  LinkLabel(const QString& address, QWidget* parent = nullptr);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};
