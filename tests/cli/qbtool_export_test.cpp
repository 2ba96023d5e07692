// qbtool export formats over copies of real files: CSV quoting (commas,
// quotes, line breaks, Null against the empty text), TSV escapes, JSON
// escapes and value types, and the text of each value kind.
#include <gtest/gtest.h>

#include <algorithm>

#include "corpus_copies.h"
#include "csv_reader.h"
#include "process_runner.h"
#include "support/test_files.h"

namespace {

using qbtest::parseCsv;
using qbtest::runQbtool;

class QbtoolExport : public qbtest::CorpusCopies {
 protected:
  std::string exportTable(const std::string& file, const std::string& table, std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"export", copy(file), table};
    args.insert(args.end(), extra.begin(), extra.end());
    const auto r = runQbtool(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    out.push_back(text.substr(start, nl - start));
  }
  EXPECT_EQ(start, text.size()) << "output does not end with a line break";
  return out;
}

// The saved-query rows hold SQL with quotes, commas and CR LF line breaks.
constexpr const char* kQueries = "jackcess-V2000-queryTestV2000.mdb";
constexpr const char* kUnionPart1 =
    "Select Table1.col1, Table1.col2\r\nwhere Table1.col1 = \"foo\"\r\nUNION\r\nSelect Table2.col1, Table2.col2\r\n";

TEST_F(QbtoolExport, CsvQuotesOnlyWhereNeededAndRoundTrips) {
  const std::string out = exportTable(kQueries, "MSysQueries");
  EXPECT_EQ(out.substr(0, out.find('\n')), "ObjectId,Attribute,Order,Name1,Name2,Expression,Flag,LvExtra");
  const auto records = parseCsv(out);
  ASSERT_GT(records.size(), 90u);
  bool sawUnionPart = false;
  for (std::size_t i = 1; i < records.size(); ++i) {
    ASSERT_EQ(records[i].size(), 8u) << "record " << i;
    // Numbers and binary values are never quoted; Null is an empty unquoted field.
    EXPECT_FALSE(records[i][0].quoted);
    EXPECT_FALSE(records[i][2].quoted);
    EXPECT_EQ(records[i][2].text.size(), 8u);
    EXPECT_EQ(records[i][7], qbtest::CsvField{});
    if (records[i][4].text == "X7YZ_____1") {
      sawUnionPart = true;
      EXPECT_TRUE(records[i][5].quoted);
      EXPECT_EQ(records[i][5].text, kUnionPart1);
      EXPECT_FALSE(records[i][4].quoted);  // plain text needs no quotes
    }
  }
  EXPECT_TRUE(sawUnionPart);
  EXPECT_NE(out.find(",\"(((Table1.col1)>\"\"blah\"\"))\","), std::string::npos);
}

TEST_F(QbtoolExport, CsvWritesEveryKindOfValue) {
  auto out = exportTable("jackcess-V2000-testV2000.mdb", "Table1");
  EXPECT_EQ(lines(out), (std::vector<std::string>{
                            "A,B,C,D,E,F,G,H,I",
                            "abcdefg,hijklmnop,2,222,333333333,444.555,1974-09-21T00:00:00,3.5000,true",
                            "a,b,0,0,0,0,1981-12-12T00:00:00,0.0000,false",
                        }));
  // Exact decimals, hexadecimal binary, UTF-8 text.
  out = exportTable("jackcess-V2000-fixedNumericTestV2000.mdb", "test");
  EXPECT_EQ(lines(out).at(1), "some data,1,0,0,4,-1,1");
  out = exportTable("jackcess-V2000-test2V2000.mdb", "MSP_PROJECTS");
  EXPECT_NE(out.find(",151C2D00020000000900100014001D00FFFFFFFF446F63756D656E7400"), std::string::npos);
  EXPECT_NE(out.find(",£,"), std::string::npos);
  out = exportTable("jackcess-V2000-indexTestV2000.mdb", "MSysNameMap", {"--no-header"});
  EXPECT_NE(out.find(",{8F096CA0-FC16-4288-801E-119F26C0B6FC},"), std::string::npos) << out;
  out = exportTable("jackcess-V2003-testUnicodeCompV2003.mdb", "Table");
  EXPECT_NE(out.find("\n2,ääkkösiä\n3,Мир\n4,\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C "
                     "\u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1\n5,漢字仮名交じり文\n"),
            std::string::npos)
      << out;
  // Control characters, quotes and commas in one value: quoted, and read back unchanged.
  const auto records = parseCsv(out);
  ASSERT_EQ(records.size(), 9u);
  EXPECT_TRUE(records[8][1].quoted);
  const std::string& mixed = records[8][1].text;
  EXPECT_TRUE(mixed.starts_with("\x01\x02\x03")) << mixed;
  for (char c : {'\t', '\n', '"', ','}) EXPECT_NE(mixed.find(c), std::string::npos) << int(c);
}

TEST_F(QbtoolExport, CsvHeaderAndLineEndOptions) {
  EXPECT_EQ(exportTable("jackcess-V2000-testV2000.mdb", "Table3"), "a,b\n");
  EXPECT_EQ(exportTable("jackcess-V2000-testV2000.mdb", "Table3", {"--no-header"}), "");
  const std::string crlf = exportTable("jackcess-V2000-testV2000.mdb", "Table1", {"--crlf", "--no-header"});
  EXPECT_EQ(crlf,
            "abcdefg,hijklmnop,2,222,333333333,444.555,1974-09-21T00:00:00,3.5000,true\r\n"
            "a,b,0,0,0,0,1981-12-12T00:00:00,0.0000,false\r\n");
  // Inside quotes line breaks stay as stored, whatever the line ends.
  const auto records = parseCsv(exportTable(kQueries, "MSysQueries", {"--crlf"}));
  EXPECT_TRUE(std::any_of(records.begin(), records.end(),
                          [](const auto& r) { return r.size() == 8 && r[5].text == kUnionPart1; }));
}

TEST_F(QbtoolExport, TsvEscapesTabsLineBreaksAndBackslashes) {
  const std::string out = exportTable(kQueries, "MSysQueries", {"--format", "tsv"});
  const auto all = lines(out);
  const auto csvRecords = parseCsv(exportTable(kQueries, "MSysQueries"));
  ASSERT_EQ(all.size(), csvRecords.size());
  EXPECT_EQ(all[0], "ObjectId\tAttribute\tOrder\tName1\tName2\tExpression\tFlag\tLvExtra");
  for (const std::string& line : all) {
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 7) << line;
    EXPECT_EQ(line.find('\r'), std::string::npos);
  }
  EXPECT_NE(out.find("\tX7YZ_____1\tSelect Table1.col1, Table1.col2\\r\\nwhere Table1.col1 = \"foo\"\\r\\nUNION"),
            std::string::npos);
  // Null is an empty field (TSV cannot tell it from the empty text).
  EXPECT_NE(out.find("\t\t\t\t0\t\n"), std::string::npos);
}

