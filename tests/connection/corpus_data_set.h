// Fixture for the tests on real files: a connection and the main table
// dataset over copies of corpus files in a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "connection/connection.h"
#include "connection/connection_string.h"
#include "connection/table_data_set.h"
#include "jet/error.h"
#include "jet/text.h"
#include "support/test_files.h"

namespace qbtest {

class CorpusDataSet : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!corpusAvailable()) GTEST_SKIP() << "no corpus";
    mdb_.setConnection(&con_);
  }
  // Copies a corpus file and points the connection at the copy.
  std::filesystem::path use(const std::string& file, const std::u16string& password = {}) {
    const std::filesystem::path path = dir_.copyCorpusFile(file);
    con_.setConnected(false);
    const std::u16string name = jet::fromUtf8(path.string());
    con_.setConnectionString(password.empty() ? qb::openConnectionString(name)
                                              : qb::openConnectionString(name, password));
    return path;
  }
  void openTable(const std::u16string& table) {
    mdb_.close();
    mdb_.setTableName(table);
    mdb_.open();
  }

  TempDir dir_;
  qb::Connection con_;
  qb::TableDataSet mdb_;
};

}  // namespace qbtest
