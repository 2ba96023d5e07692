// qbtool export against mdbtools' mdb-export: every table (system tables
// included) of every Jet 4 file in the corpus, value by value. Both sides are
// brought to one form first: booleans, dates to the second, floating point
// within its precision, decimals without trailing zeros, binary case.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>

#include "csv_reader.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/text.h"
#include "process_runner.h"
#include "support/test_files.h"

namespace {

using jet::DataType;
using qbtest::CsvField;

bool mdbExportAvailable() {
  static const bool available = [] {
    try {
      return qbtest::runProcess({"mdb-export", "--version"}).exitCode == 0;
    } catch (const std::exception&) {
      return false;
    }
  }();
  return available;
}

bool isNull(const CsvField& f) { return !f.quoted && f.text.empty(); }

std::optional<double> number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (*end != '\0') return std::nullopt;
  return v;
}

// Seconds since 1970 of "YYYY-MM-DDTHH:MM:SS[.mmm]", rounded to the second.
std::optional<long long> isoSeconds(const std::string& text) {
  std::tm tm{};
  int ms = 0;
  const int n = std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%d.%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                            &tm.tm_hour, &tm.tm_min, &tm.tm_sec, &ms);
  if (n < 6) return std::nullopt;
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  return static_cast<long long>(timegm(&tm)) + (ms >= 500 ? 1 : 0);
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Decimal text without trailing fraction zeros ("136655.00" -> "136655").
std::string plainDecimal(std::string s) {
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

std::string fromHex(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  }
  return out;
}

// Whether qbtool's and mdb-export's text of one value agree; `why` explains a
// difference.
bool sameValue(DataType type, const CsvField& ours, const CsvField& theirs, std::string& why) {
  const bool binary = type == DataType::Binary || type == DataType::Ole || type == DataType::Unknown0D;
  if (binary && isNull(theirs) && ours.text.starts_with("00")) return true;  // cut at a zero byte: see below
  if (isNull(ours) || isNull(theirs)) {
    why = "Null on one side only";
    return isNull(ours) == isNull(theirs);
  }
  const std::string& a = ours.text;
  const std::string& b = theirs.text;
  switch (type) {
    case DataType::Boolean:
      return (a == "true" && b == "1") || (a == "false" && b == "0");
    case DataType::Single:
    case DataType::Double: {
      const auto x = number(a);
      const auto y = number(b);
      if (!x || !y) return false;
      // mdb-export prints Single values through a double with 6 to 7
      // significant digits and Double values with up to 16.
      const double tolerance = type == DataType::Single ? 1e-6 : 1e-14;
      return *x == *y || std::fabs(*x - *y) <= tolerance * std::max(std::fabs(*x), std::fabs(*y));
    }
    case DataType::DateTime: {
      const auto x = isoSeconds(a);
      const auto y = isoSeconds(b);
      // mdb-export drops the milliseconds; ours rounds to the millisecond.
      return x && y && std::llabs(*x - *y) <= 1;
    }
    case DataType::Numeric: return plainDecimal(a) == plainDecimal(b);
    case DataType::Binary:
    case DataType::Ole:
    case DataType::Unknown0D: {
      // mdb-export treats binary values as C strings: it stops at the first
      // zero byte (SIDs in MSysACEs, the 00 00 00 01 sequence numbers of
      // MSysQueries). Ours must then go on with that zero byte.
      const std::string x = upper(a);
      const std::string y = upper(b);
      why = "mdb-export's value is not cut at a zero byte of ours";
      return x == y || (y.size() % 2 == 0 && x.starts_with(y) && x.compare(y.size(), 2, "00") == 0);
    }
    case DataType::Text:
    case DataType::Memo:
      // Likewise for text holding a NUL (Access leaves one at the end of
      // pass-through and data-definition SQL): mdb-export stops there.
      why = "the texts differ";
      return a == b || (a.find('\0') != std::string::npos && a.substr(0, a.find('\0')) == b);
    case DataType::Guid: {
      // mdb-export's hexadecimal mode also applies to GUIDs: it writes the
      // hexadecimal digits of the GUID's text, and that text lacks the dash
      // between the fourth and fifth groups.
      auto digits = [](std::string t) {
        std::erase(t, '-');
        return upper(t);
      };
      return digits(a) == digits(b.starts_with("7B") ? fromHex(b) : b);
    }
    default: return a == b;
  }
}

struct TableCase {
  std::string file;
  std::string table;
};

