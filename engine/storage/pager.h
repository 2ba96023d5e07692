// The pager: reads pages by number through a File, keeps recently used pages in
// a bounded cache and decodes the pages of RC4-encoded databases. A Page handle
// keeps its bytes alive while it is held, even when the cache has moved on, so
// a decoder can hold a data page while it follows a pointer to another one.
//
// Writing goes through write transactions with a rollback journal beside the
// database file (journal.h). How code above the pager changes pages:
//
//   pager.beginWrite();                        // the db layer does this: a WriteScope
//                                              // (table/write_scope.h) around each write
//   std::span<std::uint8_t> b = pager.modify(n);  // writable bytes of page n, decoded;
//                                              // the original image is kept for the journal
//   std::uint32_t n = pager.allocatePage();     // a zero-filled page: a free page of the
//                                              // global page map, or a new one at the end
//   pager.freePage(n);                         // back to the global page map
//   Page p = pager.page(n);                    // reads see every change made so far
//   pager.commitWrite();  / pager.rollbackWrite();
//
// Modified pages stay in memory (never evicted) until commit, or until there are
// more than the spill threshold of them at a point between statements
// (spillIfNeeded): then their originals go to the journal (synced) before the
// pages are written early. Commit journals what is left,
// writes every modified page (RC4-encoded again for encoded databases), syncs
// the database and removes the journal. Rollback puts everything back, from the
// journal when pages were written early.
//
// Several programs on one file (file_sharing.h). A pager that shares its file
// reads under read locks: a read scope (beginRead/endRead, or ReadScope) holds
// one, so that a scan or a statement sees one committed state; a page read
// outside any scope locks for itself. The outermost scope deals with a journal
// a crashed writer left (rolls it back, sets it aside, or, when the file
// cannot be written, reads the journal's originals in its place) and notices
// another program's commit: then the cached pages are dropped and the change
// listener (the database) reads its catalog and definitions again. A write
// transaction holds the writer's lock from beginWrite to its end and the commit
// lock from its first page write to its end.
//
// A span from modify() stays valid until the transaction or the current
// statement ends; after rollbackStatement() fetch it again. Statements give
// partial rollback inside a transaction: a failed insert undoes its own changes
// and leaves the rest of the transaction in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "storage/file.h"
#include "storage/file_sharing.h"
#include "storage/vfs.h"

namespace jet {

class JournalOverlay;
class JournalWriter;
class Pager;

class Page {
 public:
  Page() = default;

  std::uint32_t number() const { return number_; }
  std::span<const std::uint8_t> bytes() const { return {data_->data(), data_->size()}; }
  std::uint8_t type() const { return (*data_)[0]; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  friend class Pager;
  Page(std::shared_ptr<const std::vector<std::uint8_t>> data, std::uint32_t number)
      : data_(std::move(data)), number_(number) {}

  std::shared_ptr<const std::vector<std::uint8_t>> data_;
  std::uint32_t number_ = 0;
};

// Decides which pages are free. The database installs one that reads and
// updates the global page map; without one, pages are only ever added at the end.
class PageAllocator {
 public:
  virtual ~PageAllocator() = default;
  // Returns a page number that is now in use; may take a free page or call
  // pager.appendPage().
  virtual std::uint32_t allocate(Pager& pager) = 0;
  // Marks a page free.
  virtual void release(Pager& pager, std::uint32_t page) = 0;
  // Forgets cached state after a rollback.
  virtual void reset() {}
};

class Pager {
 public:
  // 4 MiB of Jet 4 pages: enough for a table definition, its usage maps, the data
  // page being scanned and long-value chains, while memory stays flat on any file.
  static constexpr std::size_t kDefaultCachePages = 1024;
  // Modified pages kept in memory before they are written early (64 MiB of 4 KiB pages).
  static constexpr std::size_t kDefaultSpillPages = 16384;
  // Misses on consecutive pages read ahead, doubling up to this many pages per read.
  static constexpr std::uint32_t kMaxReadAhead = 32;

  Pager(std::unique_ptr<File> file, std::uint32_t pageSize, std::size_t cachePages = kDefaultCachePages);
  ~Pager();
  Pager(const Pager&) = delete;
  Pager& operator=(const Pager&) = delete;

  // A non-zero key means every page except page 0 is RC4-encoded with the key
  // (key XOR page number). Clears the cache.
  void setDatabaseKey(std::uint32_t key);