TEST_F(QbtoolExport, JsonHasTypedValuesAndEscapes) {
  std::string out = exportTable("jackcess-V2000-testV2000.mdb", "Table1", {"--format=json"});
  EXPECT_EQ(out,
            "[\n"
            "{\"A\":\"abcdefg\",\"B\":\"hijklmnop\",\"C\":2,\"D\":222,\"E\":333333333,\"F\":444.555,"
            "\"G\":\"1974-09-21T00:00:00\",\"H\":3.5000,\"I\":true},\n"
            "{\"A\":\"a\",\"B\":\"b\",\"C\":0,\"D\":0,\"E\":0,\"F\":0,\"G\":\"1981-12-12T00:00:00\",\"H\":0.0000,"
            "\"I\":false}\n"
            "]\n");
  out = exportTable("jackcess-V2000-testV2000.mdb", "Table1", {"--format=json", "--no-header"});
  EXPECT_EQ(out.substr(0, out.find('\n', 2)), "[\n[\"abcdefg\",\"hijklmnop\",2,222,333333333,444.555,"
                                               "\"1974-09-21T00:00:00\",3.5000,true],");
  EXPECT_EQ(exportTable("jackcess-V2000-testV2000.mdb", "Table3", {"--format", "json"}), "[\n]\n");

  out = exportTable(kQueries, "MSysQueries", {"--format", "json"});
  EXPECT_NE(out.find("\"Name2\":\"X7YZ_____1\",\"Expression\":\"Select Table1.col1, Table1.col2\\r\\nwhere "
                     "Table1.col1 = \\\"foo\\\"\\r\\nUNION"),
            std::string::npos);
  EXPECT_NE(out.find("\"Order\":\"00000001\""), std::string::npos) << "binary as a hexadecimal string";
  EXPECT_NE(out.find("\"Name1\":null"), std::string::npos);
  // The pass-through text ends in a NUL, which JSON writes as an escape.
  EXPECT_NE(out.find("DROP COLUMN col5;\\u0000\""), std::string::npos);
}

TEST_F(QbtoolExport, OutputThatCannotBeWrittenIsAFailure) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const std::string command = std::string(QB_QBTOOL) + " export '" + copy("jackcess-V2000-compIndexTestV2000.mdb") +
                              "' Table1 >/dev/full";
  const auto r = qbtest::runProcess({"sh", "-c", command});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("qbtool: cannot write the output: No space left on device"), std::string::npos) << r.err;
}

TEST_F(QbtoolExport, EncodedAndPasswordProtectedFilesExport) {
  EXPECT_GT(lines(exportTable("jackcessencrypt-db-enc.mdb", "Table1")).size(), 1u);
  const auto out = exportTable("mdbreader-password-V2003_with-password.mdb", "Table1", {"--password", "password"});
  EXPECT_EQ(lines(out).size(), 4u);
}

}  // namespace
