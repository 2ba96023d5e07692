// Column and index descriptions from the stored definition.
#include "table/table_description.h"

#include <algorithm>

#include "format/table_definition_format.h"
#include "format/value_codec.h"

namespace jet {

std::uint32_t ColumnDef::definedSize() const {
  const DataTypeFacts& facts = factsOf(type);
  if (facts.longValue) return 0;
  return facts.kind == ValueKind::Text ? length / characterSize : length;
}

void describeColumns(const TableDefinition& definition, std::uint8_t characterSize, std::vector<ColumnDef>& columns,
                     std::vector<ColumnPlan>& plans) {
  std::vector<const ColumnDefinition*> order;
  order.reserve(definition.columns.size());
  for (const auto& c : definition.columns) order.push_back(&c);
  std::stable_sort(order.begin(), order.end(), [](const ColumnDefinition* a, const ColumnDefinition* b) {
    return a->position != b->position ? a->position < b->position : a->number < b->number;
  });
  columns.clear();
  plans.clear();
  columns.reserve(order.size());
  plans.reserve(order.size());
  for (const ColumnDefinition* c : order) {
    ColumnDef d;
    d.name = c->name;
    d.type = c->type;
    d.number = c->number;
    d.length = c->length;
    d.characterSize = characterSize;
    d.precision = c->precision;
    d.scale = c->scale;
    d.fixedLength = c->isFixed() || c->type == DataType::Boolean;
    d.autoNumber = (c->flags & kColumnAutoLong) != 0;
    d.guidAutoNumber = (c->flags & kColumnAutoGuid) != 0;
    d.compressedUnicode = (c->extFlags & kColumnCompressedUnicode) != 0;
    d.hyperlink = c->type == DataType::Memo && (c->flags & kColumnHyperlink) != 0;
    d.sortOrder = c->sortOrder;
    columns.push_back(std::move(d));

    ColumnPlan p;
    p.type = c->type;
    p.number = c->number;
    p.varSlot = c->varSlot;
    p.fixedOffset = c->fixedOffset;
    const std::size_t natural = factsOf(c->type).fixedSize;
    p.fixedSize = static_cast<std::uint16_t>(natural != 0 ? natural : c->length);
    p.scale = c->scale;
    p.fixed = c->isFixed();
    plans.push_back(p);
  }
}

std::vector<IndexDef> describeIndexes(const TableDefinition& definition,
                                      const std::vector<ColumnDef>& columns) {
  std::vector<IndexDef> out;
  out.reserve(definition.logicalIndexes.size());
  for (const LogicalIndexDefinition& l : definition.logicalIndexes) {
    IndexDef d;
    d.name = l.name;
    d.number = l.number;
    d.realIndex = l.realIndex;
    d.primaryKey = l.kind == kIndexKindPrimaryKey;
    d.foreignKey = l.kind == kIndexKindForeignKey;
    if (l.realIndex < definition.realIndexes.size()) {
      const RealIndexDefinition& r = definition.realIndexes[l.realIndex];
      for (const IndexKeyColumn& k : r.columns) {
        const auto it = std::find_if(columns.begin(), columns.end(),
                                     [&](const ColumnDef& c) { return c.number == k.columnNumber; });
        // A key column the table no longer defines belongs to a damaged
        // definition; leaving it out keeps every listed position valid.
        if (it == columns.end()) continue;
        d.columns.push_back(
            IndexColumn{k.columnNumber, static_cast<std::size_t>(it - columns.begin()), k.ascending});
      }
      d.unique = (r.flags & kIndexUnique) != 0;
      d.ignoreNulls = (r.flags & kIndexIgnoreNulls) != 0;
      d.required = (r.flags & kIndexRequired) != 0;
    }
    if (d.primaryKey) d.unique = d.required = true;
    if (d.foreignKey) {
      d.relatedTablePage = l.foreignKeyTable;
      d.relatedIndexNumber = l.foreignKeyIndex;
      d.referencedSide = l.foreignKeyRole == kForeignKeyReferenced;
      d.cascadeUpdates = l.cascadeUpdates == kCascadeYes;
      d.cascadeDeletes = l.cascadeDeletes == kCascadeYes;
      d.cascadeNull = l.cascadeDeletes == kCascadeSetNull;
    }
    out.push_back(std::move(d));
  }
  return out;
}

namespace {

// A text property of a column, or empty when it has none (or one of another type).
std::u16string textProperty(const std::vector<PropertySet>& properties, std::u16string_view column,
                            std::u16string_view name, const TextCodec& text) {
  const Property* p = findProperty(properties, column, name);
  if (!p || (p->type != DataType::Text && p->type != DataType::Memo)) return {};
  const Value v = propertyValue(*p, text);
  return v.kind() == ValueKind::Text ? v.asText() : std::u16string();
}

}  // namespace

void applyRequiredProperties(const std::vector<PropertySet>& properties, const TextCodec& text,
                             std::vector<ColumnDef>& columns) {
  for (ColumnDef& c : columns) {
    if (const Property* zeroLength = findProperty(properties, c.name, u"AllowZeroLength");
        zeroLength && zeroLength->type == DataType::Boolean) {
      c.allowZeroLength = propertyIsTrue(*zeroLength);
    }
    c.defaultValue = textProperty(properties, c.name, u"DefaultValue", text);
    c.validationRule = textProperty(properties, c.name, u"ValidationRule", text);
    const Property* required = findProperty(properties, c.name, u"Required");
    if (!required || required->type != DataType::Boolean) continue;
    c.required = propertyIsTrue(*required);
  }
}

void applyRequiredIndexes(const std::vector<IndexDef>& indexes, std::vector<ColumnDef>& columns) {
  for (const IndexDef& index : indexes) {
    if (!index.required) continue;
    for (const IndexColumn& k : index.columns) {
      columns[k.column].required = true;
    }
  }
}

}  // namespace jet
