// The sort help window: how to write a sort expression. Resizable; built
// with the window set like every window.
#pragma once

#include "browse/help_window.h"

class TfrmSortHelp : public HelpWindow {
  Q_OBJECT

 public:
  explicit TfrmSortHelp(QWidget* parent = nullptr);
};

// Program-wide reference, set when the window set is created.
extern TfrmSortHelp* frmSortHelp;
