// Controls the browsing windows make the same way: the OK and Cancel buttons
// of their dialogs, and the entries of their right-click menus.
#pragma once

#include <QString>
#include <functional>

class QAction;
class QMenu;
class QPushButton;
class QWidget;

namespace qb {

// OK with the style's icon, the dialog's default button (Enter); `clicked`
// runs on a click.
QPushButton* okButton(QWidget& dialog, std::function<void()> clicked);
// Cancel with the style's icon; not a default button.
QPushButton* cancelButton(QWidget& dialog, std::function<void()> clicked);

// Appends an entry named `name` to `menu`; choosing it runs `handler` under
// the handler guard.
QAction* addMenuEntry(QMenu& menu, const char* name, const QString& caption, std::function<void()> handler);

}  // namespace qb
