// Window frames the program's dialogs use.
#pragma once

class QSize;
class QWidget;

namespace qb {

// A dialog frame of fixed size: title and close button, no resizing, no
// maximise button.
void setFixedDialogFrame(QWidget& window, const QSize& size);

// A fixed single border with the system menu and the minimise button only.
void setFixedMinimisableFrame(QWidget& window, const QSize& size);

}  // namespace qb
