// TargetWriter: one migration's connection to its target, inside one
// transaction from open to commit. Destroying a writer that was not
// committed leaves the target as it was (PostgreSQL: the transaction is
// rolled back; SQLite: the new file is removed).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "migrate/ddl.h"
#include "migrate/schema_plan.h"
#include "migrate/target.h"

namespace qbmigrate {

// A failure of the migration, with a message for people.
class MigrationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What loading the rows of one table reports and where the time went.
struct LoadContext {
  std::function<void(std::uint64_t rowsOfTable)> progress;  // called every few thousand rows
  std::uint64_t rows = 0;           // rows loaded, all tables
  std::size_t replacedUnits = 0;    // unpaired UTF-16 surrogates written as U+FFFD
  std::chrono::steady_clock::duration targetTime{};  // spent waiting on the target (libpq, SQLite)
};

class TargetWriter {
 public:
  virtual ~TargetWriter() = default;
  virtual void execute(const std::string& sql) = 0;
  virtual bool tableExists(const Ddl& ddl, const TableDdl& table) = 0;
  // Loads every row of the table in one bulk operation.
  virtual void load(const TablePlan& table, const TableDdl& ddl, LoadContext& context) = 0;
  // Checks what must hold before the run is made visible, then makes it so.
  virtual void commit(LoadContext& context) = 0;
};

std::unique_ptr<TargetWriter> openPostgresWriter(const Target& target);
std::unique_ptr<TargetWriter> openSqliteWriter(const Target& target);

// "table T, column C, row N: " for messages about one value.
std::string valuePlace(const TablePlan& table, std::size_t column, std::uint64_t row);

// Times a call into the target and adds it to `total`.
template <typename F>
auto timed(std::chrono::steady_clock::duration& total, F&& f) {
  const auto start = std::chrono::steady_clock::now();
  struct Add {
    std::chrono::steady_clock::duration& total;
    std::chrono::steady_clock::time_point start;
    ~Add() { total += std::chrono::steady_clock::now() - start; }
  } add{total, start};
  return f();
}

}  // namespace qbmigrate
