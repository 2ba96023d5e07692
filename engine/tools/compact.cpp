// Compacting a database: a physical rebuild into a new file. The header page is
// carried over byte for byte; page 1 gets a fresh page map; the catalog keeps
// its definition on page 2 and every other local table gets a new definition
// page, allocated before any row is copied so that the references to tables
// (catalog ids, access-control entries, foreign-key indexes) can be rewritten
// as the rows go across. Each table's live rows are encoded again onto fresh
// data pages (long values with them), then each index is bulk-built from them.
#include "tools/compact.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "catalog/catalog_reader.h"
#include "catalog/database_impl.h"
#include "catalog/schema_object_pages.h"
#include "format/data_page_writer.h"
#include "format/global_page_map.h"
#include "format/index_key.h"
#include "format/table_definition_writer.h"
#include "format/usage_map_format.h"
#include "format/usage_map_writer.h"
#include "index/index_maintenance.h"
#include "jet/compact.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/journal_format.h"
#include "table/row_writer.h"
#include "table/table_impl.h"

namespace jet {

namespace {

// A catalog id of a local table holds its definition page in the low three bytes.
constexpr std::uint32_t kTablePageMask = 0x00FFFFFF;

// Rows copied between checks whether modified pages should be written early.
constexpr std::size_t kRowsPerSpillCheck = 4096;

struct TableMove {
  std::u16string name;
  bool system = false;
  std::uint32_t from = 0;  // definition page in the source
  std::uint32_t to = 0;    // definition page in the copy
};

// System-table columns that hold catalog ids, which for a local table are its
// definition page: the catalog itself, access-control entries and the
// navigation pane's lists of objects. A type column beside the id tells which
// rows are about local tables.
struct TableReference {
  const char16_t* table;
  const char16_t* column;
  const char16_t* typeColumn;
};
constexpr TableReference kTableReferences[] = {
    {u"MSysObjects", u"Id", u"Type"},
    {u"MSysACEs", u"ObjectId", nullptr},
    {u"MSysNavPaneObjectIDs", u"Id", u"Type"},
    {u"MSysNavPaneGroupToObjects", u"ObjectID", nullptr},
    {u"MSysNavPaneGroups", u"ObjectID", nullptr},
    {u"MSysNavPaneGroupCategories", u"SelectedObjectID", nullptr},
};

struct IdColumn {
  int id = -1;    // position of the id column
  int type = -1;  // position of its type column, or -1
};

class Compactor {
 public:
  Compactor(Database::Impl& source, std::shared_ptr<DatabaseContext> target)
      : source_(source), shared_(std::move(target)), target_(*shared_) {}

  void run() {
    Pager& pager = *target_.pager;
    writePageMap();
    planTables(pager);
    for (const TableMove& move : moves_) copyTable(move);
  }

 private:
  // Page 1: an empty page map. It widens as pages are added, calling each one in
  // use and the bits beyond the end of the file free, so the copy has no free pages.
  void writePageMap() {
    Pager& pager = *target_.pager;
    const FormatVersion& version = *target_.version;
    const std::uint32_t page = pager.appendPage();
    if (page != kGlobalPageMapPage) throw Error(ErrorCode::Corruption, "the page map of the copy is not on page 1");
    DataPageEditor::format(pager.modify(page), 0, version);
    DataPageEditor editor(pager.modify(page), page, version);
    std::vector<std::uint8_t> map(kUsageMapInlineBitmap, 0);
    map[0] = kUsageMapInline;
    editor.insert(map);
    pager.setAllocator(std::make_unique<GlobalPageMap>(version));
  }

