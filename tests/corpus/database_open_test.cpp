// Opening real files: formats this engine refuses and why, passwords, the
// page-encoded file, read-only opening and linked tables.
#include <gtest/gtest.h>

#include "corpus/database_exercise.h"
#include <unistd.h>

#include <fstream>

#include "catalog/database_impl.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "storage/memory_file.h"
#include "support/test_files.h"
#include "support/value_printer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Failure {
  jet::ErrorCode code;
  std::string message;
};

Failure openFailure(const std::filesystem::path& path, const jet::OpenOptions& options = {}) {
  try {
    jet::Database::open(path, options);
  } catch (const jet::Error& e) {
    return {e.code(), e.what()};
  }
  ADD_FAILURE() << "opened " << path;
  return {};
}

Bytes corpusBytes(const std::string& name) {
  const std::string s = qbtest::readFileBytes(qbtest::corpusFile(name));
  return Bytes(s.begin(), s.end());
}

Failure openImageFailure(Bytes image, const std::string& name = "image.mdb") {
  try {
    qbtest::openImage(std::move(image), name, {});
  } catch (const jet::Error& e) {
    return {e.code(), e.what()};
  }
  ADD_FAILURE() << "opened the image";
  return {};
}

TEST(DatabaseOpen, AccessNinetySevenFilesOpenWithTheirCodePage) {
  QB_REQUIRE_CORPUS();
  for (const qbtest::CorpusFile& file : qbtest::jet3CorpusFiles()) {
    SCOPED_TRACE(file.name);
    jet::OpenOptions options;
    options.readOnly = true;
    const auto db = jet::Database::open(qbtest::corpusFile(file.name), options);
    EXPECT_EQ(db->info().format, jet::FileFormat::Jet3);
    EXPECT_EQ(db->info().pageSize, 2048u);
    EXPECT_EQ(db->info().codePage, 1252);
    EXPECT_FALSE(db->info().hasPassword);

    // A code page named by the caller replaces the header's; one without a
    // table is refused, naming the ones that can be used.
    options.codePage = 1251;
    EXPECT_EQ(jet::Database::open(qbtest::corpusFile(file.name), options)->info().codePage, 1251);
    options.codePage = 932;
    try {
      jet::Database::open(qbtest::corpusFile(file.name), options);
      ADD_FAILURE() << "opened in code page 932";
    } catch (const jet::Error& e) {
      EXPECT_EQ(e.code(), jet::ErrorCode::InvalidArgument);
      EXPECT_NE(std::string(e.what()).find("874 and 1250 to 1258"), std::string::npos) << e.what();
    }
  }
}

TEST(DatabaseOpen, RefusesOtherFormatsNamingThem) {
  QB_REQUIRE_CORPUS();
  // An ACE header: the same layout with its own engine name and version.
  Bytes ace = corpusBytes("jackcess-empty.mdb");
  const char aceName[] = "Standard ACE DB";
  std::copy(aceName, aceName + sizeof aceName, ace.begin() + 4);
  ace[0x14] = 2;
  const Failure f = openImageFailure(ace, "new.accdb");
  EXPECT_EQ(f.code, jet::ErrorCode::Unsupported);
  EXPECT_NE(f.message.find("Access 2007 and later"), std::string::npos) << f.message;
  EXPECT_NE(f.message.find("not supported yet"), std::string::npos) << f.message;
}

TEST(DatabaseOpen, SaysWhenAFileIsNotADatabase) {
  QB_REQUIRE_CORPUS();
  qbtest::TempDir dir;
  const auto text = dir / "notes.mdb";
  std::ofstream(text) << "These are not the tables you are looking for.\n";
  Failure f = openFailure(text);
  EXPECT_EQ(f.code, jet::ErrorCode::InvalidArgument);
  EXPECT_NE(f.message.find("not an Access database"), std::string::npos) << f.message;
  EXPECT_NE(f.message.find("notes.mdb"), std::string::npos) << f.message;

  const auto empty = dir / "empty.mdb";
  std::ofstream{empty};
  f = openFailure(empty);
  EXPECT_EQ(f.code, jet::ErrorCode::InvalidArgument);
  EXPECT_NE(f.message.find("empty"), std::string::npos) << f.message;

  f = openFailure(dir / "missing.mdb");
  EXPECT_EQ(f.code, jet::ErrorCode::NotFound);
  f = openFailure(dir.path());
  EXPECT_EQ(f.code, jet::ErrorCode::InvalidArgument);
}

TEST(DatabaseOpen, TruncatedFilesAreDamagedNotForeign) {
  QB_REQUIRE_CORPUS();
  const Bytes whole = corpusBytes("jackcess-V2000-testV2000.mdb");
  // Cut inside the header page, right after it, and inside the catalog's pages.
  for (std::size_t size :
       {std::size_t{100}, std::size_t{4096}, std::size_t{3 * 4096 + 10}, std::size_t{14 * 4096}}) {
    const Failure f =
        openImageFailure(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)));
    EXPECT_EQ(f.code, jet::ErrorCode::Corruption) << size << ": " << f.message;
    EXPECT_NE(f.message.find("image.mdb"), std::string::npos) << f.message;
  }
}

