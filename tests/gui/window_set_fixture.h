// Fixture for tests of the running program: a fresh window set for every
// test, with scripted prompts, and the names of the main window's handlers
// in the order they ran.
#pragma once

#include <gtest/gtest.h>

#include <QStringList>

#include "scripted_prompts.h"

class WindowSetTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Triggers the menu entry or clicks the button with this object name on
  // the main window and returns the handlers that ran, in order.
  QStringList activate(const QString& name);

  ScopedScriptedPrompts prompts;
  QStringList handlersRun;
};
