// The about box: program icon, name and version, a sentence pointing to the
// project's web site, the site's address as a link, and OK. A fixed dialog,
// centred on the screen, shown modally.
#pragma once

#include <QDialog>

class LinkLabel;
class QPushButton;

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  void setVisible(bool visible) override;

  LinkLabel* Label1;
  QPushButton* OKButton;
};

// Program-wide reference, set when the window set is created.
extern TAboutBox* AboutBox;
