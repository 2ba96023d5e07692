// Creating a blank database. The structure (header, page map, the four tables
// every database has) is written first through the pager, in the order the
// engine lays it out: definitions on pages 2-5, their usage maps on page 6,
// empty index roots after them. The file is then opened like any other and
// the catalog rows, Access's project table and the access-control entries are
// added with the row writer, which keeps the indexes and counters.
#include "tools/create_database.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "catalog/catalog_reader.h"
#include "catalog/database_impl.h"
#include "catalog/schema_catalog_rows.h"
#include "format/text_codec.h"
#include "catalog/schema_object_pages.h"
#include "format/data_page_writer.h"
#include "format/global_page_map.h"
#include "format/header_writer.h"
#include "format/index_key.h"
#include "format/table_definition_writer.h"
#include "format/usage_map_format.h"
#include "format/usage_map_writer.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/journal_format.h"
#include "storage/pager.h"
#include "table/table_impl.h"
#include "table/write_scope.h"
#include "tools/blank_database_tables.h"

namespace jet {

namespace {


// Page 1: row 0 is the global page map (a set bit marks a page not in use),
// row 1 an inline map every file carries empty.
void writeGlobalPageMap(std::span<std::uint8_t> page, const FormatVersion& v) {
  DataPageEditor::format(page, kGlobalPageMapPage, v);
  DataPageEditor editor(page, kGlobalPageMapPage, v);
  std::vector<std::uint8_t> map(v.usageMapRowSize, 0);
  map[0] = kUsageMapInline;
  const std::size_t bits = 8 * (map.size() - kUsageMapInlineBitmap);
  for (std::size_t p = kGlobalPageMapPage + 1; p < bits; ++p) {
    map[kUsageMapInlineBitmap + p / 8] = static_cast<std::uint8_t>(map[kUsageMapInlineBitmap + p / 8] | 1u << (p % 8));
  }
  editor.insert(map);
  std::vector<std::uint8_t> empty(v.usageMapRowSize, 0);
  empty[0] = kUsageMapInline;
  editor.insert(empty);
}

// The table's usage maps, all on `mapPage` while it has room (a new usage-map
// page when it is 0 or full): owned and free pages, those of each long-value
// column in column order, then one per real index.
void createUsageMaps(UsageMapWriter& maps, TableDefinition& d, std::uint32_t& mapPage) {
  const auto make = [&] {
    const RowId row = maps.create(mapPage);
    mapPage = row.page();
    return row;
  };
  d.ownedPages = make();
  d.freePages = make();
  std::vector<LongValueColumnMaps*> byNumber;
  for (LongValueColumnMaps& m : d.longValueMaps) byNumber.push_back(&m);
  std::sort(byNumber.begin(), byNumber.end(),
            [](const LongValueColumnMaps* a, const LongValueColumnMaps* b) { return a->columnNumber < b->columnNumber; });
  for (LongValueColumnMaps* m : byNumber) {
    m->ownedPages = make();
    m->freePages = make();
  }
  for (RealIndexDefinition& r : d.realIndexes) r.usageMap = make();
}

void createIndexRoots(Pager& pager, const FormatVersion& v, TableDefinition& d) {
  for (RealIndexDefinition& r : d.realIndexes) r.rootPage = createEmptyIndexRoot(pager, v, d.firstPage, r.usageMap);
}

void storeDefinition(Pager& pager, const FormatVersion& v, TableDefinition& d) {
  d.pages = {d.firstPage};
  storeTableDefinition(pager, d.pages, buildTableDefinition(d, kGeneralSortOrder, v, TextCodec::unicode()), v);
}

struct CoreTables {
  std::uint32_t aces = 0;
  std::uint32_t queries = 0;
  std::uint32_t relationships = 0;
};

// Writes the header, the page map and the definitions of the tables every
// database has, in one write transaction on the new, empty file.
CoreTables writeStructure(std::unique_ptr<File> file, const std::shared_ptr<Vfs>& vfs, const std::string& path,
                          const std::vector<std::uint8_t>& header) {
  const FormatVersion& v = kJet4Format;
  Pager pager(std::move(file), v.pageSize);
  pager.enableWriting(vfs, path + kJournalSuffix);
  pager.beginWrite();
  try {
    const std::span<std::uint8_t> first = pager.modify(pager.appendPage());
    std::copy(header.begin(), header.end(), first.begin());
    writeGlobalPageMap(pager.modify(pager.appendPage()), v);
    pager.setAllocator(std::make_unique<GlobalPageMap>(v));

    std::vector<TableDefinition> tables = {catalogTableDefinition(), aceTableDefinition(), queryTableDefinition(),
                                           relationshipTableDefinition()};
    for (TableDefinition& d : tables) d.firstPage = pager.allocatePage();
    if (tables.front().firstPage != kCatalogPage) {
      throw Error(ErrorCode::Corruption, "the catalog's definition did not land on page " + std::to_string(kCatalogPage));
    }
    UsageMapWriter maps(pager, v);
    std::uint32_t mapPage = 0;
    for (TableDefinition& d : tables) createUsageMaps(maps, d, mapPage);
    for (TableDefinition& d : tables) createIndexRoots(pager, v, d);
    for (TableDefinition& d : tables) storeDefinition(pager, v, d);
    pager.commitWrite();
    return CoreTables{tables[1].firstPage, tables[2].firstPage, tables[3].firstPage};
  } catch (...) {
    if (pager.writing()) pager.rollbackWrite();
    throw;
  }
}

std::size_t columnOf(const Table& t, const char16_t* name) {
  const int at = t.findColumn(name);
  if (at < 0) throw Error(ErrorCode::Corruption, "the new table '" + toUtf8(t.name()) + "' has no column '" + toUtf8(name) + "'");
  return static_cast<std::size_t>(at);
}

// Inserts the row without its properties; they are added by setProperties.
RowId insertCatalogRow(Table& catalog, const BlankCatalogRow& r, DateTime now) {
  std::vector<Value> row(catalog.columns().size());
  row[columnOf(catalog, u"Id")] = Value::longInt(r.id);
  row[columnOf(catalog, u"ParentId")] = Value::longInt(r.parentId);
  row[columnOf(catalog, u"Name")] = Value::text(r.name);
  row[columnOf(catalog, u"Type")] = Value::integer(r.type);
  row[columnOf(catalog, u"DateCreate")] = Value::dateTime(now);
  row[columnOf(catalog, u"DateUpdate")] = Value::dateTime(now);
  row[columnOf(catalog, u"Owner")] = Value::binary(r.owner);
  row[columnOf(catalog, u"Flags")] = Value::longInt(static_cast<std::int32_t>(r.flags));
  return catalog.impl().insertRow(row);
}

void setProperties(Table& catalog, RowId at, const Bytes& properties) {
  std::vector<Value> row = catalog.impl().readValues(at);
  row[columnOf(catalog, u"LvProp")] = Value::binary(properties);
  catalog.impl().updateRow(at, row);
}

void insertAces(Table& aces, const std::vector<BlankAce>& entries) {
  const std::size_t objectId = columnOf(aces, u"ObjectId");
  const std::size_t sid = columnOf(aces, u"SID");
  const std::size_t rights = columnOf(aces, u"ACM");
  const std::size_t inheritable = columnOf(aces, u"FInheritable");
  for (const BlankAce& a : entries) {
    std::vector<Value> row(aces.columns().size());
    row[objectId] = Value::longInt(a.objectId);
    row[sid] = Value::binary(a.sid);
    row[rights] = Value::longInt(a.rights);
    row[inheritable] = Value::boolean(a.inheritable);
    aces.impl().insertRow(row);
  }
}

constexpr char kNameTaken[] = "a file of that name exists already (it was left as it is)";

// Fills the catalog of the freshly opened structure, in one write and in the
// order the pages of a blank Access file show: the catalog rows, Access's
// project table, the access-control entries, and last the properties of the
// database objects (so that their long-value page comes after the rest).
void fillCatalog(Database::Impl& db, const CoreTables& core, DateTime now) {
  DatabaseContext& ctx = *db.context;
  Pager& pager = *ctx.pager;
  const FormatVersion& v = *ctx.version;
  WriteScope scope(ctx);
  Table& catalog = *db.tables.at(kCatalogPage);

  std::vector<std::pair<RowId, Bytes>> properties;
  for (const BlankCatalogRow& row : blankCatalogRows(core.aces, core.queries, core.relationships)) {
    const RowId at = insertCatalogRow(catalog, row, now);
    if (!row.properties.empty()) properties.emplace_back(at, row.properties);
  }
  TableDefinition accessObjects = accessObjectsTableDefinition();
  accessObjects.firstPage = pager.allocatePage();
  UsageMapWriter maps(pager, v);
  std::uint32_t mapPage = 0;
  createUsageMaps(maps, accessObjects, mapPage);
  createIndexRoots(pager, v, accessObjects);
  storeDefinition(pager, v, accessObjects);
  insertCatalogRow(catalog, accessObjectsCatalogRow(accessObjects.firstPage), now);
  reloadCatalog(db);
  insertAces(*db.table(kAceTableName),
             blankAces(core.aces, core.queries, core.relationships, accessObjects.firstPage));
  for (const auto& [at, blob] : properties) setProperties(catalog, at, blob);
  scope.commit();
  reloadCatalog(db);
}

// Creates the database in the file `makeFile` makes (new and empty, or it
// throws). Whatever fails after that, the file and its journal are removed.
std::unique_ptr<Database> createOn(const std::shared_ptr<Vfs>& vfs, const std::filesystem::path& path,
                                   const CreateOptions& options, const std::function<std::unique_ptr<File>()>& makeFile) {
  const std::string name = path.string();
  const std::string what = "Cannot create the database '" + name + "': ";
  const DateTime now = currentDateTime();
  NewHeader fields;
  fields.creationDate = now.days;
  fields.password = options.password;
  std::vector<std::uint8_t> header;
  std::unique_ptr<File> file;
  try {
    header = buildJet4Header(fields);
    file = makeFile();
  } catch (const Error& e) {
    throw Error(e.code(), what + e.what());
  }
  std::unique_ptr<Database> db;
  try {
    const CoreTables core = writeStructure(std::move(file), vfs, name, header);
    OpenOptions open;
    open.password = options.password;
    db = openDatabase(vfs, path, open);
    if (db->isReadOnly()) throw Error(ErrorCode::ReadOnly, "the new file cannot be written: " + db->readOnlyReason());
    fillCatalog(db->impl(), core, now);
    vfs->syncDirectory(name);
    return db;
  } catch (const Error& e) {
    db.reset();
    std::string message = what + e.what();
    try {
      vfs->remove(name + kJournalSuffix);
      vfs->remove(name);
      vfs->syncDirectory(name);
    } catch (const Error& cleanup) {
      message += "; the partly written file could not be removed: " + std::string(cleanup.what());
    }
    throw Error(e.code(), message);
  }
}

}  // namespace

std::unique_ptr<Database> createDatabase(std::shared_ptr<Vfs> vfs, const std::filesystem::path& path,
                                         const CreateOptions& options) {
  const std::string name = path.string();
  return createOn(vfs, path, options, [&] {
    if (vfs->exists(name)) throw Error(ErrorCode::InvalidArgument, kNameTaken);
    return vfs->create(name);
  });
}

std::unique_ptr<Database> Database::create(const std::filesystem::path& path, const CreateOptions& options) {
  // The name is claimed with an exclusive create, so that a file another
  // program makes at the same moment is never overwritten.
  const auto vfs = std::make_shared<PosixVfs>();
  const std::string name = path.string();
  return createOn(vfs, path, options, [&] {
    int fd;
    do {
      fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
      const int err = errno;
      if (err == EEXIST) throw Error(ErrorCode::InvalidArgument, kNameTaken);
      const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
      std::error_code ignored;
      if (err == ENOENT && !std::filesystem::is_directory(folder, ignored)) {
        throw Error(ErrorCode::Io, "the folder '" + folder.string() + "' does not exist");
      }
      throw Error(ErrorCode::Io, std::strerror(err));
    }
    ::close(fd);
    try {
      return vfs->open(name, OpenMode::ReadWrite);
    } catch (const Error&) {
      ::unlink(name.c_str());
      throw;
    }
  });
}

}  // namespace jet