TEST(DatabaseOpen, PasswordsMustMatchExactly) {
  QB_REQUIRE_CORPUS();
  const auto path = qbtest::corpusFile("mdbreader-password-V2003_with-password.mdb");
  jet::OpenOptions options;
  options.readOnly = true;
  for (const std::u16string& wrong : {std::u16string(), std::u16string(u"PASSWORD"),
                                      std::u16string(u"passwor"), std::u16string(u"password ")}) {
    options.password = wrong;
    const Failure f = openFailure(path, options);
    EXPECT_EQ(f.code, jet::ErrorCode::InvalidArgument);
    EXPECT_NE(f.message.find("Not a valid password"), std::string::npos) << f.message;
    EXPECT_NE(f.message.find("with-password.mdb"), std::string::npos) << f.message;
  }
  options.password = u"password";
  auto db = jet::Database::open(path, options);
  EXPECT_TRUE(db->info().hasPassword);
  auto table = db->table(u"Table1");
  EXPECT_EQ(table->rowIds().size(), 3u);
  EXPECT_EQ(table->readValue(table->rowIds()[2], 1), jet::Value::text(u"Three"));

  // A file without a password opens with an empty one (and ignores one given).
  options.password = u"";
  EXPECT_FALSE(jet::Database::open(qbtest::corpusFile("jackcess-empty.mdb"), options)->info().hasPassword);
  options.password = u"anything";
  EXPECT_NO_THROW(jet::Database::open(qbtest::corpusFile("jackcess-empty.mdb"), options));
}

TEST(DatabaseOpen, ReadsPageEncodedDatabases) {
  QB_REQUIRE_CORPUS();
  jet::OpenOptions options;
  options.readOnly = true;
  auto db = jet::Database::open(qbtest::corpusFile("jackcessencrypt-db-enc.mdb"), options);
  EXPECT_EQ(db->info().databaseKey, 0xA7B773E0u);
  auto table = db->table(u"Table1");
  std::vector<std::u16string> words;
  table->scan([&](jet::RowId, const std::vector<jet::Value>& v) {
    words.push_back(v[1].asText());
    return true;
  });
  EXPECT_EQ(words, (std::vector<std::u16string>{u"hello", u"world"}));
}

TEST(DatabaseOpen, HeaderFactsAreReported) {
  QB_REQUIRE_CORPUS();
  jet::OpenOptions options;
  options.readOnly = true;
  auto db = jet::Database::open(qbtest::corpusFile("jackcess-empty.mdb"), options);
  const jet::DatabaseInfo& info = db->info();
  EXPECT_EQ(info.format, jet::FileFormat::Jet4);
  EXPECT_EQ(info.codePage, 1252);
  EXPECT_EQ(info.sortOrder, 0x0409);
  EXPECT_EQ(info.sortOrderVersion, 0);
  EXPECT_EQ(info.databaseKey, 0u);
  EXPECT_EQ(jet::toIsoString(info.created).substr(0, 4), "2004");
}

TEST(DatabaseOpen, UnwritableFilesOpenReadOnlyWithAReason) {
  QB_REQUIRE_CORPUS();
  qbtest::TempDir dir;
  const auto path = dir.copyCorpusFile("jackcess-V2000-testV2000.mdb");
  {
    auto writable = jet::Database::open(path);
    EXPECT_FALSE(writable->isReadOnly());
    EXPECT_EQ(writable->readOnlyReason(), "");
    // While it has the file open, a second open may write too: writes
    // take turns.
    auto second = jet::Database::open(path);
    EXPECT_FALSE(second->isReadOnly());
    EXPECT_EQ(second->table(u"Table1")->rowIds().size(), 2u);
  }
  jet::OpenOptions options;
  options.readOnly = true;
  auto asked = jet::Database::open(path, options);
  EXPECT_TRUE(asked->isReadOnly());
  EXPECT_FALSE(asked->readOnlyReason().empty());

  std::filesystem::permissions(path,
                               std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  if (::geteuid() == 0) GTEST_SKIP() << "root can write any file";
  auto protectedFile = jet::Database::open(path);
  EXPECT_TRUE(protectedFile->isReadOnly());
  EXPECT_NE(protectedFile->readOnlyReason().find("cannot be written"), std::string::npos)
      << protectedFile->readOnlyReason();
}

TEST(DatabaseOpen, LinkedTablesAreListedButNotOpened) {
  QB_REQUIRE_CORPUS();
  jet::OpenOptions options;
  options.readOnly = true;
  auto db = jet::Database::open(qbtest::corpusFile("ucanaccess-linked.mdb"), options);
  const jet::CatalogObject* linked = nullptr;
  for (const auto& o : db->catalog()) {
    if (o.type == 6 && !linked) linked = &o;
  }
  ASSERT_NE(linked, nullptr);
  EXPECT_FALSE(linked->linkedDatabase.empty());
  EXPECT_FALSE(db->hasTable(linked->name));
  try {
    db->table(linked->name);
    FAIL();
  } catch (const jet::Error& e) {
    EXPECT_EQ(e.code(), jet::ErrorCode::Unsupported);
    EXPECT_NE(std::string(e.what()).find(jet::toUtf8(linked->linkedDatabase)), std::string::npos) << e.what();
  }
}

TEST(DatabaseOpen, ObjectNamesWithSpacesAndPunctuation) {
  QB_REQUIRE_CORPUS();
  jet::OpenOptions options;
  options.readOnly = true;
  auto db = jet::Database::open(qbtest::corpusFile("ucanaccess-weirdObjectNames.mdb"), options);
  auto table = db->table(u"19 mb 01 bezahlt ???");
  EXPECT_EQ(table->name(), u"19 MB 01 BEZAHLT ???");
  EXPECT_EQ(table->rowIds().size(), 1u);
}

}  // namespace