  std::uint32_t pageSize() const { return pageSize_; }
  // Whole pages in the file (a partial page at the end is not counted), including
  // pages added by the current transaction.
  std::uint32_t pageCount() const { return pageCount_; }
  bool isPage(std::uint64_t number) const { return number < pageCount_; }

  // The page's bytes, decoded. Throws jet::Error: Corruption when the page lies
  // beyond the end of the file, Io when it cannot be read.
  Page page(std::uint32_t number);

  File& file() { return *file_; }
  const std::string& fileName() const { return file_->name(); }

  // Re-reads the file size (after the file grew or shrank) and drops cached pages.
  // Not allowed during a write transaction.
  void refresh();

  std::size_t cacheHits() const { return hits_; }
  std::size_t cacheMisses() const { return misses_; }

  // --- Writing ---

  // Makes the pager able to write: the journal is created through `vfs` at
  // `journalPath` when a transaction first needs it.
  void enableWriting(std::shared_ptr<Vfs> vfs, std::string journalPath);
  bool canWrite() const { return vfs_ != nullptr; }
  void setAllocator(std::unique_ptr<PageAllocator> allocator);
  PageAllocator* allocator() { return allocator_.get(); }
  void setSpillThreshold(std::size_t pages) { spillPages_ = pages; }

  void beginWrite();
  // Journals, writes and syncs every modified page, then removes the journal. On
  // failure the transaction stays open: call rollbackWrite().
  void commitWrite();
  // Undoes every change of the transaction (in memory, and on disk when pages
  // were written early). When even that fails the pager is broken: every later
  // call throws and the journal stays for the next opener to recover.
  void rollbackWrite();
  bool writing() const { return writing_; }
  bool broken() const { return broken_; }

  // Partial rollback points inside a transaction (not nested).
  void beginStatement();
  void releaseStatement();
  void rollbackStatement();
  bool inStatement() const { return statement_; }

  // Writable bytes of a page, decoded; see the comment at the top.
  std::span<std::uint8_t> modify(std::uint32_t number);
  // A new zero-filled page at the end of the file.
  std::uint32_t appendPage();
  // A zero-filled page from the allocator (or the end of the file).
  std::uint32_t allocatePage();
  void freePage(std::uint32_t number);

  // Between statements: when more pages are modified than the spill threshold,
  // journals their originals and writes them early, so that memory stays
  // bounded in long transactions. Spans from modify() must be fetched again.
  void spillIfNeeded();

  // Pages modified in the current transaction and not yet written.
  std::size_t dirtyPages() const { return dirty_.size(); }

  // --- Sharing the file with other programs ---

  // Makes this pager one opener of the database at `path` among others: takes
  // the Open slot (Busy when another program holds the file alone) and from
  // now on follows the protocol of file_sharing.h.
  void share(std::shared_ptr<Vfs> vfs, std::string path, LockWaits waits);
  FileSharing* sharing() { return sharing_.get(); }
  // Called at the start of a read or a write when another program committed
  // (or a journal was dealt with), after the cached pages were dropped, in a
  // read scope. Not called for a page read outside any scope: the next scope
  // calls it then.
  void setChangeListener(std::function<void()> listener) { onChange_ = std::move(listener); }

  // Read scopes (nested ones and those inside a write transaction cost
  // nothing). beginRead throws Busy when another program's commit does not end
  // within the read wait, and the errors of recovering a journal.
  void beginRead();
  void endRead() noexcept;
  // Pages read outside any read scope or write transaction.
  std::size_t unguardedReads() const { return unguarded_; }
  // Messages for people about journals dealt with (rolled back, set aside,
  // read in place of the file); each is handed out once.
  std::vector<std::string> takeNotices();
  // True while the file is shown as it was before an interrupted write, from
  // its journal, because it cannot be written here.
  bool showingBeforeState() const { return overlay_ != nullptr; }
  // Gives up the Open slot (the database closes); the last opener out removes
  // the commit stamp.
  void leave() noexcept;

 private:
  struct Frame {
    std::shared_ptr<std::vector<std::uint8_t>> data;
    std::list<std::uint32_t>::iterator lru;  // valid when clean
    bool dirty = false;
    std::uint64_t statementEpoch = 0;  // statement whose undo image holds this page
  };

