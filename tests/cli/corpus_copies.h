// Test fixture for the command-line tests: copies of corpus files in a scratch
// folder (qbtool never sees the originals); skips the test without a corpus.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/test_files.h"

namespace qbtest {

class CorpusCopies : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!corpusAvailable()) GTEST_SKIP() << "no corpus";
  }
  std::string copy(const std::string& name) { return dir_.copyCorpusFile(name).string(); }
  // The names in the scratch folder, sorted.
  std::vector<std::string> folderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir_;
};

}  // namespace qbtest
