// Automation objects made by name: the registry's names and failures, the
// engine's compaction and creation behind their connection strings, and the
// office application that does not exist here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "connection/automation.h"
#include "connection/connection_string.h"
#include "jet/compact.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/error_of.h"
#include "support/test_files.h"

namespace {

using qb::automationInterface;
using qb::createAutomationObject;
using qbtest::errorOf;

std::u16string text(const std::filesystem::path& path) {
  return jet::fromUtf8(path.string());
}

std::u16string compactionString(const std::filesystem::path& path, std::u16string_view password = {}) {
  return qb::compactionConnectionString(text(path), password);
}

std::uint32_t rowCount(const std::filesystem::path& path, const std::u16string& table,
                       const std::u16string& password = {}) {
  const auto db = jet::Database::open(path, jet::OpenOptions{password, true});
  return static_cast<std::uint32_t>(db->table(table)->storedRowCount());
}

TEST(AutomationRegistryTest, MakesTheToolsByNameWithoutRegardToCase) {
  EXPECT_NE(automationInterface<qb::JetEngine>(createAutomationObject(u"JRO.JetEngine")), nullptr);
  EXPECT_NE(automationInterface<qb::JetEngine>(createAutomationObject(u"jro.jetengine")), nullptr);
  EXPECT_NE(automationInterface<qb::Catalog>(createAutomationObject(u"ADOX.Catalog")), nullptr);
  EXPECT_EQ(errorOf([] { automationInterface<qb::Catalog>(createAutomationObject(u"JRO.JetEngine")); }),
            "No such interface supported");
}

TEST(AutomationRegistryTest, UnknownNamesRunningInstancesAndAccessFailWithTheirReason) {
  for (const char16_t* name : {u"", u"JRO.JetEngin", u"Excel.Application"}) {
    const std::string error = errorOf([&] { createAutomationObject(name); });
    EXPECT_EQ(error.rfind("Invalid class string", 0), 0u) << error;
    EXPECT_EQ(errorOf([&] { qb::activeAutomationObject(name); }), error);
  }
  // The tools run in this process; nothing is ever running to attach to.
  EXPECT_EQ(errorOf([] { qb::activeAutomationObject(u"JRO.JetEngine"); }).rfind("Operation unavailable", 0), 0u);
  const std::string access = errorOf([] { createAutomationObject(u"Access.Application"); });
  EXPECT_EQ(access.rfind("Microsoft Access is not available on this system", 0), 0u) << access;
  EXPECT_EQ(errorOf([] { qb::activeAutomationObject(u"access.application"); }).rfind("Operation unavailable", 0),
            0u);
}

TEST(AutomationRegistryTest, ARegisteredClassReplacesTheNameAndRegisteringThePreviousOneRestoresIt) {
  int made = 0;
  qb::AutomationClass previous = qb::registerAutomationClass(
      u"ADOX.CATALOG", {[&] {
                          ++made;
                          return std::unique_ptr<qb::AutomationObject>(new qb::JetEngine);
                        },
                        {}});
  EXPECT_NE(automationInterface<qb::JetEngine>(createAutomationObject(u"ADOX.Catalog")), nullptr);
  EXPECT_EQ(made, 1);
  qb::registerAutomationClass(u"ADOX.Catalog", std::move(previous));
  EXPECT_NE(automationInterface<qb::Catalog>(createAutomationObject(u"ADOX.Catalog")), nullptr);
  EXPECT_EQ(made, 1);

  // A new name, and removing it again with the empty class it returned.
  const qb::AutomationClass none = qb::registerAutomationClass(
      u"Quill.Test", {{}, [] { return std::unique_ptr<qb::AutomationObject>(new qb::Catalog); }});
  EXPECT_FALSE(none.create || none.attach);
  EXPECT_NE(automationInterface<qb::Catalog>(qb::activeAutomationObject(u"Quill.Test")), nullptr);
  EXPECT_EQ(errorOf([] { createAutomationObject(u"Quill.Test"); }).rfind("Cannot make a new 'Quill.Test'", 0), 0u);
  qb::registerAutomationClass(u"Quill.Test", none);
  EXPECT_EQ(errorOf([] { createAutomationObject(u"Quill.Test"); }).rfind("Invalid class string", 0), 0u);
}

class JetEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { QB_REQUIRE_CORPUS(); }
  qbtest::TempDir dir_;
  qb::JetEngine engine_;
};

TEST_F(JetEngineTest, CompactsIntoANewFileAndLeavesTheSourceAsItWas) {
  const auto source = dir_.copyCorpusFile("jackcess-V2000-delTestV2000.mdb");
  const std::string before = qbtest::readFileBytes(source);
  const auto copy = dir_ / "copy.mdb";
  engine_.CompactDatabase(compactionString(source), compactionString(copy));
  EXPECT_EQ(qbtest::readFileBytes(source), before);
  EXPECT_LE(std::filesystem::file_size(copy), before.size());
  EXPECT_EQ(rowCount(copy, u"Table"), rowCount(source, u"Table"));

  // The destination must not exist: the file there is not touched.
  const std::string copyBytes = qbtest::readFileBytes(copy);
  EXPECT_NE(errorOf([&] { engine_.CompactDatabase(compactionString(source), compactionString(copy)); })
                .find("the destination already exists"),
            std::string::npos);
  EXPECT_EQ(qbtest::readFileBytes(copy), copyBytes);
}

