// System tables, catalog rows and access-control entries of a blank database,
// as Access 2000 lays them out when it creates a file.
#include "tools/blank_database_tables.h"

#include <algorithm>
#include <limits>

#include "catalog/catalog_reader.h"
#include "format/index_key.h"
#include "format/property_blob_writer.h"
#include "format/table_definition_format.h"
#include "format/value_codec.h"

namespace jet {

namespace {

// Column flags of the system tables: fixed columns, variable ones, and the
// owner SIDs (variable, with a flag bit whose meaning is not known).
constexpr std::uint8_t kSystemFixed = 0x13;
constexpr std::uint8_t kSystemVariable = 0x12;
constexpr std::uint8_t kSystemSid = 0x32;
constexpr std::uint16_t kSystemTextBytes = 510;
// Access's project storage rows carry one opaque block of this size.
constexpr std::uint16_t kAccessObjectBlock = 3992;

struct ColumnFact {
  const char16_t* name;
  DataType type;
  std::uint16_t number;
  std::uint8_t flags;
};

std::uint16_t lengthOf(DataType type) {
  switch (type) {
    case DataType::Text:
    case DataType::Binary: return kSystemTextBytes;
    case DataType::Memo:
    case DataType::Ole: return 0;
    case DataType::Boolean: return 1;
    case DataType::Unknown11: return kAccessObjectBlock;
    default: return factsOf(type).fixedSize;
  }
}

// Columns listed in the order their blocks are stored (the engine sorts the
// blocks of its own tables by name). Variable slots and fixed offsets follow
// the column numbers: a variable column's slot counts the variable columns
// numbered before it (the engine stores the same count on fixed columns), and
// fixed values are packed in number order, Yes/No columns taking no room.
TableDefinition tableOf(std::uint8_t tableType, std::initializer_list<ColumnFact> facts) {
  TableDefinition d;
  d.tableType = tableType;
  std::vector<ColumnFact> byNumber(facts);
  std::sort(byNumber.begin(), byNumber.end(), [](const ColumnFact& a, const ColumnFact& b) { return a.number < b.number; });
  for (const ColumnFact& f : facts) {
    ColumnDefinition c;
    c.name = f.name;
    c.type = f.type;
    c.number = f.number;
    c.flags = f.flags;
    c.length = lengthOf(f.type);
    if (f.type == DataType::Text || f.type == DataType::Memo) c.sortOrder = kGeneralSortOrder;
    std::uint16_t fixedOffset = 0;
    for (const ColumnFact& earlier : byNumber) {
      if (earlier.number >= f.number) break;
      if ((earlier.flags & kColumnFixed) == 0) {
        ++c.varSlot;
      } else if (earlier.type != DataType::Boolean) {
        fixedOffset = static_cast<std::uint16_t>(fixedOffset + lengthOf(earlier.type));
      }
    }
    if (c.isFixed() && f.type != DataType::Boolean) c.fixedOffset = fixedOffset;
    if (!c.isFixed()) ++d.varColumns;
    d.columns.push_back(c);
    if (factsOf(f.type).longValue) d.longValueMaps.push_back({f.number, {}, {}});
  }
  d.maxColumns = static_cast<std::uint16_t>(d.columns.size());
  return d;
}

RealIndexDefinition realIndex(std::initializer_list<std::uint16_t> columns, std::uint8_t flags) {
  RealIndexDefinition r;
  for (const std::uint16_t c : columns) r.columns.push_back({c, true});
  r.flags = flags;
  return r;
}

LogicalIndexDefinition logicalIndex(const char16_t* name, std::uint32_t number, std::uint32_t real, std::uint8_t kind) {
  LogicalIndexDefinition l;
  l.name = name;
  l.number = number;
  l.realIndex = real;
  l.foreignKeyIndex = -1;
  l.cascadeUpdates = kNotForeignKeyCascade;
  l.cascadeDeletes = kNotForeignKeyCascade;
  l.kind = kind;
  return l;
}

// Security identifiers of the built-in accounts, as Access 2000 writes them
// into a new file: the engine's own objects are owned by kEngineSid, those
// Access adds by kAdminsSid; kCreatorSid stands for whoever creates an object
// inside a container; kAdminUserSid is the default user account of the
// standard workgroup, the one every unsecured database is opened as.
const Bytes kEngineSid = {0xA7, 0x31};
const Bytes kAdminsSid = {0xA6, 0x33};
const Bytes kUsersSid = {0xA7, 0x33};
const Bytes kCreatorSid = {0xA7, 0x36};
const Bytes kAdminUserSid = {
    0xA4, 0xF7, 0x46, 0x67, 0xE1, 0x71, 0x67, 0xEE, 0xD7, 0xB1, 0x0F, 0x8F, 0xFE, 0xEF, 0x76, 0xFF,
    0xAA, 0xE3, 0x66, 0x51, 0x05, 0xBD, 0xD2, 0x9D, 0x4D, 0x4B, 0x39, 0x52, 0xD9, 0xFB, 0x9A, 0x07,
    0x66, 0x0C, 0x5B, 0xD2, 0xD8, 0x7D, 0xDD, 0xB3, 0x1E, 0x65, 0x90, 0x19, 0x00, 0x94, 0x89, 0xC2,
    0x3C, 0x25, 0x6A, 0xCF, 0xDB, 0x34, 0x9A, 0x57, 0xAF, 0x50, 0xC5, 0x14, 0x9A, 0x98, 0x30, 0xE6,
    0x2C, 0x35, 0x55, 0x3F, 0x0E, 0x95, 0xCF, 0xB6, 0xEC, 0xB5, 0x70, 0xB2, 0xF0, 0xA9, 0x9B, 0x1C,
    0xDB, 0xCE, 0x60, 0x74, 0x7B, 0x7B, 0x13, 0xCF, 0x1D, 0xAF, 0xC3, 0xD6, 0x18, 0x5F, 0x9C, 0x5B,
    0xE4, 0xE8, 0x7E, 0x37, 0xED, 0xB3
};

constexpr std::int32_t kDatabasesContainerId = 0x0F000002;
constexpr std::int32_t kRelationshipsContainerId = 0x0F000003;
constexpr std::int32_t kDatabaseObjectId = 0x10000000;
// Access numbers its own objects up from the most negative id.
constexpr std::int32_t kFirstAccessId = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kDataAccessPagesId = kFirstAccessId;
constexpr std::int32_t kFormsId = kFirstAccessId + 1;
constexpr std::int32_t kModulesId = kFirstAccessId + 2;
constexpr std::int32_t kReportsId = kFirstAccessId + 3;
constexpr std::int32_t kScriptsId = kFirstAccessId + 4;
constexpr std::int32_t kSysRelId = kFirstAccessId + 5;
constexpr std::int32_t kAccessLayoutId = kFirstAccessId + 6;
constexpr std::int32_t kSummaryInfoId = kFirstAccessId + 7;
constexpr std::int32_t kUserDefinedId = kFirstAccessId + 8;

constexpr std::int16_t kObjectDatabase = 2;
constexpr std::int16_t kObjectDatabaseDocument = -32757;
constexpr std::uint32_t kFlagsEngineObject = 0x80000000u;
constexpr std::uint32_t kFlagsAccessSystemTable = 0x00000002u;

// Access's version of the file format (Access 2000) and the build that wrote it.
constexpr char16_t kAccessVersion[] = u"08.50";
constexpr std::int32_t kAccessBuild = 6620;

// Rights as Access grants them in a new file.
constexpr std::int32_t kFullRights = 0x000FFFFF;
constexpr std::int32_t kCreatorRights = 0x000F00FE;
constexpr std::int32_t kTablesRights = 0x000FFEFF;
constexpr std::int32_t kReadDefinitions = 0x00060000;
constexpr std::int32_t kReadContainer = 0x00060001;
constexpr std::int32_t kDatabaseOpen = 0x0006000E;
constexpr std::int32_t kUsersDatabaseOpen = 0x0000000E;
constexpr std::int32_t kDocumentRead = 0x00010000;
constexpr std::int32_t kCatalogUserRights = 0x00060054;
constexpr std::int32_t kSystemTableUserRights = 0x00060014;
constexpr std::int32_t kReadData = 0x00000014;
constexpr std::int32_t kRelationshipAdminRights = 0x000E0000;

Bytes textBytes(std::u16string_view text) {
  Bytes b;
  for (const char16_t c : text) {
    b.push_back(static_cast<std::uint8_t>(c & 0xFF));
    b.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return b;
}

PropertyRecord layoutProperty(std::u16string name, DataType type, Bytes value) {
  return PropertyRecord{std::move(name), type, false, std::move(value)};
}

Bytes objectProperties(std::vector<PropertyRecord> records) {
  return encodePropertyBlob({PropertyChunk{u"", std::move(records)}});
}

}  // namespace

TableDefinition catalogTableDefinition() {
  TableDefinition d = tableOf(kTableTypeSystem, {
                                                    {u"Connect", DataType::Memo, 9, kSystemVariable},
                                                    {u"Database", DataType::Memo, 8, kSystemVariable},
                                                    {u"DateCreate", DataType::DateTime, 4, kSystemFixed},
                                                    {u"DateUpdate", DataType::DateTime, 5, kSystemFixed},
                                                    {u"Flags", DataType::Long, 7, kSystemFixed},
                                                    {u"ForeignName", DataType::Text, 10, kSystemVariable},
                                                    {u"Id", DataType::Long, 0, kSystemFixed},
                                                    {u"Lv", DataType::Ole, 13, kSystemVariable},
                                                    {u"LvExtra", DataType::Ole, 16, kSystemVariable},
                                                    {u"LvModule", DataType::Ole, 15, kSystemVariable},
                                                    {u"LvProp", DataType::Ole, 14, kSystemVariable},
                                                    {u"Name", DataType::Text, 2, kSystemVariable},
                                                    {u"Owner", DataType::Binary, 6, kSystemSid},
                                                    {u"ParentId", DataType::Long, 1, kSystemFixed},
                                                    {u"RmtInfoLong", DataType::Ole, 12, kSystemVariable},
                                                    {u"RmtInfoShort", DataType::Binary, 11, kSystemVariable},
                                                    {u"Type", DataType::Integer, 3, kSystemFixed},
                                                });
  d.realIndexes = {realIndex({1, 2}, kIndexJet4 | kIndexUnique), realIndex({0}, kIndexJet4 | kIndexUnique)};
  d.logicalIndexes = {logicalIndex(u"Id", 1, 1, kIndexKindPrimaryKey), logicalIndex(u"ParentIdName", 0, 0, kIndexKindNormal)};
  return d;
}

TableDefinition aceTableDefinition() {
  TableDefinition d = tableOf(kTableTypeSystem, {
                                                    {u"ACM", DataType::Long, 2, kSystemFixed},
                                                    {u"FInheritable", DataType::Boolean, 3, kSystemFixed},
                                                    {u"ObjectId", DataType::Long, 0, kSystemFixed},
                                                    {u"SID", DataType::Binary, 1, kSystemSid},
                                                });
  d.realIndexes = {realIndex({0}, kIndexJet4 | kIndexRequired)};
  d.logicalIndexes = {logicalIndex(u"ObjectId", 0, 0, kIndexKindNormal)};
  return d;
}

TableDefinition queryTableDefinition() {
  TableDefinition d = tableOf(kTableTypeSystem, {
                                                    {u"Attribute", DataType::Byte, 1, kSystemFixed},
                                                    {u"Expression", DataType::Memo, 5, kSystemVariable},
                                                    {u"Flag", DataType::Integer, 6, kSystemFixed},
                                                    {u"LvExtra", DataType::Long, 7, kSystemFixed},
                                                    {u"Name1", DataType::Text, 3, kSystemVariable},
                                                    {u"Name2", DataType::Text, 4, kSystemVariable},
                                                    {u"ObjectId", DataType::Long, 0, kSystemFixed},
                                                    {u"Order", DataType::Binary, 2, kSystemVariable},
                                                });
  d.realIndexes = {realIndex({0, 1, 2}, kIndexJet4 | kIndexUnique)};
  d.logicalIndexes = {logicalIndex(u"ObjectIdAttribute", 0, 0, kIndexKindPrimaryKey)};
  return d;
}

TableDefinition relationshipTableDefinition() {
  TableDefinition d = tableOf(kTableTypeSystem, {
                                                    {u"ccolumn", DataType::Long, 2, kSystemFixed},
                                                    {u"grbit", DataType::Long, 1, kSystemFixed},
                                                    {u"icolumn", DataType::Long, 3, kSystemFixed},
                                                    {u"szColumn", DataType::Text, 5, kSystemVariable},
                                                    {u"szObject", DataType::Text, 4, kSystemVariable},
                                                    {u"szReferencedColumn", DataType::Text, 7, kSystemVariable},
                                                    {u"szReferencedObject", DataType::Text, 6, kSystemVariable},
                                                    {u"szRelationship", DataType::Text, 0, kSystemVariable},
                                                });
  const std::uint8_t flags = kIndexJet4 | kIndexIgnoreNulls;
  d.realIndexes = {realIndex({0}, flags), realIndex({4}, flags), realIndex({6}, flags)};
  d.logicalIndexes = {logicalIndex(u"szObject", 1, 1, kIndexKindNormal),
                      logicalIndex(u"szReferencedObject", 2, 2, kIndexKindNormal),
                      logicalIndex(u"szRelationship", 0, 0, kIndexKindNormal)};
  return d;
}

TableDefinition accessObjectsTableDefinition() {
  // Access's own table: a user-type definition whose key column is stored as a
  // variable-length value.
  TableDefinition d = tableOf(kTableTypeUser, {
                                                  {u"Data", DataType::Unknown11, 0, kColumnFixed | kColumnUpdatable},
                                                  {u"ID", DataType::Long, 1, kColumnUpdatable},
                                              });
  d.realIndexes = {realIndex({1}, kIndexJet4 | kIndexUnique | kIndexRequired)};
  d.logicalIndexes = {logicalIndex(u"AOIndex", 0, 0, kIndexKindPrimaryKey)};
  return d;
}

std::vector<BlankCatalogRow> blankCatalogRows(std::uint32_t aceTable, std::uint32_t queryTable,
                                              std::uint32_t relationshipTable) {
  const auto id = [](std::uint32_t page) { return static_cast<std::int32_t>(page); };
  const auto container = [](std::int32_t objectId, const char16_t* name, std::uint32_t flags, const Bytes& owner) {
    return BlankCatalogRow{objectId, kRootObjectId, name, kObjectContainer, flags, owner, {}};
  };
  const auto table = [](std::int32_t objectId, const char16_t* name, std::uint32_t flags, const Bytes& owner) {
    return BlankCatalogRow{objectId, kTablesContainerId, name, kObjectLocalTable, flags, owner, {}};
  };
  const auto document = [](std::int32_t objectId, const char16_t* name, Bytes properties) {
    return BlankCatalogRow{objectId, kDatabasesContainerId, name, kObjectDatabaseDocument, 0, kAdminsSid,
                           std::move(properties)};
  };
  Bytes build(4);
  for (int i = 0; i < 4; ++i) build[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(kAccessBuild >> (8 * i));
  return {
      container(kTablesContainerId, u"Tables", kFlagsEngineObject, kEngineSid),
      container(kDatabasesContainerId, u"Databases", kFlagsEngineObject, kEngineSid),
      container(kRelationshipsContainerId, u"Relationships", kFlagsEngineObject, kEngineSid),
      BlankCatalogRow{kDatabaseObjectId, kDatabasesContainerId, u"MSysDb", kObjectDatabase, kFlagsEngineObject,
                      kAdminsSid,
                      objectProperties({layoutProperty(u"AccessVersion", DataType::Text, textBytes(kAccessVersion)),
                                        layoutProperty(u"Build", DataType::Long, build)})},
      table(id(kCatalogPage), u"MSysObjects", kFlagsEngineObject, kEngineSid),
      table(id(aceTable), kAceTableName, kFlagsEngineObject, kEngineSid),
      table(id(queryTable), kQueryTableName, kFlagsEngineObject, kEngineSid),
      table(id(relationshipTable), kRelationshipTableName, kFlagsEngineObject, kEngineSid),
      container(kDataAccessPagesId, u"DataAccessPages", 0, kAdminsSid),
      container(kFormsId, u"Forms", 0, kAdminsSid),
      container(kModulesId, u"Modules", 0, kAdminsSid),
      container(kReportsId, u"Reports", 0, kAdminsSid),
      container(kScriptsId, u"Scripts", 0, kAdminsSid),
      container(kSysRelId, u"SysRel", 0, kAdminsSid),
      document(kAccessLayoutId, u"AccessLayout",
               objectProperties({layoutProperty(u"KeepLocal", DataType::Text, textBytes(u"T"))})),
      document(kSummaryInfoId, u"SummaryInfo", {}),
      document(kUserDefinedId, u"UserDefined",
               objectProperties({layoutProperty(u"ReplicateProject", DataType::Boolean, {1})})),
  };
}

BlankCatalogRow accessObjectsCatalogRow(std::uint32_t accessObjectsTable) {
  return BlankCatalogRow{static_cast<std::int32_t>(accessObjectsTable), kTablesContainerId, kAccessObjectsTableName,
                         kObjectLocalTable,  kFlagsAccessSystemTable,                      kAdminsSid,
                         {}};
}

std::vector<BlankAce> blankAces(std::uint32_t aceTable, std::uint32_t queryTable, std::uint32_t relationshipTable,
                                std::uint32_t accessObjectsTable) {
  std::vector<BlankAce> aces;
  const auto add = [&](std::int32_t object, const Bytes& sid, std::int32_t rights, bool inheritable) {
    aces.push_back({object, sid, rights, inheritable});
  };
  // Access's containers pass full rights on to everything created in them.
  const auto accessContainer = [&](std::int32_t object) {
    add(object, kUsersSid, kFullRights, true);
    add(object, kAdminUserSid, kFullRights, true);
    add(object, kAdminsSid, kFullRights, true);
    add(object, kCreatorSid, kFullRights, true);
  };
  const auto id = [](std::uint32_t page) { return static_cast<std::int32_t>(page); };
  accessContainer(kDataAccessPagesId);
  add(kDatabasesContainerId, kAdminsSid, kReadDefinitions, false);
  accessContainer(kFormsId);
  accessContainer(kModulesId);
  add(kRelationshipsContainerId, kCreatorSid, kCreatorRights, true);
  add(kRelationshipsContainerId, kAdminsSid, kReadContainer, false);
  add(kRelationshipsContainerId, kAdminUserSid, kFullRights, true);
  add(kRelationshipsContainerId, kUsersSid, kFullRights, true);
  accessContainer(kReportsId);
  accessContainer(kScriptsId);
  accessContainer(kSysRelId);
  add(kTablesContainerId, kCreatorSid, kCreatorRights, true);
  add(kTablesContainerId, kAdminsSid, kTablesRights, true);
  add(kTablesContainerId, kAdminUserSid, kTablesRights, true);
  add(kTablesContainerId, kUsersSid, kTablesRights, true);
  add(kDatabaseObjectId, kAdminsSid, kDatabaseOpen, false);
  add(kDatabaseObjectId, kUsersSid, kUsersDatabaseOpen, false);
  add(kDatabaseObjectId, kAdminUserSid, kDatabaseOpen, false);
  add(kSummaryInfoId, kUsersSid, kDocumentRead, false);
  add(kUserDefinedId, kUsersSid, kDocumentRead, false);
  add(id(accessObjectsTable), kAdminsSid, kFullRights, false);
  add(id(accessObjectsTable), kAdminUserSid, kFullRights, false);
  add(id(accessObjectsTable), kUsersSid, kFullRights, false);
  add(id(aceTable), kAdminsSid, kReadDefinitions, false);
  add(id(aceTable), kAdminUserSid, kCatalogUserRights, false);
  add(id(kCatalogPage), kAdminsSid, kReadDefinitions, false);
  add(id(kCatalogPage), kAdminUserSid, kCatalogUserRights, false);
  add(id(kCatalogPage), kUsersSid, kReadData, false);
  add(id(queryTable), kAdminsSid, kReadDefinitions, false);
  add(id(queryTable), kAdminUserSid, kSystemTableUserRights, false);
  add(id(queryTable), kUsersSid, kReadData, false);
  add(id(relationshipTable), kAdminsSid, kRelationshipAdminRights, false);
  add(id(relationshipTable), kAdminUserSid, kSystemTableUserRights, false);
  add(id(relationshipTable), kUsersSid, kReadData, false);
  return aces;
}

}  // namespace jet
