// The tab strip above the grid: one tab per table of the open database.
// Unlike a bare QTabBar it tells apart the user choosing a tab from the
// program filling or emptying the strip, and it keeps its height when it
// holds no tab, so the panel and grid below it do not move when a database
// is opened.
#pragma once

#include <QStringList>
#include <QTabBar>

class TabStrip : public QTabBar {
  Q_OBJECT

 public:
  explicit TabStrip(QWidget* parent = nullptr);

  // Replaces every tab by one per name, in order; the first becomes selected.
  // Emits no userChanged.
  void setTabNames(const QStringList& names);
  // The same, selecting the tab named `keep` when there is one (the first
  // otherwise).
  void setTabNames(const QStringList& names, const QString& keep);
  // The table names the tabs show, in order.
  QStringList tabNames() const;
  // Whether the tabs list system tables too (as the last open asked).
  bool listsSystemTables() const { return listsSystemTables_; }
  void setListsSystemTables(bool lists) { listsSystemTables_ = lists; }
  // Removes every tab; emits no userChanged.
  void removeAllTabs();
  // Caption of the selected tab; empty when there is none.
  QString selectedCaption() const;

 signals:
  // The user selected another tab, with the mouse or the keyboard. Selecting
  // the tab that is already selected does not count.
  void userChanged();

 private:
  int quiet_ = 0;
  bool listsSystemTables_ = false;
};
