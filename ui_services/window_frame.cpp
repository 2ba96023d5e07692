// Fixed dialog frames.
#include "ui_services/window_frame.h"

#include <QSize>
#include <QWidget>

namespace qb {

void setFixedDialogFrame(QWidget& window, const QSize& size) {
  window.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint);
  window.setFixedSize(size);
}

void setFixedMinimisableFrame(QWidget& window, const QSize& size) {
  window.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  window.setFixedSize(size);
}

}  // namespace qb
