// Page claims, double-use detection and the comparison with the file's page map.
#include "tools/integrity_page_ledger.h"

#include <map>

#include "format/bytes.h"
#include "format/data_page_format.h"
#include "storage/pager.h"

namespace jet {

namespace {

// A usage-map page holds the map rows of many structures.
bool isShared(PageRole role) {
  return role == PageRole::MapRows;
}

std::string pageKindName(std::uint8_t type, std::uint32_t owner) {
  switch (type) {
    case kPageTypeData:
      if (owner == kLongValueOwner) return "long-value";
      return owner == 0 ? "usage-map" : "data";
    case kPageTypeTableDefinition:
      return "table definition";
    case kPageTypeIndexNode:
    case kPageTypeIndexLeaf:
      return "index";
    case kPageTypeUsageBitmap:
      return "usage bitmap";
    default:
      return "type " + hex(type);
  }
}

// "3-7, 9, 12-40" with at most `maxRuns` runs.
std::string describeRuns(const std::vector<std::uint32_t>& pages, std::size_t maxRuns) {
  std::string out;
  std::size_t runs = 0;
  for (std::size_t i = 0; i < pages.size();) {
    std::size_t j = i;
    while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
    if (runs == maxRuns) {
      out += ", ...";
      break;
    }
    if (runs > 0) out += ", ";
    out += std::to_string(pages[i]);
    if (j > i) out += "-" + std::to_string(pages[j]);
    ++runs;
    i = j + 1;
  }
  return out;
}

}  // namespace

const char* pageRoleName(PageRole role) noexcept {
  switch (role) {
    case PageRole::Unused:
      return "an unused page";
    case PageRole::Header:
      return "the header page";
    case PageRole::MapRows:
      return "a usage-map page";
    case PageRole::MapBitmap:
      return "a usage bitmap page";
    case PageRole::Definition:
      return "a definition page";
    case PageRole::TableData:
      return "a data page";
    case PageRole::IndexPage:
      return "an index page";
    case PageRole::LongValue:
      return "a long-value page";
  }
  return "a page";
}

PageLedger::PageLedger(std::uint32_t pageCount, ProblemSink& sink) : sink_(sink), pages_(pageCount) {}

PageLedger::OwnerId PageLedger::addOwner(std::string description) {
  owners_.push_back(std::move(description));
  return static_cast<OwnerId>(owners_.size() - 1);
}

bool PageLedger::claim(std::uint32_t page, PageRole role, OwnerId owner, const std::string& how) {
  if (page >= pages_.size()) {
    sink_.error(ProblemArea::PageMap, owners_[owner] + ": " + how + " page " + std::to_string(page) +
                                          ", beyond the end of the file (" + std::to_string(pages_.size()) +
                                          " pages)");
    return false;
  }
  Entry& e = pages_[page];
  if (e.role == PageRole::Unused) {
    e.role = role;
    e.owner = owner;
    return true;
  }
  if (e.role == role && (e.owner == owner || isShared(role))) return true;
  sink_.error(ProblemArea::PageMap, "page " + std::to_string(page) + " is used twice: as " +
                                        pageRoleName(e.role) + " of " + owners_[e.owner] + ", and as " +
                                        pageRoleName(role) + " of " + owners_[owner] + " (" + how + " it)");
  return false;
}

void PageLedger::noteListed(std::uint32_t page) {
  if (page < pages_.size()) pages_[page].listedByAMap = true;
}

void PageLedger::compareWithPageMap(const PageMapState& map, Pager& pager) {
  std::vector<std::uint32_t> leaked;
  std::map<std::string, std::size_t> leakedKinds;
  std::size_t leakedListed = 0;
  std::vector<std::uint32_t> uncovered;
  for (std::uint32_t page = 0; page < pages_.size(); ++page) {
    const Entry& e = pages_[page];
    const bool covered = page < map.covered.size() && map.covered[page];
    const bool isFree = covered && page < map.free.size() && map.free[page];
    if (e.role != PageRole::Unused) {
      if (isFree) {
        sink_.error(ProblemArea::PageMap,
                    "page " + std::to_string(page) + " is " + pageRoleName(e.role) + " of " +
                        owners_[e.owner] +
                        ", but the file's page map marks it free: a writer would hand it "
                        "out again and overwrite it");
      } else if (!covered) {
        uncovered.push_back(page);
      }
      continue;
    }
    if (isFree || !covered) continue;
    leaked.push_back(page);
    if (e.listedByAMap) ++leakedListed;
    const Page p = pager.page(page);
    const ByteSpan b = p.bytes();
    ++leakedKinds[pageKindName(b[0], b.size() >= 8 ? loadU32(b.data() + kDataPageOwner) : 0)];
  }
  if (!uncovered.empty()) {
    sink_.oddity(ProblemArea::PageMap,
                 "the file's page map has no bits for " + std::to_string(uncovered.size()) + " used page" +
                     (uncovered.size() == 1 ? "" : "s") + " (" + describeRuns(uncovered, 10) + ")");
  }
  if (!leaked.empty()) {
    std::string kinds;
    for (const auto& [kind, count] : leakedKinds) {
      kinds += (kinds.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
    }
    std::string listed;
    if (leakedListed > 0) {
      listed = "; " + std::to_string(leakedListed) + " of them still listed in a usage map";
    }
    sink_.oddity(ProblemArea::PageMap,
                 std::to_string(leaked.size()) + " page" + (leaked.size() == 1 ? " is" : "s are") +
                     " marked in use but used by nothing (" + kinds + listed + "): pages " +
                     describeRuns(leaked, 12) + "; compacting reclaims them");
  }
  if (map.usedBitsBeyondEnd) {
    sink_.oddity(ProblemArea::PageMap, "the file's page map marks pages past the end of the file as in use");
  }
}

}  // namespace jet
