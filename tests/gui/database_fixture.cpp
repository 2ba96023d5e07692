// Steps on the running program with databases.
#include "database_fixture.h"

#include <QAction>
#include <QLabel>

#include "app/main_window.h"
#include "browse/data_grid.h"
#include "connection/ui/tab_strip.h"

QString DatabaseTest::copyOf(const std::string& corpusName) const {
  return QString::fromStdString(scratch.copyCorpusFile(corpusName).string());
}

QString DatabaseTest::scratchFile(const std::string& name) const {
  return QString::fromStdString((scratch / name).string());
}

void DatabaseTest::open(const QString& path) {
  prompts->openFileWith(path);
  activate(QStringLiteral("Open1"));
}

void DatabaseTest::openWithPassword(const QString& path, std::optional<QString> password) {
  prompts->openFileWith(path);
  prompts->inputWith(std::move(password));
  activate(QStringLiteral("OpenPWD1"));
}

void DatabaseTest::chooseTab(const QString& caption) {
  const QStringList captions = tabCaptions();
  const int index = static_cast<int>(captions.indexOf(caption));
  ASSERT_GE(index, 0) << "no tab " << caption.toStdString();
  handlersRun.clear();
  Form1->TabControl1->setCurrentIndex(index);
}

QStringList DatabaseTest::tabCaptions() const {
  QStringList captions;
  for (int i = 0; i < Form1->TabControl1->count(); ++i)
    captions.append(Form1->TabControl1->tabData(i).toString());
  return captions;
}

QString DatabaseTest::statusText(int panel) const {
  return Form1->statusPanel(panel)->text();
}

DataGrid& DatabaseTest::grid() const {
  return *Form1->DBGrid1;
}

QString DatabaseTest::cell(int row, int column) const {
  return grid().model()->index(row, column).data().toString();
}

std::pair<int, int> DatabaseTest::currentCell() const {
  const QModelIndex current = grid().currentIndex();
  return current.isValid() ? std::pair(current.row(), current.column()) : std::pair(-1, -1);
}
