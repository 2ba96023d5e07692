// Structural check of a B-tree, one level at a time from the root.
#include "index/btree_check.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "jet/error.h"

namespace jet {

namespace {

constexpr std::size_t kMaxProblems = 50;

std::string rowText(RowId row) {
  return "row " + std::to_string(row.page()) + ":" + std::to_string(row.slot());
}

}  // namespace

BTreeCheck checkBTree(BTree& tree, const std::function<void(std::span<const std::uint8_t>, RowId)>& entry) {
  BTreeCheck out;
  const auto problem = [&](const std::string& text) {
    if (out.problems.size() < kMaxProblems) out.problems.push_back(text);
  };

  // A page of a level with the last entry its subtree must end with: the
  // entry its parent names it with, or for a tail the parent's own.
  struct Item {
    std::uint32_t page = 0;
    bool hasExpected = false;
    std::vector<std::uint8_t> key;
    RowId row;
  };
  std::vector<Item> level{Item{tree.root(), false, {}, RowId{}}};
  std::unordered_set<std::uint32_t> seen;
  std::vector<std::uint8_t> lastKey;
  RowId lastRow;
  bool haveLast = false;

  try {
    for (std::size_t depth = 1;; ++depth) {
      if (depth > kMaxBTreeDepth) {
        problem("the tree is deeper than " + std::to_string(kMaxBTreeDepth) + " levels");
        break;
      }
      out.depth = depth;
      std::vector<Item> below;
      std::optional<IndexPageKind> kind;
      for (std::size_t i = 0; i < level.size(); ++i) {
        const Item& item = level[i];
        if (!seen.insert(item.page).second) {
          problem("page " + std::to_string(item.page) + " is reached twice");
          return out;
        }
        out.pages.push_back(item.page);
        const auto cached = tree.load(item.page);
        const IndexPage& p = cached->page;
        const std::string where = "page " + std::to_string(item.page);
        if (kind && *kind != p.kind) {
          problem(where + " is a " + (p.kind == IndexPageKind::Leaf ? "leaf" : "node") +
                  " among pages of the other kind: the leaves are not all at the same depth");
          return out;
        }
        kind = p.kind;
        const std::uint32_t wantPrev = i > 0 ? level[i - 1].page : 0;
        const std::uint32_t wantNext = i + 1 < level.size() ? level[i + 1].page : 0;
        if (p.prevPage != wantPrev) {
          problem(where + " links back to page " + std::to_string(p.prevPage) + " instead of " + std::to_string(wantPrev));
        }
        if (p.nextPage != wantNext) {
          problem(where + " links on to page " + std::to_string(p.nextPage) + " instead of " + std::to_string(wantNext));
        }

        if (p.kind == IndexPageKind::Leaf) {
          ++out.leafPages;
          if (p.empty() && item.page != tree.root()) problem(where + " is an empty leaf");
          for (std::size_t e = 0; e < p.size(); ++e) {
            if (haveLast && compareIndexEntries(lastKey, lastRow, p.key(e), p.row(e)) >= 0) {
              problem(where + " entry " + std::to_string(e) + " is not after the entry before it");
            }
            lastKey.assign(p.key(e).begin(), p.key(e).end());
            lastRow = p.row(e);
            haveLast = true;
            ++out.entries;
            if (entry) entry(p.key(e), p.row(e));
          }
          if (item.hasExpected &&
              (p.empty() || compareIndexEntries(p.key(p.size() - 1), p.row(p.size() - 1), item.key, item.row) != 0)) {
            problem(where + " does not end with the entry its parent names it by (" + rowText(item.row) + ")");
          }
          continue;
        }

        ++out.nodePages;
        if (p.empty() && p.tailPage == 0) {
          problem(where + " is a node without children");
          continue;
        }
        if (p.tailPage == 0 && p.size() >= 2) problem(where + " names its last child in an entry, not in its tail");
        if (p.tailPage != 0 && p.empty()) problem(where + " names its only child in its tail");
        for (std::size_t e = 0; e < p.size(); ++e) {
          const auto k = p.key(e);
          below.push_back(Item{p.childPage(e), true, {k.begin(), k.end()}, p.row(e)});
        }
        if (p.tailPage != 0) {
          below.push_back(Item{p.tailPage, item.hasExpected, item.key, item.row});
        } else if (item.hasExpected && !p.empty() &&
                   compareIndexEntries(p.key(p.size() - 1), p.row(p.size() - 1), item.key, item.row) != 0) {
          problem(where + " does not end with the entry its parent names it by (" + rowText(item.row) + ")");
        }
      }
      if (below.empty()) break;
      level = std::move(below);
    }
  } catch (const Error& e) {
    problem(e.what());
  }
  std::sort(out.pages.begin(), out.pages.end());
  return out;
}

}  // namespace jet
