// Database: recognising the file, taking the writer's lock and recovering an
// interrupted write, checking the password, reading the catalog, and finding
// and caching tables by name.
#include "jet/database.h"

#include "catalog/catalog_reader.h"
#include "catalog/database_impl.h"
#include "format/global_page_map.h"
#include "format/header.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/journal.h"
#include "storage/journal_format.h"
#include "storage/vfs.h"
#include "table/table_impl.h"

namespace jet {

namespace {

std::string quoted(const std::string& fileName) {
  return "'" + fileName + "'";
}

// Refuses files this engine cannot read, with a message naming the format.
const FormatVersion& versionFor(ByteSpan probe, std::uint64_t fileSize, const std::string& fileName) {
  std::uint32_t aceVersion = 0;
  switch (detectFileKind(probe, &aceVersion)) {
    case FileKind::Jet4:
      return kJet4Format;
    case FileKind::Jet3:
      throw Error(ErrorCode::Unsupported,
                  "Cannot open " + quoted(fileName) + ": Access 97 (Jet 3) databases are not supported yet");
    case FileKind::Ace:
      throw Error(ErrorCode::Unsupported,
                  "Cannot open " + quoted(fileName) + ": Access 2007 and later (ACE, version " +
                      std::to_string(aceVersion) + ") databases are not supported yet");
    case FileKind::Msisam:
      throw Error(ErrorCode::Unsupported,
                  "Cannot open " + quoted(fileName) + ": MSISAM databases are not supported yet");
    case FileKind::NotDatabase:
      break;
  }
  throw Error(ErrorCode::InvalidArgument, "Cannot open " + quoted(fileName) + ": " +
                                              (fileSize == 0 ? "the file is empty, not an Access database"
                                                             : "the file is not an Access database"));
}

}  // namespace

namespace {

// The database file opened for writing when allowed, else for reading with the
// reason why; a journal a crashed writer left is rolled back first.
struct OpenedFile {
  std::unique_ptr<File> file;
  std::string readOnlyReason;  // empty: writable, locked, recovered
};

OpenedFile openFile(Vfs& vfs, const std::string& path, const OpenOptions& options) {
  OpenedFile opened;
  if (options.readOnly) {
    opened.file = vfs.open(path, OpenMode::ReadOnly);
    opened.readOnlyReason = "the database was opened read-only";
  } else {
    try {
      opened.file = vfs.open(path, OpenMode::ReadWrite);
    } catch (const Error& e) {
      if (e.code() != ErrorCode::Io) throw;
      // Permissions or a read-only file system: read what we may.
      opened.file = vfs.open(path, OpenMode::ReadOnly);
      opened.readOnlyReason = "the file cannot be written (" + std::string(e.what()) + ")";
    }
  }
  File& file = *opened.file;
  const std::string journal = path + kJournalSuffix;

  // One writer per file: a file whose lock is held elsewhere opens read-only.
  if (opened.readOnlyReason.empty() && !file.tryLockExclusive()) {
    opened.readOnlyReason = "the file is opened for writing by another program";
  }
  if (opened.readOnlyReason.empty()) {
    try {
      rollBackJournal(vfs, file, journal);
    } catch (const Error& e) {
      throw Error(e.code(), "Cannot open " + quoted(path) + ": the rollback of an interrupted write failed: " + e.what());
    }
    return opened;
  }
  // Reading only. A live writer's journal is its own business; a journal nobody
  // holds the file for means a write was interrupted and the file may be
  // half-written until someone who may write rolls it back.
  if (!file.lockHeldElsewhere() && inspectJournal(vfs, journal) == JournalState::Hot) {
    throw Error(ErrorCode::ReadOnly, "Cannot open " + quoted(path) +
                                         " for reading only: a write to it was interrupted and must first be undone "
                                         "from its journal " + quoted(journal) +
                                         "; open it once with write access to recover it");
  }
  return opened;
}

}  // namespace

std::unique_ptr<Database> openDatabase(std::shared_ptr<Vfs> vfs, const std::filesystem::path& path,
                                       const OpenOptions& options) {
  OpenedFile opened = openFile(*vfs, path.string(), options);
  std::unique_ptr<File> file = std::move(opened.file);
  const std::string fileName = file->name();
  const std::uint64_t fileSize = file->size();

  std::vector<std::uint8_t> header(kJet4Format.pageSize);
  header.resize(file->readFully(0, header));
  const FormatVersion& version = versionFor(header, fileSize, fileName);
  if (header.size() < version.pageSize) {
    throw Error(ErrorCode::Corruption, "Cannot open " + quoted(fileName) +
                                           ": the file is cut off inside its header page (" +
                                           std::to_string(fileSize) + " bytes)");
  }
  toggleHeaderMask(header, version);
  const HeaderFields fields = readHeaderFields(header, version);
  if (!fields.password.empty() && options.password != fields.password) {
    throw Error(ErrorCode::InvalidArgument, "Not a valid password for " + quoted(fileName) + ".");
  }

  auto impl = std::make_unique<Database::Impl>();
  impl->path = path;
  impl->context = std::make_shared<DatabaseContext>();
  impl->context->version = &version;
  impl->context->fileName = fileName;
  impl->readOnly = !opened.readOnlyReason.empty();
  impl->readOnlyReason = std::move(opened.readOnlyReason);

  impl->context->pager = std::make_unique<Pager>(std::move(file), version.pageSize);
  Pager& pager = *impl->context->pager;
  pager.setDatabaseKey(fields.databaseKey);
  if (!impl->readOnly) {
    pager.enableWriting(vfs, path.string() + kJournalSuffix);
    pager.setAllocator(std::make_unique<GlobalPageMap>(version));
  }

  DatabaseInfo& info = impl->info;
  info.format = version.format;
  info.pageSize = version.pageSize;
  info.pageCount = pager.pageCount();
  info.codePage = fields.codePage;
  info.sortOrder = fields.sortOrder;
  info.sortOrderVersion = fields.sortOrderVersion;
  info.created = DateTime{fields.creationDate};
  info.databaseKey = fields.databaseKey;
  info.hasPassword = !fields.password.empty();

  try {
    auto catalog = Table::Impl::open(impl->context, kCatalogPage, u"MSysObjects", true);
    impl->catalog = readCatalog(*catalog, impl->catalogRows);
    impl->tables.emplace(kCatalogPage, std::move(catalog));
  } catch (const Error& e) {
    throw Error(e.code(), "Cannot open " + quoted(fileName) + ": its catalog cannot be read: " + e.what());
  }
  impl->tablesContainer = findTablesContainer(impl->catalog);
  return std::make_unique<Database>(std::move(impl));
}

std::unique_ptr<Database> Database::open(const std::filesystem::path& path, const OpenOptions& options) {
  return openDatabase(std::make_shared<PosixVfs>(), path, options);
}

Database::Database(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) { impl_->context->owner = impl_.get(); }

Database::~Database() {
  // An open transaction is undone; tables that outlive the database can still
  // be read but no longer written.
  DatabaseContext& db = *impl_->context;
  if (db.userTransaction) {
    db.userTransaction = false;
    try {
      db.pager->rollbackWrite();
    } catch (const Error&) {
    }
  }
  db.owner = nullptr;
  // Tables that outlive the database keep reading the file, but the writer's
  // lock goes with the database.
  db.pager->file().unlock();
}

const std::filesystem::path& Database::path() const {
  return impl_->path;
}
const DatabaseInfo& Database::info() const {
  return impl_->info;
}
bool Database::isReadOnly() const {
  return impl_->readOnly;
}
const std::string& Database::readOnlyReason() const {
  return impl_->readOnlyReason;
}
const std::vector<CatalogObject>& Database::catalog() const {
  return impl_->catalog;
}

const CatalogObject* Database::Impl::findTableObject(std::u16string_view name) const {
  const CatalogObject* linked = nullptr;
  for (const CatalogObject& o : catalog) {
    if (o.parentId != tablesContainer || !equalNamesNoCase(o.name, name)) continue;
    if (o.type == kObjectLocalTable) return &o;
    if (o.type == kObjectLinkedTable || o.type == kObjectOdbcLinkedTable) linked = linked ? linked : &o;
  }
  return linked;
}

bool Database::hasTable(std::u16string_view name) const {
  const CatalogObject* o = impl_->findTableObject(name);
  return o && o->type == kObjectLocalTable;
}

std::shared_ptr<Table> Database::table(std::u16string_view name) { return impl_->table(name); }

std::shared_ptr<Table> Database::Impl::table(std::u16string_view name) {
  const CatalogObject* o = findTableObject(name);
  if (!o) {
    throw Error(ErrorCode::NotFound,
                "There is no table named '" + toUtf8(name) + "' in '" + context->fileName + "'");
  }
  if (o->type != kObjectLocalTable) {
    const std::string source =
        o->type == kObjectOdbcLinkedTable ? "an ODBC data source" : "'" + toUtf8(o->linkedDatabase) + "'";
    throw Error(ErrorCode::Unsupported, "Table '" + toUtf8(o->name) + "' is linked from " + source +
                                            "; linked tables are not supported yet");
  }
  // A local table's id is its definition page (the top byte is reserved).
  const std::uint32_t page = static_cast<std::uint32_t>(o->id) & 0x00FFFFFF;
  if (auto it = tables.find(page); it != tables.end()) return it->second;
  const Table& catalogTable = *tables.at(kCatalogPage);
  const RowId row = catalogRows[static_cast<std::size_t>(o - catalog.data())];
  auto opened = Table::Impl::open(context, page, o->name, o->isSystem(), readObjectProperties(catalogTable, row));
  tables.emplace(page, opened);
  return opened;
}

}  // namespace jet
