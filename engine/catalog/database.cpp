// Database: recognising the file, taking the writer's lock and recovering an
// interrupted write, checking the password, reading the catalog, and finding
// and caching tables by name.
#include "jet/database.h"

#include "catalog/catalog_reader.h"
#include "catalog/database_impl.h"
#include "format/global_page_map.h"
#include "format/header.h"
#include "format/text_codec.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/journal_format.h"
#include "storage/pager.h"
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
      return kJet3Format;
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

// How the file keeps its text: Jet 4 in UCS-2; Jet 3 in the header's code
// page, or the one the caller names for a file whose header is wrong.
const TextCodec& textCodecFor(const FormatVersion& version, ByteSpan header, std::uint16_t override,
                              const std::string& fileName) {
  if (version.format != FileFormat::Jet3) return TextCodec::unicode();
  if (override != 0) {
    if (const TextCodec* codec = TextCodec::forCodePage(override)) return *codec;
    throw Error(ErrorCode::InvalidArgument,
                "Cannot open " + quoted(fileName) + " in code page " + std::to_string(override) +
                    ": the code pages Access 97 text can be read in are 874 and 1250 to 1258");
  }
  const std::uint16_t codePage = headerCodePage(header);
  if (const TextCodec* codec = TextCodec::forCodePage(codePage)) return *codec;
  throw Error(ErrorCode::Unsupported,
              "Cannot open " + quoted(fileName) + ": its text is in code page " + std::to_string(codePage) +
                  ", which cannot be read; if the file comes from a Western, Central European, Cyrillic, "
                  "Greek, Turkish, Hebrew, Arabic, Baltic, Vietnamese or Thai system, open it with that "
                  "system's code page (874, 1250 to 1258)");
}

}  // namespace

namespace {

// The database file opened for writing when allowed, else for reading with the
// reason why.
struct OpenedFile {
  std::unique_ptr<File> file;
  std::string readOnlyReason;  // empty: writable
};

OpenedFile openFile(Vfs& vfs, const std::string& path, const OpenOptions& options) {
  OpenedFile opened;
  if (options.readOnly) {
    opened.file = vfs.open(path, OpenMode::ReadOnly);
    opened.readOnlyReason = "the database was opened read-only";
    return opened;
  }
  try {
    opened.file = vfs.open(path, OpenMode::ReadWrite);
  } catch (const Error& e) {
    if (e.code() != ErrorCode::Io) throw;
    // Permissions or a read-only file system: read what we may.
    opened.file = vfs.open(path, OpenMode::ReadOnly);
    opened.readOnlyReason = "the file cannot be written (" + std::string(e.what()) + ")";
  }
  return opened;
}

// The page size of the file's format, from the first bytes of its header
// (which no write changes, so they are read before any lock).
const FormatVersion& peekVersion(File& file) {
  std::vector<std::uint8_t> probe(0x20);
  probe.resize(file.readFully(0, probe));
  return versionFor(probe, file.size(), file.name());
}

// A pager sharing the file at `path` with other programs. A file put in its
// place while this opener waited for the Open slot (a compaction renaming its
// copy over it) is opened again, so that nobody goes on with a file no longer
// at that path.
std::unique_ptr<Pager> sharedPager(const std::shared_ptr<Vfs>& vfs, const std::string& path,
                                   const OpenOptions& options, OpenedFile& opened) {
  LockWaits waits;
  waits.read = options.readWait;
  waits.write = options.writeWait;
  for (int attempt = 0;; ++attempt) {
    const FormatVersion& version = peekVersion(*opened.file);
    auto pager = std::make_unique<Pager>(std::move(opened.file), version.pageSize);
    pager->share(vfs, path, waits);
    const std::string identity = pager->file().identity();
    if (identity.empty() || identity == vfs->identityOf(path) || attempt == 3) return pager;
    opened = openFile(*vfs, path, options);
  }
}

}  // namespace

