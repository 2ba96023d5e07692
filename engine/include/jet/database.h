// Database: one open .mdb file. Opening reads the header and the catalog only;
// tables are opened (their definitions read) on first use and rows are decoded
// when asked for. One Database object per open file; not thread-safe.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/value.h"

namespace jet {

class Table;

enum class FileFormat {
  Jet3,  // Access 97, 2048-byte pages
  Jet4,  // Access 2000-2003, 4096-byte pages
  Ace,   // Access 2007 and later (.accdb)
};

// How a new database is made: a blank Jet 4 file with the General sort order.
struct CreateOptions {
  std::u16string password;  // at most 20 characters; empty: no password
};

struct OpenOptions {
  std::u16string password;  // empty: the file must have no password
  bool readOnly = false;    // open without write access even when the file is writable
};

// Facts from the file header.
struct DatabaseInfo {
  FileFormat format = FileFormat::Jet4;
  std::uint32_t pageSize = 4096;
  std::uint32_t pageCount = 0;
  std::uint16_t codePage = 0;          // 1252 in Western files
  std::uint16_t sortOrder = 0;         // LCID of the default sort order; 0x0409 = General
  std::uint8_t sortOrderVersion = 0;   // 0 = General legacy (Jet 4)
  DateTime created;                    // creation date from the header
  std::uint32_t databaseKey = 0;       // non-zero: pages are RC4-encoded
  bool hasPassword = false;
};

// One row of the catalog (MSysObjects).
struct CatalogObject {
  std::int32_t id = 0;        // a local table's id is its definition page
  std::int32_t parentId = 0;
  std::u16string name;
  std::int16_t type = 0;      // 1 local table, 2 database, 3 container, 4/6 linked table, 5 query, 8 relationship, ...
  std::uint32_t flags = 0;
  DateTime created;
  DateTime updated;
  std::u16string linkedDatabase;     // linked tables: path of the source database
  std::u16string linkedForeignName;  // linked tables: table name in the source
  bool isSystem() const { return (flags & 0x80000002u) != 0; }
};

enum class QueryKind {
  Select,
  MakeTable,
  Append,
  Update,
  Delete,
  Crosstab,
  DataDefinition,
  PassThrough,
  Union,
  Unknown,
};

const char* queryKindName(QueryKind kind) noexcept;

// A saved query with its SQL text rebuilt from MSysQueries.
struct SavedQuery {
  std::int32_t objectId = 0;
  std::u16string name;
  QueryKind kind = QueryKind::Unknown;
  bool hasParameters = false;
  std::u16string sql;
};

// What a name in the table list stands for.
enum class TableKind {
  SystemTable,
  Table,
  View,  // a saved select query without parameters
};

struct TableListEntry {
  std::u16string name;
  TableKind kind = TableKind::Table;
};

// A column of a table to be created.
struct ColumnSpec {
  std::u16string name;
  DataType type = DataType::Text;
  std::uint16_t size = 0;          // Text: characters (1-255, 0 = 255); Binary: bytes (1-255)
  std::uint8_t precision = 18;     // Numeric
  std::uint8_t scale = 0;          // Numeric
  bool required = false;
  bool allowZeroLength = true;     // Text and Memo
  bool autoNumber = false;         // Long only
  bool guidAutoNumber = false;     // Guid only
  bool compressedUnicode = true;   // Text and Memo
  bool hyperlink = false;          // Memo only
};

struct IndexColumnSpec {
  std::u16string column;
  bool ascending = true;
};

// An index of a table to be created.
struct IndexSpec {
  std::u16string name;
  std::vector<IndexColumnSpec> columns;
  bool primaryKey = false;  // implies unique and required
  bool unique = false;
  bool ignoreNulls = false;
  bool required = false;
};

struct TableSpec {
  std::u16string name;
  std::vector<ColumnSpec> columns;
  std::vector<IndexSpec> indexes;
};

class Database {
 public:
  // Opens a database file. Fails with a jet::Error: InvalidArgument for a file that
  // is not a database or a wrong or missing password, Unsupported for Jet 3 and ACE
  // files ("... not supported yet"), Io when the file cannot be read, Corruption for
  // a damaged header or catalog. A file that cannot be written (permissions, or
  // another process holds it for writing) opens read-only; see readOnlyReason().
  static std::unique_ptr<Database> open(const std::filesystem::path& path, const OpenOptions& options = {});

  // Creates a blank database (the system tables and catalog rows a new Access
  // 2000 file has, no user tables) and opens it for writing. The path must not
  // name an existing file: InvalidArgument says so and the file is not touched.
  // Io when the folder cannot be written; whatever fails, no partly written
  // file is left behind.
  static std::unique_ptr<Database> create(const std::filesystem::path& path, const CreateOptions& options = {});

  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::filesystem::path& path() const;
  const DatabaseInfo& info() const;

  bool isReadOnly() const;
  // Why the database is read-only ("the file is opened by another program", ...);
  // empty when writable.
  const std::string& readOnlyReason() const;

  // Every catalog row, in storage order.
  const std::vector<CatalogObject>& catalog() const;

  // Names in the order the program shows them: system tables (when asked for),
  // then user tables, then saved select queries without parameters; each group
  // sorted by name without regard to case. Linked tables are not listed.
  std::vector<TableListEntry> listTables(bool includeSystem) const;

  // Every saved query with its kind and SQL text, sorted by name.
  std::vector<SavedQuery> savedQueries() const;

  // True when a local table of that name exists (any case).
  bool hasTable(std::u16string_view name) const;

  // Opens a local table by name (any case), system tables included. Tables are
  // cached: asking twice gives the same object. NotFound when no such table;
  // Unsupported for a linked table (naming its source database).
  std::shared_ptr<Table> table(std::u16string_view name);

  // --- Write transactions ---
  // Groups several writes so they land together or not at all. Without an open
  // transaction every write is its own. Nested begin is an InvalidArgument error.
  void beginTransaction();
  void commitTransaction();
  void rollbackTransaction();
  bool inTransaction() const;

  // --- Schema changes ---
  std::shared_ptr<Table> createTable(const TableSpec& spec);
  void dropTable(std::u16string_view name);
  void createIndex(std::u16string_view table, const IndexSpec& spec);
  void dropIndex(std::u16string_view table, std::u16string_view index);

  // Implementation state (private to the engine).
  struct Impl;
  explicit Database(std::unique_ptr<Impl> impl);
  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace jet
