// The integrity checks of one real index (one B-tree) of a table. During the
// table's row walk it is given every row and builds the entry each row must
// have (the key re-encoded from the row's values); afterwards it walks the tree
// from its root and compares: page types and owners, the node entries against
// the last entry of their children, one depth for every leaf, the leaf chain,
// free-space fields, the index's page map, and the entries themselves -- in key
// order, exactly one per row (none for all-null keys of an ignore-nulls index),
// with no duplicate keys in a unique index and no nulls in a required one.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "format/index_key.h"
#include "format/index_page.h"
#include "format/table_definition.h"
#include "jet/table.h"
#include "tools/integrity_context.h"

namespace jet {

class IndexChecker {
 public:
  // `columns` are the table's columns (values given to addRow follow them).
  IndexChecker(IntegrityContext& context, std::uint32_t tablePage, const std::string& tableLabel,
               const TableDefinition& definition, const std::vector<ColumnDef>& columns,
               std::size_t realIndex);

  // A live row and its values (in the table's column order).
  void addRow(RowId id, std::span<const Value> values);
  // A live row whose values could not all be read, or a data page whose rows
  // could not be: entries pointing there are not judged.
  void addUnreadableRow(RowId id);
  void addUnreadablePage(std::uint32_t page);

  // Walks the tree and compares it with the rows given. `liveRows` lists every
  // live row of the table, ascending.
  void check(const std::vector<RowId>& liveRows);

  // The keys built from the rows (after check(): sorted); their columns are
  // empty when the keys could not be built.
  RowKeys takeKeys() { return std::move(keys_); }

 private:
  // A page of the tree as met in key order, with its sibling links.
  struct TreePage {
    std::uint32_t page = 0;
    std::uint32_t prev = 0;
    std::uint32_t next = 0;
  };
  // The last entry of a subtree.
  struct LastEntry {
    std::vector<std::uint8_t> key;
    RowId row;
    bool present = false;
  };

  bool isUnreadable(RowId row) const;

  // Walks the subtree at `page`; `last` receives its last entry. False when
  // part of the subtree could not be walked.
  bool walk(std::uint32_t page, std::size_t depth, LastEntry& last);
  bool checkPage(const IndexPage& page, std::uint32_t number, std::size_t depth);
  void visitEntry(std::span<const std::uint8_t> key, RowId row, std::uint32_t page);
  void checkLinks();
  void checkPageMap();
  void checkEntriesAgainstRows(const std::vector<RowId>& liveRows);
  void checkRowRules();

  std::string where(std::uint32_t page) const;  // "index 'X' of table 'Y', page N"
  void fail(const std::string& what);
  // Problems with single entries or rows, capped so a wrong index gives a few
  // examples and a count rather than one line per row.
  void entryProblem(const std::string& what);

  static constexpr std::size_t kMaxDepth = 32;
  static constexpr std::size_t kMaxEntryProblems = 10;

  IntegrityContext& cx_;
  std::uint32_t tablePage_;
  std::string label_;
  const RealIndexDefinition& index_;
  PageLedger::OwnerId owner_;
  bool unique_ = false;
  bool required_ = false;
  bool ignoreNulls_ = false;
  std::vector<std::size_t>
      keyPositions_;  // key columns' positions in the row; empty when a column is missing
  std::optional<IndexKeyEncoder> encoder_;  // absent when the keys cannot be re-encoded

  // From the rows.
  RowKeys keys_;
  std::vector<RowId> unreadableRows_;           // sorted before the walk
  std::vector<std::uint32_t> unreadablePages_;  // ascending
  std::vector<RowId> requiredMissing_;

  // From the tree.
  std::vector<IndexPage> pageAtDepth_;         // decoded pages on the current path, by depth
  std::vector<std::vector<TreePage>> levels_;  // pages of each depth, in key order
  std::vector<std::uint8_t> previousKey_;
  std::optional<RowId> previousRow_;
  std::vector<RowId> missing_;   // rows whose entry the tree lacks
  std::vector<RowId> extra_;     // rows of entries no row accounts for
  std::vector<RowId> treeRows_;  // every entry's row, when keys cannot be re-encoded
  std::size_t expectedAt_ = 0;
  std::size_t entryProblems_ = 0;
  std::size_t hiddenEntryProblems_ = 0;
  bool treeComplete_ = true;
  std::optional<std::size_t> leafDepth_;
};

}  // namespace jet