std::unique_ptr<Database> openDatabase(std::shared_ptr<Vfs> vfs, const std::filesystem::path& path,
                                       const OpenOptions& options) {
  OpenedFile opened = openFile(*vfs, path.string(), options);
  std::unique_ptr<Pager> shared = sharedPager(vfs, path.string(), options, opened);
  const std::string fileName = shared->file().name();
  const FormatVersion& version = peekVersion(shared->file());

  auto impl = std::make_unique<Database::Impl>();
  impl->path = path;
  impl->context = std::make_shared<DatabaseContext>();
  impl->context->version = &version;
  impl->context->fileName = fileName;
  impl->readOnly = !opened.readOnlyReason.empty();
  impl->readOnlyReason = std::move(opened.readOnlyReason);
  impl->context->pager = std::move(shared);
  Pager& pager = *impl->context->pager;
  if (!impl->readOnly) {
    pager.enableWriting(vfs, path.string() + kJournalSuffix);
    pager.setAllocator(std::make_unique<GlobalPageMap>(version));
  }

  // Everything from here on reads one committed state of the file; the read
  // lock also undoes a write a crashed program left unfinished.
  ReadScope scope(pager);
  // The pager counted the file's pages before this first read lock: another
  // program may have committed in between.
  pager.refresh();
  if (pager.pageCount() < 1) {
    throw Error(ErrorCode::Corruption, "Cannot open " + quoted(fileName) +
                                           ": the file is cut off inside its header page (" +
                                           std::to_string(pager.file().size()) + " bytes)");
  }
  const Page headerPage = pager.page(0);
  std::vector<std::uint8_t> header(headerPage.bytes().begin(), headerPage.bytes().end());
  toggleHeaderMask(header, version);
  const TextCodec& text = textCodecFor(version, header, options.codePage, fileName);
  impl->context->text = &text;
  const HeaderFields fields = readHeaderFields(header, version, text);
  if (!fields.password.empty() && options.password != fields.password) {
    throw Error(ErrorCode::InvalidArgument, "Not a valid password for " + quoted(fileName) + ".");
  }
  pager.setDatabaseKey(fields.databaseKey);

  DatabaseInfo& info = impl->info;
  info.format = version.format;
  info.pageSize = version.pageSize;
  info.pageCount = pager.pageCount();
  info.codePage = text.singleByte() ? text.codePage() : fields.codePage;
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
  impl->notices = pager.takeNotices();
  auto db = std::make_unique<Database>(std::move(impl));
  DatabaseContext* context = db->impl().context.get();
  pager.setChangeListener([context] {
    if (context->owner) context->owner->reloadAfterChange();
  });
  return db;
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
  // Tables that outlive the database keep reading the file (under read
  // locks), but the database no longer has it open.
  db.pager->leave();
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

std::uint64_t Database::changesByOthers() const { return impl_->changesByOthers; }

bool Database::followChanges() {
  const std::uint64_t before = impl_->changesByOthers;
  { ReadLock lock(*this); }
  return impl_->changesByOthers != before;
}

std::vector<std::string> Database::takeNotices() {
  std::vector<std::string> out;
  out.swap(impl_->notices);
  for (std::string& notice : impl_->context->pager->takeNotices()) out.push_back(std::move(notice));
  return out;
}

bool Database::showsStateBeforeInterruptedWrite() const { return impl_->context->pager->showingBeforeState(); }

LockStats Database::lockStats() const {
  LockStats out;
  if (FileSharing* sharing = impl_->context->pager->sharing()) {
    const SharingStats& s = sharing->stats();
    out.commits = s.commits;
    out.commitWait = s.commitWait;
    out.longestCommitWait = s.longestCommitWait;
    out.lastCommitWait = s.lastCommitWait;
    out.readWait = s.readWait;
  }
  return out;
}

ReadLock::ReadLock(Database& database) : database_(database) { database_.impl().context->pager->beginRead(); }

ReadLock::~ReadLock() { database_.impl().context->pager->endRead(); }

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
  ReadScope scope(*context->pager);
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
