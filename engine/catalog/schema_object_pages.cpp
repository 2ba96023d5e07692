// Pages of schema objects.
#include "catalog/schema_object_pages.h"

#include <map>
#include <set>

#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/index_page.h"
#include "format/index_page_format.h"
#include "format/usage_map.h"
#include "format/usage_map_writer.h"
#include "storage/pager.h"
#include "table/row_writer.h"

namespace jet {

namespace {

bool isIndexPageOf(Pager& pager, std::uint32_t page, std::uint32_t definitionPage) {
  if (page < 2 || !pager.isPage(page)) return false;
  const Page p = pager.page(page);
  return (p.type() == kPageTypeIndexNode || p.type() == kPageTypeIndexLeaf) &&
         loadU32(p.bytes().data() + kDataPageOwner) == definitionPage;
}

std::set<std::uint32_t> indexPages(Pager& pager, const FormatVersion& version, std::uint32_t definitionPage,
                                   const RealIndexDefinition& index) {
  std::set<std::uint32_t> pages;
  std::vector<std::uint32_t> listed = readUsageMap(pager, index.usageMap, version);
  listed.push_back(index.rootPage);
  for (const std::uint32_t p : listed) {
    if (isIndexPageOf(pager, p, definitionPage)) pages.insert(p);
  }
  return pages;
}

}  // namespace

std::uint32_t createEmptyIndexRoot(Pager& pager, const FormatVersion& version, std::uint32_t definitionPage,
                                   RowId usageMap) {
  const std::uint32_t root = pager.allocatePage();
  IndexPage leaf;
  leaf.kind = IndexPageKind::Leaf;
  leaf.ownerPage = definitionPage;
  leaf.encode(pager.modify(root), indexPageFormatFor(version));
  UsageMapWriter(pager, version).add(usageMap, root);
  return root;
}

void freeIndexPages(Pager& pager, const FormatVersion& version, std::uint32_t definitionPage,
                    const RealIndexDefinition& index) {
  const std::set<std::uint32_t> pages = indexPages(pager, version, definitionPage, index);
  UsageMapWriter(pager, version).destroy(index.usageMap);
  for (const std::uint32_t p : pages) pager.freePage(p);
}

void createTableUsageMaps(Pager& pager, const FormatVersion& version, TableDefinition& def) {
  UsageMapWriter maps(pager, version);
  def.ownedPages = maps.create();
  def.freePages = maps.create(def.ownedPages.page());
  for (LongValueColumnMaps& m : def.longValueMaps) {
    m.ownedPages = maps.create(def.ownedPages.page());
    m.freePages = maps.create(def.ownedPages.page());
  }
}

void createEmptyIndexes(Pager& pager, const FormatVersion& version, TableDefinition& def) {
  UsageMapWriter maps(pager, version);
  for (RealIndexDefinition& r : def.realIndexes) {
    r.usageMap = maps.create(def.ownedPages.page());
    r.rootPage = createEmptyIndexRoot(pager, version, def.firstPage, r.usageMap);
  }
}

void freeTablePages(Table::Impl& table, bool keepDefinition) {
  Pager& pager = *table.db->pager;
  const FormatVersion& version = *table.db->version;
  const TableDefinition& def = table.definition;
  const std::uint32_t owner = def.firstPage;

  // Long-value rows the table's rows point at, page by page.
  std::map<std::uint32_t, std::set<unsigned>> referenced;
  RowWriter& writer = table.writer();
  table.forEachRow(
      ScanMode::Strict, nullptr, [](RowId, ByteSpan) {},
      [&](RowId id) {
        for (const auto& ref : writer.longValueReferences(id)) {
          if (ref.empty()) continue;
          for (const RowId r : writer.longValues().rowsOf(ref)) referenced[r.page()].insert(r.slot());
        }
        return true;
      });

  std::set<std::uint32_t> pages;
  for (const std::uint32_t p : readUsageMap(pager, def.ownedPages, version)) {
    if (p < 2 || !pager.isPage(p)) continue;
    const Page page = pager.page(p);
    if (page.type() == kPageTypeData && loadU32(page.bytes().data() + kDataPageOwner) == owner) pages.insert(p);
  }
  // A long-value page goes when every row left on it is one of the table's.
  std::set<std::uint32_t> longValuePages;
  for (const auto& entry : referenced) longValuePages.insert(entry.first);
  for (const LongValueColumnMaps& m : def.longValueMaps) {
    for (const std::uint32_t p : readUsageMap(pager, m.ownedPages, version)) longValuePages.insert(p);
  }
  for (const std::uint32_t p : longValuePages) {
    if (p < 2 || !pager.isPage(p)) continue;
    const Page page = pager.page(p);
    if (page.type() != kPageTypeData || loadU32(page.bytes().data() + kDataPageOwner) != kLongValueOwner) continue;
    const DataPage rows(page.bytes(), p, version);
    const auto it = referenced.find(p);
    bool ours = true;
    for (unsigned s = 0; s < rows.slotCount() && ours; ++s) {
      if (!rows.isDeleted(s) && (it == referenced.end() || !it->second.count(s))) ours = false;
    }
    if (ours) pages.insert(p);
  }
  std::vector<std::set<std::uint32_t>> perIndex;
  for (const RealIndexDefinition& r : def.realIndexes) perIndex.push_back(indexPages(pager, version, owner, r));

  UsageMapWriter maps(pager, version);
  maps.destroy(def.ownedPages);
  maps.destroy(def.freePages);
  for (const LongValueColumnMaps& m : def.longValueMaps) {
    maps.destroy(m.ownedPages);
    maps.destroy(m.freePages);
  }
  for (const RealIndexDefinition& r : def.realIndexes) maps.destroy(r.usageMap);
  for (const auto& indexSet : perIndex) pages.insert(indexSet.begin(), indexSet.end());
  if (!keepDefinition) {
    for (const std::uint32_t p : def.pages) pages.insert(p);
  }
  // Freeing changes every page (its first bytes), whose originals the journal
  // keeps: a large table's are written early as they pile up, as row writes'
  // are, so memory stays bounded (nothing happens inside a caller's transaction).
  for (const std::uint32_t p : pages) {
    pager.freePage(p);
    pager.spillIfNeeded();
  }
}

}  // namespace jet
