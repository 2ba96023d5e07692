// The table list of real files: system tables (when asked), user tables, then
// saved select queries without parameters, each group sorted without regard
// to case; linked tables left out.
#include <gtest/gtest.h>

#include "jet/database.h"
#include "jet/text.h"
#include "support/test_files.h"

namespace {

using jet::TableKind;

struct Listed {
  std::string name;
  TableKind kind;
  friend bool operator==(const Listed&, const Listed&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Listed& l) {
    return os << l.name << " (" << static_cast<int>(l.kind) << ")";
  }
};

std::vector<Listed> listOf(const std::string& file, bool includeSystem) {
  jet::OpenOptions options;
  options.readOnly = true;
  if (file.find("password") != std::string::npos) options.password = u"password";
  const auto db = jet::Database::open(qbtest::corpusFile(file), options);
  std::vector<Listed> out;
  for (const auto& entry : db->listTables(includeSystem)) out.push_back({jet::toUtf8(entry.name), entry.kind});
  return out;
}

const std::vector<Listed> kAccess2000SystemTables = {
    {"MSysAccessObjects", TableKind::SystemTable}, {"MSysACEs", TableKind::SystemTable},
    {"MSysObjects", TableKind::SystemTable},       {"MSysQueries", TableKind::SystemTable},
    {"MSysRelationships", TableKind::SystemTable},
};

TEST(TableListCorpus, UserTablesThenSelectQueriesWithoutParameters) {
  QB_REQUIRE_CORPUS();
  // The update query has parameters and the other kinds are not select
  // queries, so only SelectQuery is a view.
  EXPECT_EQ(listOf("jackcess-V2000-queryTestV2000.mdb", false),
            (std::vector<Listed>{{"Table1", TableKind::Table},
                                 {"Table2", TableKind::Table},
                                 {"Table3", TableKind::Table},
                                 {"SelectQuery", TableKind::View}}));
}

TEST(TableListCorpus, SystemTablesComeFirstSortedWithoutRegardToCase) {
  QB_REQUIRE_CORPUS();
  auto expected = kAccess2000SystemTables;
  for (const char* t : {"Table1", "Table2", "Table3", "Table4"}) expected.push_back({t, TableKind::Table});
  EXPECT_EQ(listOf("jackcess-V2000-testV2000.mdb", true), expected);
}

TEST(TableListCorpus, LinkedTablesAreNotListed) {
  QB_REQUIRE_CORPUS();
  EXPECT_TRUE(listOf("ucanaccess-linked.mdb", false).empty());
  EXPECT_EQ(listOf("ucanaccess-linked.mdb", true), kAccess2000SystemTables);
}

TEST(TableListCorpus, BlankDatabaseHasOnlySystemTables) {
  QB_REQUIRE_CORPUS();
  EXPECT_TRUE(listOf("jackcess-empty.mdb", false).empty());
  EXPECT_EQ(listOf("jackcess-empty.mdb", true), kAccess2000SystemTables);
}

TEST(TableListCorpus, OddNamesAndAccessOwnSystemTables) {
  QB_REQUIRE_CORPUS();
  EXPECT_EQ(listOf("ucanaccess-weirdObjectNames.mdb", false),
            (std::vector<Listed>{{"19 MB 01 BEZAHLT ???", TableKind::Table}}));
  const auto all = listOf("ucanaccess-weirdObjectNames.mdb", true);
  std::vector<std::string> system;
  for (const Listed& l : all) {
    if (l.kind == TableKind::SystemTable) system.push_back(l.name);
  }
  EXPECT_EQ(system, (std::vector<std::string>{"MSysAccessObjects", "MSysACEs", "MSysNameMap",
                                              "MSysNavPaneGroupCategories", "MSysNavPaneGroups",
                                              "MSysNavPaneGroupToObjects", "MSysNavPaneObjectIDs", "MSysObjects",
                                              "MSysQueries", "MSysRelationships"}));
  EXPECT_EQ(all.back(), (Listed{"19 MB 01 BEZAHLT ???", TableKind::Table}));
}

TEST(TableListCorpus, EveryJet4FileListsItsUserTables) {
  QB_REQUIRE_CORPUS();
  const std::vector<std::pair<std::string, std::vector<std::string>>> files = {
      {"jackcess-V2000-compIndexTestV2000.mdb", {"Table1"}},
      {"jackcess-V2000-delTestV2000.mdb", {"Table"}},
      {"jackcess-V2000-fixedNumericTestV2000.mdb", {"test"}},
      {"jackcess-V2000-fixedTextTestV2000.mdb", {"users"}},
      {"jackcess-V2000-indexTestV2000.mdb", {"Table1", "Table2", "Table3"}},
      {"jackcess-V2000-overflowTestV2000.mdb", {"Table1"}},
      {"jackcess-V2000-test2V2000.mdb", {"MSP_PROJECTS"}},
      {"jackcess-V2003-testUnicodeCompV2003.mdb", {"Table"}},
      {"jackcessencrypt-db-enc.mdb", {"Table1"}},
      {"mdbreader-password-V2003_with-password.mdb", {"Table1"}},
  };
  for (const auto& [file, tables] : files) {
    std::vector<Listed> expected;
    for (const auto& t : tables) expected.push_back({t, TableKind::Table});
    EXPECT_EQ(listOf(file, false), expected) << file;
  }
}

}  // namespace
