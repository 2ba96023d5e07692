// Relationship rules from the foreign-key indexes of table definitions.
#include "table/relationship_rules.h"

#include <algorithm>

#include "catalog/catalog_reader.h"
#include "catalog/database_impl.h"
#include "jet/error.h"
#include "jet/text.h"

namespace jet {

namespace {

// A local table's catalog id is its definition page; the top byte is reserved.
constexpr std::uint32_t kTablePageMask = 0x00FFFFFF;

std::vector<std::size_t> keyColumns(const IndexDef& index) {
  std::vector<std::size_t> out;
  out.reserve(index.columns.size());
  for (const IndexColumn& c : index.columns) out.push_back(c.column);
  return out;
}

}  // namespace

std::shared_ptr<Table> tableAtPage(DatabaseContext& context, std::uint32_t page) {
  Database::Impl* owner = context.owner;
  if (!owner) throw Error(ErrorCode::ReadOnly, "The database '" + context.fileName + "' has been closed");
  if (const auto it = owner->tables.find(page); it != owner->tables.end()) return it->second;
  for (std::size_t i = 0; i < owner->catalog.size(); ++i) {
    const CatalogObject& o = owner->catalog[i];
    if (o.type != kObjectLocalTable || (static_cast<std::uint32_t>(o.id) & kTablePageMask) != page) continue;
    // Opened and cached as Database::table does.
    const Table& catalog = *owner->tables.at(kCatalogPage);
    auto table = Table::Impl::open(owner->context, page, o.name, o.isSystem(),
                                   readObjectProperties(catalog, owner->catalogRows.at(i)));
    owner->tables.emplace(page, table);
    return table;
  }
  throw Error(ErrorCode::NotFound,
              "No table of '" + context.fileName + "' is defined at page " + std::to_string(page));
}

std::vector<RelationshipRule> relationshipRulesOf(const Table::Impl& table) {
  std::vector<RelationshipRule> rules;
  const std::uint32_t page = table.definition.firstPage;
  for (std::size_t i = 0; i < table.indexes.size(); ++i) {
    const IndexDef& index = table.indexes[i];
    if (!index.foreignKey) continue;
    // A self-reference has both indexes in this table: take it once, from its referencing side.
    if (index.referencedSide && index.relatedTablePage == page) continue;

    std::shared_ptr<Table> other;
    try {
      other = tableAtPage(*table.db, index.relatedTablePage);
    } catch (const Error& e) {
      if (e.code() != ErrorCode::NotFound) throw;
      throw Error(ErrorCode::Corruption, "The foreign-key index '" + toUtf8(index.name) + "' of " +
                                             table.describe() +
                                             " refers to a table that does not exist (definition page " +
                                             std::to_string(index.relatedTablePage) + ")");
    }
    const std::vector<IndexDef>& otherIndexes = other->impl().indexes;
    const auto match = std::find_if(otherIndexes.begin(), otherIndexes.end(), [&](const IndexDef& d) {
      return d.foreignKey && static_cast<std::int64_t>(d.number) == index.relatedIndexNumber;
    });
    if (match == otherIndexes.end() || match->columns.size() != index.columns.size() ||
        index.columns.empty()) {
      throw Error(ErrorCode::Corruption, "The foreign-key index '" + toUtf8(index.name) + "' of " +
                                             table.describe() + " has no matching index in " +
                                             other->impl().describe());
    }
    const std::size_t matchAt = static_cast<std::size_t>(match - otherIndexes.begin());
    const std::shared_ptr<Table> self = tableAtPage(*table.db, page);

    RelationshipRule rule;
    const bool referencing = !index.referencedSide;
    const IndexDef& referencingIndex = referencing ? index : *match;
    rule.name = referencingIndex.name;
    rule.referencing = referencing ? self : other;
    rule.referencingIndex = referencing ? i : matchAt;
    rule.referencingColumns = keyColumns(referencingIndex);
    rule.referenced = referencing ? other : self;
    rule.referencedIndex = referencing ? matchAt : i;
    rule.referencedColumns = keyColumns(referencing ? *match : index);
    rule.cascadeUpdates = referencingIndex.cascadeUpdates;
    rule.cascadeDeletes = referencingIndex.cascadeDeletes;
    rule.cascadeNull = referencingIndex.cascadeNull;
    rules.push_back(std::move(rule));
  }
  return rules;
}

}  // namespace jet
