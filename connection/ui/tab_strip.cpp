// Tab strip that reports only the user's choices.
#include "connection/ui/tab_strip.h"

#include <QSignalBlocker>

TabStrip::TabStrip(QWidget* parent) : QTabBar(parent) {
  setObjectName(QStringLiteral("TabControl1"));
  setExpanding(false);
  setUsesScrollButtons(true);
  setDrawBase(true);
  {
    // An empty bar would have no height; take the height it has with a tab.
    const QSignalBlocker blocker(this);
    addTab(QStringLiteral("Xg"));
    setMinimumHeight(sizeHint().height());
    removeTab(0);
  }
  connect(this, &QTabBar::currentChanged, this, [this] {
    if (quiet_ == 0) emit userChanged();
  });
}

void TabStrip::setTabNames(const QStringList& names) {
  setTabNames(names, QString());
}

void TabStrip::setTabNames(const QStringList& names, const QString& keep) {
  ++quiet_;
  while (count() > 0) removeTab(count() - 1);
  for (const QString& name : names) {
    // "&" would mark an access key in a tab's text; the table's name is kept
    // as data so that the caption handed on is always the name itself.
    const int index = addTab(QString(name).replace(QLatin1Char('&'), QStringLiteral("&&")));
    setTabData(index, name);
  }
  const qsizetype kept = keep.isEmpty() ? -1 : names.indexOf(keep);
  if (count() > 0) setCurrentIndex(kept < 0 ? 0 : static_cast<int>(kept));
  --quiet_;
}

QStringList TabStrip::tabNames() const {
  QStringList names;
  for (int i = 0; i < count(); ++i) names.append(tabData(i).toString());
  return names;
}

void TabStrip::removeAllTabs() {
  setTabNames({});
}

QString TabStrip::selectedCaption() const {
  return currentIndex() < 0 ? QString() : tabData(currentIndex()).toString();
}
