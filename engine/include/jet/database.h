// Database: one open .mdb file. Opening reads the header and the catalog only;
// tables are opened (their definitions read) on first use and rows are decoded
// when asked for. One Database object per open file; not thread-safe. The plain
// types it takes and gives are in jet/database_types.h.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/database_types.h"

namespace jet {

class Table;

class Database {
 public:
  // Opens a database file. Fails with a jet::Error: InvalidArgument for a file that
  // is not a database or a wrong or missing password, Unsupported for Jet 3 and ACE
  // files ("... not supported yet"), Io when the file cannot be read, Corruption for
  // a damaged header or catalog, Busy when another program keeps it busy longer
  // than the waits of `options`. A file that cannot be written (permissions,
  // read-only media) opens read-only; see readOnlyReason().
  //
  // Other programs may have the same file open, for reading and for writing:
  // each read sees one committed state, writes wait for one another, and a
  // commit by another program is noticed at the next read (see ReadLock). A
  // write a crashed program left unfinished is undone by the first opener that
  // can write the file, even one opened read-only; where nobody can, the file
  // is shown as it was before that write. takeNotices() says what was done.
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
  // Why the database is read-only ("the database was opened read-only", ...);
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

  // Changing a table's columns. The table is rewritten in place (its rows
  // written anew in the new layout, every index kept): the whole change is
  // undone when a row cannot be written. addColumn adds a column after the
  // others (Null in existing rows; refused as required when there are rows);
  // dropColumn refuses a column an index or relationship uses; alterColumn
  // gives the column of that name a new type, size or options, converting
  // every value as a write of it would (a value that does not convert fails
  // the change, naming the row's value), and refuses a column a relationship
  // uses.
  void addColumn(std::u16string_view table, const ColumnSpec& column);
  void dropColumn(std::u16string_view table, std::u16string_view column);
  void alterColumn(std::u16string_view table, const ColumnSpec& column);
  // Makes existing columns required (ALTER TABLE ... ADD CONSTRAINT ... NOT
  // NULL): only their Required property changes. Refused, naming the field
  // and the row, when a row holds Null in one of them.
  void requireColumns(std::u16string_view table, const std::vector<std::u16string>& columns);

  // --- Relationships ---
  // Creates a relationship as Access does: its rows in MSysRelationships and
  // its catalog entry; enforced, also a foreign-key index in each table (the
  // referencing table's on its key columns, the referenced table's sharing its
  // primary key or unique index), from then on kept by every write. Refused
  // (naming the table, column or row at fault) when the referenced columns have
  // no unique index, the column types differ, or a referencing row has no
  // referenced row. Returns the relationship's name.
  std::u16string createRelationship(const RelationshipSpec& spec);
  // Deletes a relationship (any case) with its foreign-key indexes. NotFound
  // when there is none of that name.
  void dropRelationship(std::u16string_view name);
  // Every relationship of the database, from MSysRelationships, by name.
  std::vector<RelationshipSpec> relationships();

  // --- Other programs on the same file ---
  // How many commits of other programs this database has noticed: at each
  // one, cached pages, the catalog and the open tables' definitions were read
  // again (row locators a caller keeps may name other rows now).
  std::uint64_t changesByOthers() const;
  // Looks whether another program committed since the last read (a read lock
  // taken and let go) and reads the cached state again when it did; true then.
  bool followChanges();
  // Messages for people about what opening or reading did to the file: an
  // interrupted write undone, a journal that does not belong to the file set
  // aside, the file shown as it was before an interrupted write. Each is
  // handed out once.
  std::vector<std::string> takeNotices();
  // True while the file is shown as it was before an interrupted write (it
  // cannot be written here, so the write could not be undone).
  bool showsStateBeforeInterruptedWrite() const;
  // What waiting for other programs has cost so far.
  LockStats lockStats() const;

  // Implementation state (private to the engine).
  struct Impl;
  explicit Database(std::unique_ptr<Impl> impl);
  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

// Holds the file still for a run of reads, so that they all see the same
// committed state, and saves the cost of a lock per read: other programs'
// commits wait until it goes (and fail after their wait). Reads without one
// take a lock each. Never hold one while waiting for a person. Taking one may
// throw what reading throws (Busy, the errors of recovering a journal); a
// commit another program made is noticed when it is taken.
class ReadLock {
 public:
  explicit ReadLock(Database& database);
  ~ReadLock();
  ReadLock(const ReadLock&) = delete;
  ReadLock& operator=(const ReadLock&) = delete;

 private:
  Database& database_;
};

}  // namespace jet
