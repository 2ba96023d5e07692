// Table layout for createTable and createIndex.
#include "catalog/new_table_layout.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "format/table_definition_format.h"
#include "format/value_codec.h"
#include "jet/error.h"
#include "jet/text.h"

namespace jet {

namespace {

constexpr std::uint16_t kMaxTextCharacters = 255;
constexpr std::uint16_t kMaxBinaryBytes = 255;

[[noreturn]] void refuse(const std::string& message) { throw Error(ErrorCode::InvalidArgument, message); }

std::uint16_t storedLength(const ColumnSpec& c, const std::string& where, std::size_t characterSize) {
  switch (c.type) {
    case DataType::Boolean: return 1;
    case DataType::Text: {
      const std::uint16_t chars = c.size == 0 ? kMaxTextCharacters : c.size;
      if (chars > kMaxTextCharacters) refuse("The size of " + where + " is more than 255 characters");
      return static_cast<std::uint16_t>(characterSize * chars);
    }
    case DataType::Binary:
      if (c.size == 0 || c.size > kMaxBinaryBytes) refuse("The size of " + where + " must be 1 to 255 bytes");
      return c.size;
    case DataType::Memo:
    case DataType::Ole: return 0;
    default:
      // The fixed-size types; the codes without one (the opaque blocks) cannot be made.
      if (const std::uint8_t size = factsOf(c.type).fixedSize; size != 0) return size;
      refuse(where + " has a type that cannot be created (" + dataTypeName(c.type) + ")");
  }
}

}  // namespace

void checkObjectName(std::u16string_view name, const char* what) {
  const std::string shown = "'" + toUtf8(name) + "'";
  if (name.empty()) refuse(std::string("A ") + what + " needs a name");
  if (name.size() > kMaxObjectName) {
    refuse(std::string("The ") + what + " name " + shown + " is longer than 64 characters");
  }
  if (name.front() == u' ') refuse(std::string("The ") + what + " name " + shown + " begins with a space");
  for (const char16_t c : name) {
    if (c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']') {
      refuse(std::string("The ") + what + " name " + shown +
             " holds a character a name cannot have (. ! ` [ ] or a control character)");
    }
  }
}

TableDefinition layoutTable(const TableSpec& spec, std::uint16_t sortOrder, std::uint8_t sortOrderVersion,
                            const TextCodec& text) {
  checkObjectName(spec.name, "table");
  if (spec.columns.empty()) refuse("The table '" + toUtf8(spec.name) + "' needs at least one column");
  if (spec.columns.size() > kMaxColumns) refuse("A table can have at most 255 columns");
  TableDefinition d;
  d.tableType = kTableTypeUser;
  std::uint16_t fixedOffset = 0;
  std::uint16_t varSlot = 0;
  for (std::size_t i = 0; i < spec.columns.size(); ++i) {
    const ColumnSpec& s = spec.columns[i];
    checkObjectName(s.name, "column");
    const std::string where = "the column '" + toUtf8(s.name) + "'";
    for (std::size_t k = 0; k < i; ++k) {
      if (equalNamesNoCase(spec.columns[k].name, s.name)) refuse("The table has two columns named '" + toUtf8(s.name) + "'");
    }
    if (s.autoNumber && s.type != DataType::Long) refuse(where + " can only be an autonumber if it is a Long");
    if (s.guidAutoNumber && s.type != DataType::Guid) refuse(where + " can only get new GUIDs if it is a GUID");
    if (s.hyperlink && s.type != DataType::Memo) refuse(where + " can only be a hyperlink if it is a Memo");
    ColumnDefinition c;
    c.name = s.name;
    c.type = s.type;
    c.number = static_cast<std::uint16_t>(i);
    c.position = static_cast<std::uint16_t>(i);
    c.length = storedLength(s, where, text.unitSize());
    c.flags = kColumnUpdatable;
    if (s.type == DataType::Numeric) {
      if (text.singleByte()) refuse(where + " cannot be a Decimal: Access 97 databases have no Decimal type");
      if (s.precision < 1 || s.precision > 28 || s.scale > s.precision) {
        refuse(where + " needs a precision of 1 to 28 and a scale no larger than it");
      }
      c.precision = s.precision;
      c.scale = s.scale;
    }
    if (s.type == DataType::Text || s.type == DataType::Memo) {
      c.sortOrder = sortOrder;
      c.sortOrderVersion = sortOrderVersion;
      c.codePage = text.codePage();
      if (s.compressedUnicode && !text.singleByte()) c.extFlags = kColumnCompressedUnicode;
    }
    if (!factsOf(s.type).variableLength) {
      c.flags |= kColumnFixed;
      c.varSlot = varSlot;  // the engine stores the count of earlier variable columns here
      if (s.type != DataType::Boolean) {
        c.fixedOffset = fixedOffset;
        fixedOffset = static_cast<std::uint16_t>(fixedOffset + c.length);
      }
    } else {
      c.varSlot = varSlot++;
    }
    if (s.autoNumber) c.flags |= kColumnAutoLong;
    if (s.guidAutoNumber) c.flags |= kColumnAutoGuid;
    if (s.hyperlink) c.flags |= kColumnHyperlink;
    d.columns.push_back(c);
    if (factsOf(s.type).longValue) d.longValueMaps.push_back({c.number, {}, {}});
  }
  d.maxColumns = static_cast<std::uint16_t>(spec.columns.size());
  if (spec.autoNumberStep == 0) refuse("The autonumber of the table '" + toUtf8(spec.name) + "' cannot count by 0");
  const std::int64_t before = std::int64_t{spec.firstAutoNumber} - spec.autoNumberStep;
  if (before < std::numeric_limits<std::int32_t>::min() || before > std::numeric_limits<std::int32_t>::max()) {
    refuse("The autonumber of the table '" + toUtf8(spec.name) + "' starts at " + std::to_string(spec.firstAutoNumber) + " and counts by " +
           std::to_string(spec.autoNumberStep) + ": its counter, one step before the first number, is not a Long");
  }
  d.autoNumber = static_cast<std::uint32_t>(static_cast<std::int32_t>(before));
  d.autoNumberStep = spec.autoNumberStep;
  d.varColumns = varSlot;

  bool primaryKey = false;
  for (std::size_t i = 0; i < spec.indexes.size(); ++i) {
    const IndexSpec& s = spec.indexes[i];
    for (std::size_t k = 0; k < i; ++k) {
      if (equalNamesNoCase(spec.indexes[k].name, s.name)) refuse("The table has two indexes named '" + toUtf8(s.name) + "'");
    }
    if (s.primaryKey && primaryKey) refuse("A table can have only one primary key");
    primaryKey = primaryKey || s.primaryKey;
    RealIndexDefinition real;
    LogicalIndexDefinition logical;
    layoutIndex(d, s, static_cast<std::uint32_t>(i), real, logical);
    // Logical indexes with the same key columns and flags share one real index.
    const auto same = std::find_if(d.realIndexes.begin(), d.realIndexes.end(), [&](const RealIndexDefinition& r) {
      if (r.flags != real.flags || r.columns.size() != real.columns.size()) return false;
      for (std::size_t k = 0; k < r.columns.size(); ++k) {
        if (r.columns[k].columnNumber != real.columns[k].columnNumber ||
            r.columns[k].ascending != real.columns[k].ascending) {
          return false;
        }
      }
      return true;
    });
    logical.realIndex = static_cast<std::uint32_t>(same - d.realIndexes.begin());
    if (same == d.realIndexes.end()) d.realIndexes.push_back(real);
    d.logicalIndexes.push_back(logical);
  }
  return d;
}

void layoutIndex(const TableDefinition& d, const IndexSpec& s, std::uint32_t logicalNumber, RealIndexDefinition& real,
                 LogicalIndexDefinition& logical) {
  checkObjectName(s.name, "index");
  const std::string where = "the index '" + toUtf8(s.name) + "'";
  if (s.columns.empty()) refuse(where + " needs at least one column");
  if (s.columns.size() > kMaxIndexColumns) refuse(where + " has more than 10 columns");
  real = RealIndexDefinition{};
  for (const IndexColumnSpec& k : s.columns) {
    const auto column = std::find_if(d.columns.begin(), d.columns.end(),
                                     [&](const ColumnDefinition& c) { return equalNamesNoCase(c.name, k.column); });
    if (column == d.columns.end()) refuse(where + " names a column the table does not have: '" + toUtf8(k.column) + "'");
    if (column->type == DataType::Ole) refuse(where + " cannot include the OLE Object column '" + toUtf8(column->name) + "'");
    for (const IndexKeyColumn& earlier : real.columns) {
      if (earlier.columnNumber == column->number) refuse(where + " names the column '" + toUtf8(k.column) + "' twice");
    }
    real.columns.push_back({column->number, k.ascending});
  }
  real.flags = kIndexJet4;
  if (s.unique || s.primaryKey) real.flags |= kIndexUnique;
  if (s.ignoreNulls) real.flags |= kIndexIgnoreNulls;
  if (s.required || s.primaryKey) real.flags |= kIndexRequired;
  logical = LogicalIndexDefinition{};
  logical.name = s.name;
  logical.number = logicalNumber;
  logical.foreignKeyIndex = -1;
  logical.cascadeUpdates = kNotForeignKeyCascade;
  logical.cascadeDeletes = kNotForeignKeyCascade;
  logical.kind = s.primaryKey ? kIndexKindPrimaryKey : kIndexKindNormal;
}

std::vector<PropertyChunk> columnProperties(const TableSpec& spec, const TextCodec& text) {
  std::vector<PropertyChunk> chunks;
  for (const ColumnSpec& c : spec.columns) {
    PropertyChunk chunk{c.name, {}};
    if (c.required) chunk.records.push_back(booleanProperty(u"Required", true));
    if (!c.defaultValue.empty()) chunk.records.push_back(textProperty(u"DefaultValue", c.defaultValue, text));
    if (c.type == DataType::Text || c.type == DataType::Memo) {
      chunk.records.push_back(booleanProperty(u"AllowZeroLength", c.allowZeroLength));
    }
    if (!chunk.records.empty()) chunks.push_back(std::move(chunk));
  }
  return chunks;
}

}  // namespace jet
