// The tests' PostgreSQL connection; see postgres_server.h.
#include "migrate/postgres_server.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace qbtest {

std::string postgresUrl() {
  const char* url = std::getenv("QB_TEST_POSTGRES");
  return url ? url : "";
}

PostgresSession::PostgresSession(const std::string& schema) : schema_(schema) {
  conn_ = PQconnectdb(postgresUrl().c_str());
  if (PQstatus(conn_) != CONNECTION_OK) {
    ADD_FAILURE() << "cannot connect to " << postgresUrl() << ": " << PQerrorMessage(conn_);
    return;
  }
  PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
  exec("DROP SCHEMA IF EXISTS \"" + schema_ + "\" CASCADE");
  exec("CREATE SCHEMA \"" + schema_ + "\"");
}

PostgresSession::~PostgresSession() { PQfinish(conn_); }

std::string PostgresSession::qualified(const std::string& table) const {
  std::string out = "\"" + schema_ + "\".\"";
  for (char c : table) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string PostgresSession::tryExec(const std::string& sql) {
  PGresult* result = PQexec(conn_, sql.c_str());
  const ExecStatusType status = PQresultStatus(result);
  std::string message;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    message = PQresultErrorMessage(result);
    if (message.empty()) message = PQerrorMessage(conn_);
  }
  PQclear(result);
  return message;
}

void PostgresSession::exec(const std::string& sql) {
  const std::string error = tryExec(sql);
  ASSERT_EQ(error, "") << sql;
}

std::string PostgresSession::scalar(const std::string& sql) {
  PGresult* result = PQexec(conn_, sql.c_str());
  std::string value = "<error>";
  if (PQresultStatus(result) != PGRES_TUPLES_OK) {
    ADD_FAILURE() << sql << ": " << PQresultErrorMessage(result);
  } else if (PQntuples(result) > 0 && PQnfields(result) > 0) {
    value = PQgetisnull(result, 0, 0) ? "<null>" : PQgetvalue(result, 0, 0);
  }
  PQclear(result);
  return value;
}

}  // namespace qbtest
