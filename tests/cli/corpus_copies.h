// Test fixture for the command-line tests: copies of corpus files in a scratch
// folder (qbtool never sees the originals); skips the test without a corpus.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/test_files.h"

namespace qbtest {

class CorpusCopies : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!corpusAvailable()) GTEST_SKIP() << "no corpus";
  }
  std::string copy(const std::string& name) { return dir_.copyCorpusFile(name).string(); }

  TempDir dir_;
};

}  // namespace qbtest
