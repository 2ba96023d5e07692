// A fresh window set per test.
#include "window_set_fixture.h"

#include <QAbstractButton>
#include <QAction>

#include "app/main_window.h"
#include "app/window_set.h"

void WindowSetTest::SetUp() {
  createWindowSet();
  QObject::connect(Form1, &TForm1::handlerStarted, [this](const QString& name) { handlersRun.append(name); });
}

void WindowSetTest::TearDown() {
  destroyWindowSet();
}

QStringList WindowSetTest::activate(const QString& name) {
  handlersRun.clear();
  if (auto* action = Form1->findChild<QAction*>(name)) {
    action->trigger();
  } else if (auto* button = Form1->findChild<QAbstractButton*>(name)) {
    button->click();
  } else {
    ADD_FAILURE() << "no entry or button named " << name.toStdString();
  }
  return handlersRun;
}
