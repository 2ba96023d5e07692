// A full structural check of one B-tree: every page reachable from the root
// decodes and belongs to the table; all leaves lie at the same depth; node
// entries carry the last entry of their child's subtree and follow the tail
// rule; entries are in strict order across the whole index; every level is
// chained through prev and next from its first page to its last; no page is
// reached twice and none but the root is empty. For the integrity checker and
// for tests of the maintenance code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "index/btree.h"

namespace jet {

struct BTreeCheck {
  std::vector<std::string> problems;  // for people; empty when the tree is sound
  std::vector<std::uint32_t> pages;   // every page of the tree, ascending
  std::size_t entries = 0;
  std::size_t leafPages = 0;
  std::size_t nodePages = 0;
  std::size_t depth = 0;              // levels, the leaves included
  bool ok() const { return problems.empty(); }
};

// Checks the tree; `entry`, when given, sees each leaf entry in index order.
// Never throws for a damaged tree: what cannot be read becomes a problem.
BTreeCheck checkBTree(BTree& tree,
                      const std::function<void(std::span<const std::uint8_t>, RowId)>& entry = nullptr);

}  // namespace jet
