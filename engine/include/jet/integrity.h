// Integrity checking: a read-only walk over every structure of an open database
// -- page ownership and the file's page map, table definitions, usage maps, data
// pages, rows and overflow pointers, long-value chains, index trees and their
// entries, row counts and autonumber counters -- that reports every problem it
// finds instead of stopping at the first.
//
// Problems are errors (the file is damaged or a writer would damage it further)
// or warnings (oddities that files written by Microsoft's engine carry and that
// do no harm: a stale row count, pages marked in use that nothing uses, long
// values nobody references any more). In strict mode those oddities are errors
// too: it is the standard files written by this engine are held to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace jet {

class Database;

enum class ProblemSeverity {
  Warning,
  Error,
};

// The structure a problem is about.
enum class ProblemArea {
  File,             // the header page, the file's size
  PageMap,          // page ownership and the file's page map (page 1)
  Catalog,          // MSysObjects rows naming tables
  TableDefinition,  // columns, index blocks, long-value map list
  UsageMap,         // the page maps of tables, indexes and long-value columns
  DataPage,         // slot tables and free-space fields
  Row,              // row decoding, overflow pointers
  LongValue,        // memo and OLE references and their chains
  Index,            // B-tree structure and entries
  Counter,          // stored row counts and autonumber counters
  Relationship,     // rows of enforced relationships without their parent row
};

const char* problemAreaName(ProblemArea area) noexcept;

struct IntegrityProblem {
  ProblemSeverity severity = ProblemSeverity::Error;
  ProblemArea area = ProblemArea::File;
  std::string message;  // for a person: which table/page/row/index, and what is wrong
};

enum class IntegrityStrictness {
  Tolerant,  // oddities of healthy Microsoft-written files are warnings
  Strict,    // they are errors
};

struct IntegrityOptions {
  IntegrityStrictness strictness = IntegrityStrictness::Tolerant;
  // Problems listed per structure (the file, each table, each index); more are
  // counted and summed up in one line.
  std::size_t maxProblemsPerStructure = 20;
};

struct IntegrityReport {
  std::vector<IntegrityProblem> problems;  // in the order found
  std::size_t errorCount = 0;              // every error found, listed or not
  std::size_t warningCount = 0;

  // What was looked at.
  std::uint32_t pageCount = 0;
  std::size_t tableCount = 0;
  std::size_t rowCount = 0;
  std::size_t indexCount = 0;      // real indexes (B-trees)
  std::size_t longValueCount = 0;  // memo and OLE values stored outside their rows
  // Real indexes whose text keys use a sort order this engine cannot build, so
  // their entries were checked for order and coverage but not re-encoded.
  std::size_t indexesNotReencoded = 0;

  bool hasErrors() const { return errorCount > 0; }
  bool clean() const { return errorCount == 0 && warningCount == 0; }
};

// Checks the whole database as it is now (including the open transaction's
// changes, if any). Never modifies it. Damage is reported, never thrown; only a
// failing read of the file itself (an I/O error) throws its jet::Error.
IntegrityReport checkIntegrity(Database& db, const IntegrityOptions& options = {});

}  // namespace jet
