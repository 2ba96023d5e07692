// The list report design over the current table: a report, not a window.
// It is part of the window set, but the printing commands build reports of
// their own and nothing uses this one.
#pragma once

#include <QObject>

class TQuickReport4 : public QObject {
  Q_OBJECT

 public:
  explicit TQuickReport4(QObject* parent = nullptr);
};

// Program-wide reference, set when the window set is created.
extern TQuickReport4* QuickReport4;
