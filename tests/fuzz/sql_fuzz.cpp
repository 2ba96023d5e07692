// libFuzzer target: treats the input as SQL text and prepares, explains and
// runs it against a small database (two tables with rows, indexes, Nulls).
// Action and data-definition statements run inside a transaction that is
// rolled back afterwards, so every input meets the same database. Statements
// that name another database (IN '...') are prepared but not run: the fuzzer
// must not write to files elsewhere on the machine.
// Engine errors are fine; a crash, a hang, a stack overflow, undefined
// behaviour or an exception other than jet::Error is a finding. Each run has a
// row budget, so a statement that would run for hours (a cross join of ten
// tables) stops with an error instead.
//
// Run by hand for longer, e.g.:
//   build-asan/tests/sql_fuzz -max_total_time=3600 -max_len=4000 work/ ../tests/fuzz/sql_seeds
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "jet/database.h"
#include "jet/error.h"
#include "jet/statement.h"
#include "jet/table.h"
#include "jet/text.h"

namespace {

jet::ColumnSpec column(const char16_t* name, jet::DataType type, std::uint16_t size = 0) {
  jet::ColumnSpec c;
  c.name = name;
  c.type = type;
  c.size = size;
  return c;
}

jet::IndexSpec index(const char16_t* name, const char16_t* column, bool primary) {
  jet::IndexSpec i;
  i.name = name;
  i.primaryKey = primary;
  i.columns = {{column, true}};
  return i;
}

// The database every input runs against, made once.
jet::Database& database() {
  static std::unique_ptr<jet::Database> db = [] {
    char folder[] = "/tmp/qb-sql-fuzz-XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    const std::filesystem::path path = std::filesystem::path(folder) / "fuzz.mdb";
    {
      auto writable = jet::Database::create(path);
      jet::TableSpec t;
      t.name = u"T";
      t.columns = {column(u"ID", jet::DataType::Long),     column(u"Name", jet::DataType::Text, 20),
                   column(u"X", jet::DataType::Double),    column(u"D", jet::DataType::DateTime),
                   column(u"C", jet::DataType::Currency),  column(u"B", jet::DataType::Boolean),
                   column(u"M", jet::DataType::Memo)};
      t.indexes = {index(u"PrimaryKey", u"ID", true), index(u"Name", u"Name", false)};
      jet::TableSpec u;
      u.name = u"U";
      u.columns = {column(u"ID", jet::DataType::Long), column(u"TID", jet::DataType::Long),
                   column(u"V", jet::DataType::Text, 10)};
      u.indexes = {index(u"TID", u"TID", false)};
      auto tt = writable->createTable(t);
      auto ut = writable->createTable(u);
      writable->beginTransaction();
      for (int i = 1; i <= 40; ++i) {
        std::vector<jet::Value> row{jet::Value::longInt(i),
                                    i % 9 == 0 ? jet::Value() : jet::Value::text(i % 2 ? u"abc" : u"ABD"),
                                    i % 5 == 0 ? jet::Value() : jet::Value::dbl(i / 3.0),
                                    jet::Value::dateTime(jet::DateTime{37000.0 + i}),
                                    jet::Value::currency(jet::Currency{i * 12345}),
                                    jet::Value::boolean(i % 3 == 0),
                                    i % 4 == 0 ? jet::Value::text(u"memo") : jet::Value()};
        tt->insertRow(row);
      }
      for (int i = 1; i <= 60; ++i) {
        std::vector<jet::Value> row{jet::Value::longInt(i), i % 7 == 0 ? jet::Value() : jet::Value::longInt(i % 45),
                                    jet::Value::text(i % 2 ? u"x" : u"Y")};
        ut->insertRow(row);
      }
      writable->commitTransaction();
    }
    // Writable (the journal of the rolled-back writes lives in the folder),
    // and the folder goes when the process ends.
    static const std::string made = folder;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(made, ignored);
    });
    return jet::Database::open(path);
  }();
  return *db;
}

// Whether the text names another database: IN followed by a quoted name.
bool namesAnotherDatabase(std::string_view text) {
  for (std::size_t i = 0; i + 2 < text.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != 'I' ||
        std::toupper(static_cast<unsigned char>(text[i + 1])) != 'N') {
      continue;
    }
    std::size_t j = i + 2;
    while (j < text.size() && std::isspace(static_cast<unsigned char>(text[j]))) ++j;
    if (j < text.size() && (text[j] == '\'' || text[j] == '"')) return true;
  }
  return false;
}

jet::DateTime fixedNow() { return jet::fromCivil({2003, 6, 15, 10, 30, 45, 0}); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  jet::Database& db = database();
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const std::u16string text = jet::fromUtf8(raw);
  try {
    jet::Statement statement = jet::Statement::prepare(db, text);
    for (const jet::StatementParameter& p : statement.parameters()) {
      statement.setParameter(p.name, p.type ? jet::Value() : jet::Value::text(u"1"));
    }
    (void)statement.explain();
    jet::ExecuteOptions options;
    options.clock = fixedNow;
    options.rowBudget = 20000;
    if (!statement.returnsRows()) {
      if (namesAnotherDatabase(raw)) return 0;
      db.beginTransaction();
      try {
        (void)statement.run(options);
      } catch (const jet::Error&) {
      }
      // A failure the statement could not undo alone ends the transaction.
      if (db.inTransaction()) db.rollbackTransaction();
      return 0;
    }
    auto cursor = statement.execute(options);
    for (int rows = 0; rows < 2000 && cursor->next(); ++rows) {
      (void)cursor->rowId();
    }
    if (size % 3 == 0) {
      auto all = statement.executeAll(options);
      for (std::size_t i = 0; i < all->size() && i < 50; ++i) (void)all->row(i);
    }
  } catch (const jet::Error&) {
  }
  return 0;
}