  // Every local table of the catalog (the catalog itself first, kept on page 2)
  // gets its new definition page now, in catalog order.
  void planTables(Pager& pager) {
    const std::uint32_t catalogPage = pager.allocatePage();
    if (catalogPage != kCatalogPage) throw Error(ErrorCode::Corruption, "the catalog of the copy is not on page 2");
    moves_.push_back({u"MSysObjects", true, kCatalogPage, kCatalogPage});
    newPage_[kCatalogPage] = kCatalogPage;
    for (const CatalogObject& o : source_.catalog) {
      if (o.type != kObjectLocalTable) continue;
      tableIds_.insert(o.id);
      const std::uint32_t from = static_cast<std::uint32_t>(o.id) & kTablePageMask;
      if (newPage_.count(from)) continue;
      const std::uint32_t to = pager.allocatePage();
      newPage_[from] = to;
      moves_.push_back({o.name, o.isSystem(), from, to});
    }
    for (const CatalogObject& o : source_.catalog) {
      // An id shared by a table and some other object cannot be told apart.
      if (o.type != kObjectLocalTable) tableIds_.erase(o.id);
    }
  }

  // The id a reference to a local table has in the copy.
  std::int32_t movedId(std::int32_t id) const {
    const auto it = newPage_.find(static_cast<std::uint32_t>(id) & kTablePageMask);
    if (it == newPage_.end()) return id;
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(id) & ~kTablePageMask) | it->second);
  }

  // Writes the definition of the copy: the source's columns and indexes, with
  // fresh usage maps, empty index roots and references to other tables moved.
  void storeNewDefinition(const TableDefinition& from, std::uint32_t page) {
    Pager& pager = *target_.pager;
    const FormatVersion& version = *target_.version;
    TableDefinition def = from;
    def.firstPage = page;
    def.pages = {page};
    def.rowCount = 0;
    UsageMapWriter maps(pager, version);
    // Map rows of every table share usage-map pages while they have room.
    const auto newMap = [&] {
      const RowId map = maps.create(mapPage_);
      mapPage_ = map.page();
      return map;
    };
    def.ownedPages = newMap();
    def.freePages = newMap();
    for (LongValueColumnMaps& m : def.longValueMaps) {
      m.ownedPages = newMap();
      m.freePages = newMap();
    }
    for (RealIndexDefinition& r : def.realIndexes) {
      r.usageMap = newMap();
      r.rootPage = createEmptyIndexRoot(pager, version, page, r.usageMap);
      r.uniqueCount = 0;
    }
    for (LogicalIndexDefinition& l : def.logicalIndexes) {
      if (l.foreignKeyTable == 0) continue;
      if (const auto it = newPage_.find(l.foreignKeyTable); it != newPage_.end()) l.foreignKeyTable = it->second;
    }
    const std::uint16_t sortOrder = source_.info.sortOrder != 0 ? source_.info.sortOrder : kGeneralSortOrder;
    storeTableDefinition(pager, def.pages, buildTableDefinition(def, sortOrder, version, *target_.text), version);
  }