  Frame& frame(std::uint32_t number);
  void load(std::uint32_t number, std::vector<std::uint8_t>& buffer);
  // Reads `count` pages from `first` with one read into clean frames.
  void loadRun(std::uint32_t first, std::uint32_t count);
  void addCleanFrame(std::uint32_t number, std::shared_ptr<std::vector<std::uint8_t>> buffer);
  std::shared_ptr<std::vector<std::uint8_t>> takeBuffer();
  void evictIfNeeded();
  void dropFrame(std::uint32_t number);
  void clearCache();
  void requireWriting(const char* what) const;
  void requireUsable() const;
  // The page as stored in the file (RC4-encoded when the database is).
  std::span<const std::uint8_t> stored(std::uint32_t number, const std::vector<std::uint8_t>& decoded,
                                       std::vector<std::uint8_t>& scratch) const;
  // Journals originals not yet journaled, then writes every modified page.
  void flushDirty();
  void endWrite();

  // Sharing (pager_sharing.cpp).
  Page unguardedPage(std::uint32_t number);
  void acquireRead();
  // Rolls back or sets aside a crashed writer's journal through a writable
  // open of the file, under the writer's and the commit lock; false when the
  // file cannot be opened for writing.
  bool recoverWithWriteAccess();
  // Deals with the journal while this opener holds the writer's and the commit
  // lock on `writable`.
  void recoverHeld(File& writable);
  void openOverlay();
  // Drops what was read from the file and tells the listener (or leaves that
  // to the next read scope).
  void takeChange();
  void releaseWriteLocks() noexcept;

  std::unique_ptr<File> file_;
  std::uint32_t pageSize_;
  std::uint32_t pageCount_ = 0;
  std::uint32_t databaseKey_ = 0;
  std::size_t capacity_;
  std::unordered_map<std::uint32_t, Frame> frames_;
  std::list<std::uint32_t> lru_;  // clean frames, most recently used first
  std::vector<std::shared_ptr<std::vector<std::uint8_t>>> spare_;  // buffers of evicted frames
  std::vector<std::uint8_t> staging_;  // read buffer for runs of pages
  std::uint32_t lastLoaded_ = 0xFFFFFFFF;
  std::uint32_t readAhead_ = 1;
  std::size_t hits_ = 0;
  std::size_t misses_ = 0;

  // Write side.
  std::shared_ptr<Vfs> vfs_;
  std::string journalPath_;
  std::unique_ptr<PageAllocator> allocator_;
  std::size_t spillPages_ = kDefaultSpillPages;
  bool writing_ = false;
  bool broken_ = false;
  std::uint64_t originalSize_ = 0;       // file size when the transaction began
  std::uint32_t originalPages_ = 0;      // page count when the transaction began
  std::uint64_t nonceState_ = 0;
  std::vector<std::uint32_t> dirty_;     // modified pages not yet written
  // Changed pages whose originals are not journaled yet: the file still holds them.
  std::unordered_set<std::uint32_t> originals_;
  std::unordered_set<std::uint32_t> journaled_;  // originals already in the journal
  std::unique_ptr<JournalWriter> journal_;
  bool wroteDatabase_ = false;           // the database file was written in this transaction

  bool statement_ = false;
  std::uint64_t statementEpoch_ = 0;
  std::uint32_t statementPages_ = 0;     // page count when the statement began
  std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> statementImages_;

  // Sharing.
  std::unique_ptr<FileSharing> sharing_;
  std::function<void()> onChange_;
  int readDepth_ = 0;
  bool readLocked_ = false;     // the Readers slot is held shared
  bool writerLocked_ = false;   // the Writer slot is held
  bool commitLocked_ = false;   // Pending and Readers are held exclusive
  bool autoRead_ = false;       // the read scope of a page read outside any scope
  bool changePending_ = false;  // a change seen during such a read, not told yet
  std::size_t unguarded_ = 0;
  std::unique_ptr<JournalOverlay> overlay_;
  bool journalIgnored_ = false;  // a journal that does not fit the read-only file is read around
  std::vector<std::string> notices_;
};

// Holds a read scope of the pager for its lifetime.
class ReadScope {
 public:
  explicit ReadScope(Pager& pager) : pager_(pager) { pager_.beginRead(); }
  ~ReadScope() { pager_.endRead(); }
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

 private:
  Pager& pager_;
};

}  // namespace jet
