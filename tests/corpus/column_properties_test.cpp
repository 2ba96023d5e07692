// Column properties the engine reads from the catalog (DefaultValue,
// AllowZeroLength, ValidationRule), cross-checked on every corpus file that
// mdbtools can read with what its mdb-prop prints for each column.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>

#include "corpus/mdbtools.h"
#include "jet/database.h"
#include "jet/table.h"
#include "jet/text.h"
#include "support/test_files.h"

namespace qbtest {
namespace {

using Properties = std::map<std::string, std::map<std::string, std::string>>;  // column -> name -> value

// mdb-prop FILE TABLE: blocks of "name: COLUMN" followed by "\tPROPERTY: VALUE" lines.
std::optional<Properties> mdbProp(const std::filesystem::path& file, const std::string& table) {
  const std::string command = "mdb-prop '" + file.string() + "' '" + table + "' 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return std::nullopt;
  Properties out;
  std::string current;
  char line[8192];
  bool any = false;
  while (std::fgets(line, sizeof line, pipe.get())) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.starts_with("name: ")) {
      current = text.substr(6);
      any = true;
    } else if (text.starts_with("\t")) {
      const std::size_t colon = text.find(": ");
      if (colon != std::string::npos) out[current][text.substr(1, colon - 1)] = text.substr(colon + 2);
    }
  }
  if (!any) return std::nullopt;
  return out;
}

class ColumnProperties : public ::testing::TestWithParam<CorpusFile> {};

TEST_P(ColumnProperties, AgreeWithMdbProp) {
  QB_REQUIRE_CORPUS();
  if (!mdbtoolsAvailable()) GTEST_SKIP() << "mdbtools is not installed";
  if (GetParam().password[0] != u'\0') GTEST_SKIP() << "mdb-prop cannot open a file with a password";
  const auto file = corpusFile(GetParam().name);
  jet::OpenOptions options;
  options.readOnly = true;
  auto db = jet::Database::open(file, options);
  std::size_t checked = 0;
  for (const jet::TableListEntry& entry : db->listTables(false)) {
    if (entry.kind != jet::TableKind::Table) continue;
    const std::string table = jet::toUtf8(entry.name);
    const auto theirs = mdbProp(file, table);
    if (!theirs) continue;  // mdbtools reads no properties for it
    for (const jet::ColumnDef& c : db->table(entry.name)->columns()) {
      const std::string column = jet::toUtf8(c.name);
      SCOPED_TRACE(table + "." + column);
      const auto it = theirs->find(column);
      const std::map<std::string, std::string> none;
      const auto& props = it == theirs->end() ? none : it->second;
      auto value = [&](const char* name) {
        const auto p = props.find(name);
        return p == props.end() ? std::string() : p->second;
      };
      EXPECT_EQ(jet::toUtf8(c.defaultValue), value("DefaultValue"));
      EXPECT_EQ(jet::toUtf8(c.validationRule), value("ValidationRule"));
      const std::string zeroLength = value("AllowZeroLength");
      EXPECT_EQ(c.allowZeroLength, zeroLength != "no") << zeroLength;
      ++checked;
    }
  }
  RecordProperty("columns", static_cast<int>(checked));
}

INSTANTIATE_TEST_SUITE_P(Jet4, ColumnProperties, ::testing::ValuesIn(jet4CorpusFiles()),
                         [](const auto& param) { return corpusTestName(param.param); });

}  // namespace
}  // namespace qbtest
