// Placing secondary windows: centred on the main window or on the screen,
// and brought to the front.
#pragma once

class QWidget;

namespace qb {

// Moves `window` so that its centre is the centre of `over`. A window that
// is maximised but not shown yet (the main window during start-up) counts as
// covering its screen's available area.
void centreOnWindow(QWidget& window, const QWidget& over);

// Moves `window` to the centre of the available area of its screen.
void centreOnScreen(QWidget& window);

// Shows a modeless window and brings it in front of the program's other
// windows, giving it the focus.
void showInFront(QWidget& window);

}  // namespace qb
