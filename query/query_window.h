// The query window: runs a typed SQL statement over the open database and
// shows its rows. Modeless and resizable.
#pragma once

#include <QWidget>

class TForm14 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm14(QWidget* parent = nullptr);
};

// Program-wide reference, set when the window set is created.
extern TForm14* Form14;