  void copyTable(const TableMove& move) {
    Pager& pager = *target_.pager;
    const FormatVersion& version = *target_.version;
    const std::shared_ptr<Table> sourceTable =
        Table::Impl::open(source_.context, move.from, move.name, move.system);
    const Table::Impl& from = sourceTable->impl();
    storeNewDefinition(from.definition, move.to);
    const std::shared_ptr<Table> targetTable = Table::Impl::open(shared_, move.to, move.name, move.system);
    Table::Impl& to = targetTable->impl();
    const std::string reason = target_.indexes->unsupportedReason(to);
    if (!reason.empty()) throw Error(ErrorCode::Unsupported, "Cannot rebuild " + to.describe() + ": " + reason);

    // Columns that hold the catalog id of an object, maybe a local table.
    std::vector<IdColumn> idColumns;
    if (move.system) {
      for (const TableReference& r : kTableReferences) {
        if (!equalNamesNoCase(move.name, r.table)) continue;
        const int id = sourceTable->findColumn(r.column);
        const int type = r.typeColumn ? sourceTable->findColumn(r.typeColumn) : -1;
        if (id >= 0 && (!r.typeColumn || type >= 0)) idColumns.push_back({id, type});
      }
    }

    RowWriter writer(to);
    writer.appendOnly();  // the copy keeps the source's row order
    // Rows are read in full (a row that cannot be read stops the compaction);
    // one whose values need no change and that has no memo or OLE data keeps
    // its bytes when the copy lays rows out the same way.
    const bool sameBytes = idColumns.empty() && sameRowLayout(from, to);
    std::vector<std::size_t> longValueColumns;
    for (std::size_t i = 0; i < from.columns.size(); ++i) {
      if (factsOf(from.columns[i].type).longValue) longValueColumns.push_back(i);
    }
    std::vector<Value> values(from.columns.size());
    std::vector<std::uint8_t> rowBytes;
    std::uint32_t rows = 0;
    from.forEachRow(
        ScanMode::Strict, nullptr,
        [&](RowId, ByteSpan bytes) {
          from.decode(bytes, nullptr, values);
          if (sameBytes) rowBytes.assign(bytes.begin(), bytes.end());
        },
        [&](RowId) {
          for (const IdColumn& c : idColumns) {
            remapId(values[static_cast<std::size_t>(c.id)],
                    c.type >= 0 ? &values[static_cast<std::size_t>(c.type)] : nullptr);
          }
          const bool noLongValues =
              std::ranges::all_of(longValueColumns, [&](std::size_t i) { return values[i].isNull(); });
          if (sameBytes && noLongValues && rowBytes.size() <= version.maxRowSize) {
            writer.insertEncoded(rowBytes);
          } else {
            writer.insert(values);
          }
          if (++rows % kRowsPerSpillCheck == 0) pager.spillIfNeeded();
          return true;
        });
    to.definition.rowCount = rows;
    writeDefinitionU32(pager, to.definition, version.tdefRowCount, rows, version);
    for (std::size_t i = 0; i < to.definition.realIndexes.size(); ++i) target_.indexes->buildIndex(to, i);
    pager.spillIfNeeded();
  }

  // Whether rows of `from` are rows of `to` as they stand: the same columns in
  // the same places.
  static bool sameRowLayout(const Table::Impl& from, const Table::Impl& to) {
    if (from.definition.maxColumns != to.definition.maxColumns ||
        from.definition.varColumns != to.definition.varColumns || from.plans.size() != to.plans.size()) {
      return false;
    }
    for (std::size_t i = 0; i < from.plans.size(); ++i) {
      const ColumnPlan& a = from.plans[i];
      const ColumnPlan& b = to.plans[i];
      if (a.type != b.type || a.number != b.number || a.fixed != b.fixed || a.varSlot != b.varSlot ||
          a.fixedOffset != b.fixedOffset || a.fixedSize != b.fixedSize) {
        return false;
      }
    }
    return true;
  }

  // Moves a reference to a local table to the table's new definition page:
  // with a type beside it, when the type says local table; without, when the
  // id is one that only local tables have.
  void remapId(Value& id, const Value* type) const {
    if (id.kind() != ValueKind::Long) return;
    if (type) {
      const bool localTable = (type->kind() == ValueKind::Integer && type->asInteger() == kObjectLocalTable) ||
                              (type->kind() == ValueKind::Long && type->asLong() == kObjectLocalTable);
      if (!localTable) return;
    } else if (!tableIds_.count(id.asLong())) {
      return;
    }
    id = Value::longInt(movedId(id.asLong()));
  }

  Database::Impl& source_;
  std::shared_ptr<DatabaseContext> shared_;
  DatabaseContext& target_;
  std::vector<TableMove> moves_;
  std::map<std::uint32_t, std::uint32_t> newPage_;  // definition pages, source to copy
  std::set<std::int32_t> tableIds_;                  // catalog ids that name only local tables
  std::uint32_t mapPage_ = 0;                        // the usage-map page last written to
};

std::string quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace

namespace {

// Writes the compacted copy of an open database. The whole copy reads one
// committed state of the source: other programs' commits wait for it.
void compactFrom(Database& database, const std::shared_ptr<Vfs>& vfs, const std::string& source,
                 const std::string& destination) {
  const std::string what = "Cannot compact " + quoted(source) + " into " + quoted(destination);
  if (vfs->exists(destination)) throw Error(ErrorCode::InvalidArgument, what + ": the destination already exists");
  Database::Impl& from = database.impl();
  DatabaseContext& fromContext = *from.context;
  const FormatVersion& version = *fromContext.version;
  ReadScope reading(*fromContext.pager);

  // The header page exactly as stored (its masked region included).
  const Page stored = fromContext.pager->page(0);
  const std::vector<std::uint8_t> header(stored.bytes().begin(), stored.bytes().end());

  const std::string journal = destination + kJournalSuffix;
  auto target = std::make_shared<DatabaseContext>();
  try {
    std::unique_ptr<File> file = vfs->create(destination);
    file->write(0, header);
    target->version = &version;
    target->text = fromContext.text;
    target->fileName = file->name();
    target->pager = std::make_unique<Pager>(std::move(file), version.pageSize);
    target->indexes = makeIndexMaintenance();
    Pager& pager = *target->pager;
    pager.setDatabaseKey(from.info.databaseKey);
    pager.enableWriting(vfs, journal);
    pager.beginWrite();
    Compactor(from, target).run();
    pager.commitWrite();
    vfs->syncDirectory(destination);
  } catch (...) {
    // Nothing half-written stays behind.
    target.reset();
    try {
      vfs->remove(destination);
      vfs->remove(journal);
    } catch (const Error&) {
    }
    try {
      throw;
    } catch (const Error& e) {
      throw Error(e.code(), what + ": " + e.what());
    }
  }
}

}  // namespace

void compactDatabase(const std::shared_ptr<Vfs>& vfs, const std::string& source, const std::string& destination,
                     const std::u16string& password) {
  if (vfs->exists(destination)) {
    throw Error(ErrorCode::InvalidArgument, "Cannot compact " + quoted(source) + " into " + quoted(destination) +
                                                ": the destination already exists");
  }
  OpenOptions options;
  options.password = password;
  options.readOnly = true;
  const std::unique_ptr<Database> database = openDatabase(vfs, source, options);
  compactFrom(*database, vfs, source, destination);
}

void compactDatabase(const std::filesystem::path& source, const std::filesystem::path& destination,
                     const std::u16string& password) {
  compactDatabase(std::make_shared<PosixVfs>(), source.string(), destination.string(), password);
}

void compactDatabaseInPlace(const std::filesystem::path& path, const std::u16string& password) {
  OpenOptions options;
  options.password = password;
  // Opening it for writing rolls back a write someone left unfinished; holding
  // it alone keeps every other program out until the copy has replaced it,
  // for a program that had it open would go on with the old file.
  const std::unique_ptr<Database> holder = Database::open(path, options);
  if (holder->isReadOnly()) {
    throw Error(ErrorCode::ReadOnly,
                "Cannot compact '" + path.string() + "': it cannot be changed (" + holder->readOnlyReason() + ")");
  }
  Pager& pager = *holder->impl().context->pager;
  if (!pager.sharing()->claimSole(pager.file())) {
    throw Error(ErrorCode::Busy, "Cannot compact '" + path.string() + "': it is open in another program; close it there "
                                 "first");
  }
  std::random_device random;
  const std::filesystem::path temporary =
      path.string() + "." + std::to_string(random() % 1000000) + ".compacting";
  const auto vfs = std::make_shared<PosixVfs>();
  compactFrom(*holder, vfs, path.string(), temporary.string());
  // The copy takes the original's permissions (best effort: the owner may differ).
  std::error_code ignored;
  const std::filesystem::file_status original = std::filesystem::status(path, ignored);
  if (!ignored) std::filesystem::permissions(temporary, original.permissions(), ignored);
  std::error_code failure;
  std::filesystem::rename(temporary, path, failure);
  if (failure) {
    vfs->remove(temporary.string());
    throw Error(ErrorCode::Io, "Cannot replace '" + path.string() + "' with its compacted copy: " + failure.message());
  }
  vfs->syncDirectory(path.string());
}

}  // namespace jet
