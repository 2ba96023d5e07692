// Program entry: the Quillbase desktop program. It reads no arguments of
// its own (Qt's display options still apply) and no settings.
#include <QApplication>

#include "app/window_set.h"
#include "ui_services/handler_guard.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  try {
    startUp();
  } catch (...) {
    // A window of the set could not be made: say why and end.
    qb::reportCurrentException();
    destroyWindowSet();
    return 1;
  }
  const int code = QApplication::exec();
  destroyWindowSet();
  return code;
}