std::vector<TableCase> jet4Tables(const qbtest::TempDir& dir) {
  std::vector<TableCase> out;
  for (const auto& entry : std::filesystem::directory_iterator(qbtest::corpusDir())) {
    if (entry.path().extension() != ".mdb") continue;
    const std::string name = entry.path().filename().string();
    jet::OpenOptions options;
    options.readOnly = true;
    if (name.find("password") != std::string::npos) options.password = u"password";
    std::unique_ptr<jet::Database> db;
    try {
      db = jet::Database::open(dir.copyCorpusFile(name), options);
    } catch (const jet::Error& e) {
      if (e.code() == jet::ErrorCode::Unsupported) continue;
      throw;
    }
    // Access 97 files are compared with mdb-export in the corpus tests, which
    // know where its text conversion differs (bytes code page 1252 leaves undefined).
    if (db->info().format != jet::FileFormat::Jet4) continue;
    for (const auto& t : db->listTables(true)) {
      if (t.kind != jet::TableKind::View) out.push_back({name, jet::toUtf8(t.name)});
    }
  }
  return out;
}

TEST(QbtoolMatchesMdbExport, EveryTableOfEveryJet4File) {
  QB_REQUIRE_CORPUS();
  if (!mdbExportAvailable()) GTEST_SKIP() << "mdb-export is not installed";
  qbtest::TempDir dir;
  const auto cases = jet4Tables(dir);
  ASSERT_GT(cases.size(), 40u);
  std::size_t valuesCompared = 0;

  for (const TableCase& c : cases) {
    SCOPED_TRACE(c.file + " / " + c.table);
    const std::string path = (dir / c.file).string();
    jet::OpenOptions options;
    options.readOnly = true;
    if (c.file.find("password") != std::string::npos) options.password = u"password";
    const auto db = jet::Database::open(path, options);
    const auto table = db->table(jet::fromUtf8(c.table));
    std::map<std::string, DataType> types;
    for (const auto& column : table->columns()) types[jet::toUtf8(column.name)] = column.type;

    std::vector<std::string> args{"export", path, c.table};
    if (!options.password.empty()) args.insert(args.end(), {"--password", "password"});
    const auto ours = qbtest::runQbtool(args);
    ASSERT_EQ(ours.exitCode, 0) << ours.err;
    const auto theirs = qbtest::runProcess({"mdb-export", "-b", "hex", "-T", "%Y-%m-%dT%H:%M:%S", path, c.table});
    ASSERT_EQ(theirs.exitCode, 0) << theirs.err;
    const auto a = qbtest::parseCsv(ours.out);
    const auto b = qbtest::parseCsv(theirs.out);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    ASSERT_EQ(a.size(), b.size()) << "row counts differ";

    // mdb-export may order the columns differently: match them by name.
    std::vector<std::size_t> theirColumn;
    for (const CsvField& name : a[0]) {
      auto it = std::find_if(b[0].begin(), b[0].end(), [&](const CsvField& f) { return f.text == name.text; });
      ASSERT_NE(it, b[0].end()) << "mdb-export lacks column " << name.text;
      theirColumn.push_back(static_cast<std::size_t>(it - b[0].begin()));
    }
    std::vector<DataType> columnTypes;
    for (const CsvField& name : a[0]) columnTypes.push_back(types.at(name.text));
    for (std::size_t row = 1; row < a.size(); ++row) {
      ASSERT_EQ(a[row].size(), a[0].size()) << "row " << row;
      ASSERT_EQ(b[row].size(), b[0].size()) << "row " << row;
    }

    // The differences between one of our rows and one of theirs, "" when none.
    auto differences = [&](const qbtest::CsvRecord& x, const qbtest::CsvRecord& y) {
      std::string out;
      for (std::size_t col = 0; col < x.size(); ++col) {
        // mdbtools cannot show Access's opaque 3992-byte blocks (type 0x11):
        // it prints nothing and warns "unsupported data type 17".
        if (columnTypes[col] == DataType::Unknown11) continue;
        std::string why;
        const CsvField& mine = x[col];
        const CsvField& other = y[theirColumn[col]];
        if (!sameValue(columnTypes[col], mine, other, why)) {
          out += "\n  column " + a[0][col].text + " (" + jet::dataTypeName(columnTypes[col]) + "): qbtool '" +
                 mine.text + "' mdb-export '" + other.text + "' " + why;
        }
      }
      return out;
    };

    // Rows are matched as a set: a row moved to another page (an overflow row)
    // keeps its place in our storage order, while mdb-export lists it where
    // its data now lies.
    std::vector<bool> matched(b.size(), false);
    for (std::size_t row = 1; row < a.size(); ++row) {
      std::size_t found = 0;
      if (!matched[row] && differences(a[row], b[row]).empty()) {
        found = row;
      } else {
        for (std::size_t other = 1; other < b.size() && found == 0; ++other) {
          if (!matched[other] && differences(a[row], b[other]).empty()) found = other;
        }
      }
      if (found == 0) {
        ADD_FAILURE() << "row " << row << " has no equal in mdb-export's output; against its row " << row << ":"
                      << differences(a[row], b[row]);
        continue;
      }
      matched[found] = true;
      valuesCompared += a[row].size();
    }
  }
  EXPECT_GT(valuesCompared, 1000u);
}

}  // namespace
