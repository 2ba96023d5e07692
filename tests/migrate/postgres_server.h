// The PostgreSQL server the migration tests run against: the one
// scripts/with_postgres.sh starts and names in QB_TEST_POSTGRES. Tests that
// need it are skipped, saying so, when that variable is not set (a partial
// build run by hand); scripts/test.sh always sets it.
#pragma once

#include <libpq-fe.h>

#include <memory>
#include <string>

namespace qbtest {

// The server's URL, or empty when no server was started for the tests.
std::string postgresUrl();

// A connection for checking what a migration left, with its own schema per test.
class PostgresSession {
 public:
  // Connects (failing the test when the server named cannot be reached) and
  // makes a fresh, empty schema named `schema`.
  explicit PostgresSession(const std::string& schema);
  ~PostgresSession();
  PostgresSession(const PostgresSession&) = delete;
  PostgresSession& operator=(const PostgresSession&) = delete;

  PGconn* get() const { return conn_; }
  const std::string& schema() const { return schema_; }
  // "schema"."table"
  std::string qualified(const std::string& table) const;

  // Runs a statement; returns the server's error message, empty on success.
  std::string tryExec(const std::string& sql);
  // Runs a statement that must succeed (fails the test otherwise).
  void exec(const std::string& sql);
  // The first column of the first row, or "<null>"; fails the test on an error.
  std::string scalar(const std::string& sql);

 private:
  PGconn* conn_ = nullptr;
  std::string schema_;
};

}  // namespace qbtest

// Skips the test when the tests were started without a PostgreSQL server.
#define QB_REQUIRE_POSTGRES()                                                                      \
  do {                                                                                             \
    if (::qbtest::postgresUrl().empty())                                                           \
      GTEST_SKIP() << "no PostgreSQL server for the tests: run them through scripts/with_postgres.sh " \
                      "(scripts/test.sh does)";                                                   \
  } while (0)