TEST_F(JetEngineTest, ThePasswordComesFromTheConnectionStringsAndCannotChange) {
  const auto source = dir_.copyCorpusFile("mdbreader-password-V2003_with-password.mdb");
  const auto copy = dir_ / "copy.mdb";
  EXPECT_NE(errorOf([&] { engine_.CompactDatabase(compactionString(source), compactionString(copy)); })
                .find("Not a valid password"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(copy));
  EXPECT_EQ(errorOf([&] {
              engine_.CompactDatabase(compactionString(source, u"password"), compactionString(copy, u"other"));
            }).rfind("Cannot compact", 0),
            0u);
  EXPECT_FALSE(std::filesystem::exists(copy));

  engine_.CompactDatabase(compactionString(source, u"password"), compactionString(copy, u"password"));
  EXPECT_EQ(rowCount(copy, u"Table1", u"password"), 3u);
  EXPECT_NE(errorOf([&] { rowCount(copy, u"Table1"); }).find("Not a valid password"), std::string::npos);
}

TEST_F(JetEngineTest, APathWithASemicolonIsOneValueAndAForeignProviderIsRefused) {
  const auto source = dir_.copyCorpusFile("jackcess-V2000-testV2000.mdb");
  const auto odd = dir_ / "a;Data Source=b.mdb";
  std::filesystem::rename(source, odd);
  const auto copy = dir_ / "c;d.mdb";
  engine_.CompactDatabase(compactionString(odd), compactionString(copy));
  EXPECT_EQ(rowCount(copy, u"Table1"), 2u);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "b.mdb"));

  const std::string foreign = errorOf([&] {
    engine_.CompactDatabase(u"Provider=SQLOLEDB;Data Source=" + text(odd) + u";", compactionString(dir_ / "e.mdb"));
  });
  EXPECT_NE(foreign.find("Provider 'SQLOLEDB'"), std::string::npos) << foreign;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "e.mdb"));
}

TEST_F(JetEngineTest, CompactsInPlaceOrLeavesTheFileExactlyAsItWas) {
  const auto path = dir_.copyCorpusFile("jackcess-V2000-delTestV2000.mdb");
  const std::uint32_t rows = rowCount(path, u"Table");
  {
    // Open in another program: refused, untouched.
    const auto holder = jet::Database::open(path);
    const std::string before = qbtest::readFileBytes(path);
    EXPECT_NE(
        errorOf([&] { engine_.CompactDatabaseInPlace(compactionString(path)); }).find("open in another program"),
        std::string::npos);
    EXPECT_EQ(qbtest::readFileBytes(path), before);
  }
  engine_.CompactDatabaseInPlace(compactionString(path));
  EXPECT_EQ(rowCount(path, u"Table"), rows);
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    left.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(left, std::vector<std::string>{"jackcess-V2000-delTestV2000.mdb"});
}

TEST(CatalogTest, CreatesABlankDatabaseThatStaysOpenUntilTheCatalogIsReleased) {
  qbtest::TempDir dir;
  const auto path = dir / "new.mdb";
  {
    qb::Catalog catalog;
    catalog.create(qb::newDatabaseConnectionString(text(path)));
    ASSERT_TRUE(std::filesystem::exists(path));
    // The catalog holds it open: it cannot be compacted in place meanwhile.
    EXPECT_NE(errorOf([&] { jet::compactDatabaseInPlace(path); }).find("open in another program"), std::string::npos);
  }
  const auto db = jet::Database::open(path);
  EXPECT_FALSE(db->isReadOnly());
  EXPECT_TRUE(db->listTables(false).empty());
}

TEST(CatalogTest, NeverTouchesAnExistingFileAndTakesThePasswordOfTheString) {
  qbtest::TempDir dir;
  const auto existing = dir / "existing.mdb";
  std::ofstream(existing) << "not a database";
  qb::Catalog catalog;
  EXPECT_NE(errorOf([&] { catalog.create(qb::newDatabaseConnectionString(text(existing))); }).find("exist"),
            std::string::npos);
  EXPECT_EQ(qbtest::readFileBytes(existing), "not a database");

  const auto missingFolder = dir / "missing" / "new.mdb";
  EXPECT_NE(errorOf([&] { catalog.create(qb::newDatabaseConnectionString(text(missingFolder))); }), "(no error)");
  EXPECT_FALSE(std::filesystem::exists(missingFolder));

  const auto secret = dir / "secret.mdb";
  catalog.create(qb::compactionConnectionString(text(secret), u"pw"));
  EXPECT_NE(errorOf([&] { jet::Database::open(secret, jet::OpenOptions{u"", true}); }).find("Not a valid password"),
            std::string::npos);
}

}  // namespace
