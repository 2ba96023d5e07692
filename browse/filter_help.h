// The filter help window: how to write a filter expression and which
// operators it may use. A fixed-size dialog, shown modally, centred on the
// main window.
#pragma once

#include "browse/help_window.h"

class TForm5 : public HelpWindow {
  Q_OBJECT

 public:
  explicit TForm5(QWidget* parent = nullptr);
};

// Program-wide reference, set when the window set is created.
extern TForm5* Form5;
