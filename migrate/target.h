// Where a migration goes: a PostgreSQL database named by a libpq connection
// URL, or an SQLite file; and the two SQL dialects the DDL is printed in.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qbmigrate {

enum class Dialect { PostgreSQL, SQLite };

// "postgresql" (or "postgres", "pg") and "sqlite"; nullopt for anything else.
std::optional<Dialect> parseDialect(std::string_view name);
const char* dialectName(Dialect dialect);

struct Target {
  Dialect dialect = Dialect::PostgreSQL;
  std::string connection;      // PostgreSQL: the URL as given, for libpq
  std::filesystem::path file;  // SQLite: the database file
};

// "postgresql://user@host:port/db" (also "postgres://") or "sqlite:PATH".
// Throws std::invalid_argument with a message for people otherwise.
Target parseTarget(std::string_view text);

// The target for messages: the URL without its password, or the SQLite path.
std::string describeTarget(const Target& target);

}  // namespace qbmigrate
