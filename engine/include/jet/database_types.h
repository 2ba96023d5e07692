// The plain types of the database API: file formats, the options of opening
// and creating a file, header facts, catalog rows, saved queries, the entries
// of the table list, and the specifications of tables and indexes to create.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "jet/value.h"

namespace jet {

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
  // Access 97 files keep text in a single-byte code page named in their header.
  // A file from another locale may name the wrong one: this one is used
  // instead (1250-1258 or 874). 0: the header's.
  std::uint16_t codePage = 0;
  // How long to wait for other programs that have the file open: a read for a
  // commit to end, a write for another writer, a commit for readers to finish.
  // Past that the operation fails with a Busy error and changes nothing.
  std::chrono::milliseconds readWait{30000};
  std::chrono::milliseconds writeWait{5000};
};

// What the waits for other programs cost this opener so far.
struct LockStats {
  std::size_t commits = 0;                       // commits that took the commit lock
  std::chrono::nanoseconds commitWait{0};        // time they waited for readers, in all
  std::chrono::nanoseconds longestCommitWait{0};
  std::chrono::nanoseconds lastCommitWait{0};    // the wait of the last commit
  std::chrono::nanoseconds readWait{0};          // time reads waited for other programs' commits
};

// Facts from the file header.
struct DatabaseInfo {
  FileFormat format = FileFormat::Jet4;
  std::uint32_t pageSize = 4096;
  std::uint32_t pageCount = 0;
  std::uint16_t codePage = 0;          // 1252 in Western files (Access 97: the one text is read in)
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
  std::u16string defaultValue = {};  // the DefaultValue property: an expression as Access keeps it; empty: none
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

// A relationship between two tables: the referencing (foreign-key) table's
// columns refer to the referenced table's, pairwise. Enforced, each
// referencing row needs a referenced row with the same key (or a Null in the
// key), kept so by the engine; otherwise it is only a note of how the tables
// join.
struct RelationshipSpec {
  std::u16string name;  // empty: the referenced table's name followed by the referencing table's
  std::u16string table;
  std::vector<std::u16string> columns;
  std::u16string referencedTable;
  std::vector<std::u16string> referencedColumns;  // empty: the referenced table's primary key
  bool enforced = true;
  bool cascadeUpdates = false;  // re-keying a referenced row re-keys its referencing rows
  bool cascadeDeletes = false;  // deleting a referenced row deletes its referencing rows
  bool cascadeNull = false;     // ... or, instead, sets their foreign key to Null
};

struct TableSpec {
  std::u16string name;
  std::vector<ColumnSpec> columns;
  std::vector<IndexSpec> indexes;
  // The first number an autonumber column gives, and what each following
  // number adds (negative: the numbers count down; never 0). The table's
  // counter starts one step before the first number.
  std::int32_t firstAutoNumber = 1;
  std::int32_t autoNumberStep = 1;
};

}  // namespace jet
