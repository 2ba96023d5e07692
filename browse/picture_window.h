// The picture field window: part of the window set, with no controls and no
// behaviour; no command shows it.
#pragma once

#include <QWidget>

class TfrmPicture : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmPicture(QWidget* parent = nullptr);
};

// Program-wide reference, set when the window set is created.
extern TfrmPicture* frmPicture;
