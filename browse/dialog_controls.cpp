// The browsing windows' buttons and menu entries.
#include "browse/dialog_controls.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QStyle>

#include "ui_services/handler_guard.h"

namespace qb {

namespace {

QPushButton* button(QWidget& dialog, QStyle::StandardPixmap icon, const QString& caption, const char* name,
                    std::function<void()> clicked) {
  auto* made = new QPushButton(dialog.style()->standardIcon(icon), caption, &dialog);
  made->setObjectName(QLatin1String(name));
  QObject::connect(made, &QPushButton::clicked, &dialog, [clicked = std::move(clicked)] { clicked(); });
  return made;
}

}  // namespace

QPushButton* okButton(QWidget& dialog, std::function<void()> clicked) {
  QPushButton* ok =
      button(dialog, QStyle::SP_DialogOkButton, QStringLiteral("OK"), "BitBtn1", std::move(clicked));
  ok->setDefault(true);
  return ok;
}

QPushButton* cancelButton(QWidget& dialog, std::function<void()> clicked) {
  QPushButton* cancel =
      button(dialog, QStyle::SP_DialogCancelButton, QStringLiteral("Cancel"), "BitBtn2", std::move(clicked));
  cancel->setAutoDefault(false);
  return cancel;
}

QAction* addMenuEntry(QMenu& menu, const char* name, const QString& caption, std::function<void()> handler) {
  QAction* action = menu.addAction(caption);
  action->setObjectName(QLatin1String(name));
  QObject::connect(action, &QAction::triggered, &menu,
                   [handler = std::move(handler)] { guarded([&] { handler(); }); });
  return action;
}

}  // namespace qb
