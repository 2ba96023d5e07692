// Page cache and write transactions. Clean pages live in a least-recently-used
// list whose buffers are reused once nobody holds them, so a scan in steady
// state does not allocate page memory; modified pages are pinned until they are
// written.
#include "storage/pager.h"

#include <algorithm>
#include <cstring>
#include <random>

#include "jet/error.h"
#include "storage/journal.h"
#include "storage/rc4.h"

namespace jet {

namespace {

constexpr std::size_t kMaxSpareBuffers = 8;

std::uint64_t splitMix(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

Pager::Pager(std::unique_ptr<File> file, std::uint32_t pageSize, std::size_t cachePages)
    : file_(std::move(file)), pageSize_(pageSize), capacity_(std::max<std::size_t>(cachePages, 4)) {
  refresh();
}

Pager::~Pager() = default;

void Pager::setDatabaseKey(std::uint32_t key) {
  databaseKey_ = key;
  clearCache();
}

void Pager::refresh() {
  if (writing_) throw Error(ErrorCode::InvalidArgument, "Cannot re-read '" + file_->name() + "' while writing it");
  std::uint64_t pages = file_->size() / pageSize_;
  if (overlay_) pages = std::min<std::uint64_t>(pages, overlay_->originalSize() / pageSize_);
  // Jet page pointers hold at most 32 bits; a larger file cannot be addressed.
  pageCount_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(pages, 0xFFFFFFFFu));
  clearCache();
}

void Pager::clearCache() {
  frames_.clear();
  lru_.clear();
  dirty_.clear();
  lastLoaded_ = 0xFFFFFFFF;
  readAhead_ = 1;
}

void Pager::requireUsable() const {
  if (broken_) {
    throw Error(ErrorCode::Io, "'" + file_->name() +
                                   "' could not be restored after a failed write; close it and open it again to "
                                   "recover it from its journal");
  }
}

void Pager::load(std::uint32_t number, std::vector<std::uint8_t>& buffer) {
  buffer.resize(pageSize_);
  const std::uint64_t offset = static_cast<std::uint64_t>(number) * pageSize_;
  const std::size_t got = overlay_ && overlay_->read(number, buffer) ? pageSize_ : file_->readFully(offset, buffer);
  if (got != pageSize_) {
    throw Error(ErrorCode::Io, "Cannot read page " + std::to_string(number) + " of '" + file_->name() +
                                   "': the file ended after " + std::to_string(got) + " of its bytes");
  }
  if (databaseKey_ != 0 && number != 0) rc4Apply(databaseKey_ ^ number, buffer);
}

std::shared_ptr<std::vector<std::uint8_t>> Pager::takeBuffer() {
  if (spare_.empty()) return std::make_shared<std::vector<std::uint8_t>>();
  auto buffer = std::move(spare_.back());
  spare_.pop_back();
  return buffer;
}

void Pager::dropFrame(std::uint32_t number) {
  const auto it = frames_.find(number);
  if (it == frames_.end()) return;
  if (!it->second.dirty) lru_.erase(it->second.lru);
  if (it->second.data.use_count() == 1 && spare_.size() < kMaxSpareBuffers) spare_.push_back(std::move(it->second.data));
  frames_.erase(it);
}

void Pager::evictIfNeeded() {
  while (lru_.size() > capacity_) dropFrame(lru_.back());
}

Pager::Frame& Pager::frame(std::uint32_t number) {
  if (auto it = frames_.find(number); it != frames_.end()) {
    ++hits_;
    Frame& f = it->second;
    if (!f.dirty && f.lru != lru_.begin()) lru_.splice(lru_.begin(), lru_, f.lru);
    return f;
  }
  ++misses_;
  // Sequential misses (a scan over contiguous pages) read ahead in growing runs.
  readAhead_ = number == lastLoaded_ + 1 ? std::min(readAhead_ * 2, kMaxReadAhead) : 1;
  std::uint32_t count = std::min<std::uint32_t>(readAhead_, pageCount_ - number);
  count = static_cast<std::uint32_t>(std::min<std::size_t>(count, capacity_ / 4 + 1));
  try {
    loadRun(number, count);
  } catch (const Error&) {
    if (count == 1) throw;
    // A bad page further on must not make this one unreadable.
    readAhead_ = 1;
    loadRun(number, 1);
  }
  evictIfNeeded();
  return frames_.at(number);
}

void Pager::loadRun(std::uint32_t first, std::uint32_t count) {
  if (count == 1) {
    auto buffer = takeBuffer();
    load(first, *buffer);  // a failed read leaves nothing half-loaded in the cache
    addCleanFrame(first, std::move(buffer));
    lastLoaded_ = first;
    return;
  }
  const std::size_t bytes = static_cast<std::size_t>(count) * pageSize_;
  staging_.resize(bytes);
  const std::size_t got = file_->readFully(static_cast<std::uint64_t>(first) * pageSize_, std::span(staging_).first(bytes));
  if (got < pageSize_) {
    throw Error(ErrorCode::Io, "Cannot read page " + std::to_string(first) + " of '" + file_->name() +
                                   "': the file ended after " + std::to_string(got) + " of its bytes");
  }
  // A run cut short (the file ends) keeps the whole pages it got. Later pages go in
  // first, so the page asked for ends up most recently used; pages already cached
  // (changed ones above all) are left as they are.
  const auto whole = static_cast<std::uint32_t>(got / pageSize_);
  for (std::uint32_t i = whole; i-- > 0;) {
    const std::uint32_t number = first + i;
    if (frames_.contains(number)) continue;
    auto buffer = takeBuffer();
    const auto begin = staging_.begin() + static_cast<std::ptrdiff_t>(i) * pageSize_;
    buffer->assign(begin, begin + pageSize_);
    if (overlay_) overlay_->read(number, *buffer);  // the page as it was before an interrupted write
    if (databaseKey_ != 0 && number != 0) rc4Apply(databaseKey_ ^ number, *buffer);
    addCleanFrame(number, std::move(buffer));
  }
  lastLoaded_ = first + whole - 1;
}

void Pager::addCleanFrame(std::uint32_t number, std::shared_ptr<std::vector<std::uint8_t>> buffer) {
  lru_.push_front(number);
  Frame& f = frames_[number];
  f.data = std::move(buffer);
  f.lru = lru_.begin();
}

Page Pager::page(std::uint32_t number) {
  requireUsable();
  // Under the writer's lock nobody else changes the file; otherwise a read lock.
  if (sharing_ && !readLocked_ && !writerLocked_) return unguardedPage(number);
  if (number >= pageCount_) {
    throw Error(ErrorCode::Corruption, "Page " + std::to_string(number) + " lies beyond the end of '" +
                                           file_->name() + "' (" + std::to_string(pageCount_) + " pages)");
  }
  return Page(frame(number).data, number);
}

// --- Write transactions ---

void Pager::enableWriting(std::shared_ptr<Vfs> vfs, std::string journalPath) {
  vfs_ = std::move(vfs);
  journalPath_ = std::move(journalPath);
  nonceState_ = (static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}();
}

void Pager::setAllocator(std::unique_ptr<PageAllocator> allocator) { allocator_ = std::move(allocator); }

void Pager::requireWriting(const char* what) const {
  requireUsable();
  if (!writing_) throw Error(ErrorCode::InvalidArgument, std::string("Cannot ") + what + " outside a write transaction");
}

void Pager::beginWrite() {
  requireUsable();
  if (!vfs_) throw Error(ErrorCode::ReadOnly, "'" + file_->name() + "' is open for reading only");
  if (writing_) throw Error(ErrorCode::InvalidArgument, "A write transaction is already open on '" + file_->name() + "'");
  if (sharing_) {
    // A reader that has to wait for another writer lets go of its read lock
    // meanwhile: that writer could not commit otherwise.
    if (!file_->setLock(LockSlot::Writer, LockLevel::Exclusive)) {
      const bool reading = readLocked_;
      if (reading) {
        sharing_->unlockRead(*file_);
        readLocked_ = false;
      }
      try {
        sharing_->lockWriter(*file_);
      } catch (...) {
        if (reading) {
          try {
            sharing_->lockRead(*file_);
            readLocked_ = true;
          } catch (const Error&) {
            // The reads left lock page by page.
          }
        }
        throw;
      }
    }
    writerLocked_ = true;
    try {
      // Nobody else writes now: a journal is a crashed writer's.
      bool changed = false;
      if (sharing_->vfs().exists(sharing_->journalPath())) {
        sharing_->lockCommit(*file_);
        commitLocked_ = true;
        recoverHeld(*file_);
        file_->setLock(LockSlot::Readers, readDepth_ > 0 ? LockLevel::Shared : LockLevel::None);
        file_->setLock(LockSlot::Pending, LockLevel::None);
        commitLocked_ = false;
        changed = true;
      }
      if (sharing_->stampChanged()) changed = true;
      // The writer's lock keeps the file still: the listener reads without a read lock.
      if (changed || changePending_) takeChange();
    } catch (...) {
      releaseWriteLocks();
      throw;
    }
  }
  writing_ = true;
  originalSize_ = file_->size();
  originalPages_ = pageCount_;
  wroteDatabase_ = false;
}

std::span<std::uint8_t> Pager::modify(std::uint32_t number) {
  requireWriting("change a page");
  if (number >= pageCount_) {
    throw Error(ErrorCode::Corruption, "Page " + std::to_string(number) + " lies beyond the end of '" +
                                           file_->name() + "' (" + std::to_string(pageCount_) + " pages)");
  }
  Frame& f = frame(number);
  if (!f.dirty) {
    if (number < originalPages_ && !journaled_.count(number)) originals_.insert(number);
    lru_.erase(f.lru);
    f.dirty = true;
    dirty_.push_back(number);
  }
  if (statement_ && f.statementEpoch != statementEpoch_ && number < statementPages_) {
    statementImages_[number] = *f.data;
  }
  f.statementEpoch = statementEpoch_;
  return {f.data->data(), f.data->size()};
}

std::uint32_t Pager::appendPage() {
  requireWriting("add a page");
  if (pageCount_ >= 0x00FFFFFF) {
    throw Error(ErrorCode::Unsupported, "'" + file_->name() + "' is full: a database cannot have more than " +
                                            std::to_string(0x00FFFFFF) + " pages");
  }
  const std::uint32_t number = pageCount_++;
  auto buffer = takeBuffer();
  buffer->assign(pageSize_, 0);
  Frame& f = frames_[number];
  f.data = std::move(buffer);
  f.dirty = true;
  f.statementEpoch = statementEpoch_;
  dirty_.push_back(number);
  return number;
}

std::uint32_t Pager::allocatePage() {
  requireWriting("add a page");
  if (!allocator_) return appendPage();
  const std::uint32_t number = allocator_->allocate(*this);
  const std::span<std::uint8_t> bytes = modify(number);
  std::fill(bytes.begin(), bytes.end(), std::uint8_t{0});
  return number;
}

void Pager::freePage(std::uint32_t number) {
  requireWriting("free a page");
  if (allocator_) {
    allocator_->release(*this, number);
  } else {
    // Without a page map the page can only be marked unusable.
    std::fill_n(modify(number).begin(), 4, std::uint8_t{0});
  }
}

std::span<const std::uint8_t> Pager::stored(std::uint32_t number, const std::vector<std::uint8_t>& decoded,
                                            std::vector<std::uint8_t>& scratch) const {
  if (databaseKey_ == 0 || number == 0) return decoded;
  scratch = decoded;
  rc4Apply(databaseKey_ ^ number, scratch);
  return scratch;
}

void Pager::flushDirty() {
  // 0. Other programs' readers are kept out until the transaction ends, and
  // told about the change before anything is written.
  if (sharing_ && !commitLocked_) {
    sharing_->lockCommit(*file_);
    commitLocked_ = true;
    sharing_->bumpStamp(*file_);
  }
  // The journal's fingerprint of the file: the first segment holds the header
  // page as it was, changed or not.
  if (!journal_ && originalPages_ > 0 && !journaled_.count(0)) originals_.insert(0);

  // 1. Originals not yet journaled go to the journal with the fingerprints of
  // the pages about to be written, synced. Nothing has written those pages
  // to the file yet: the journal takes their originals from there.
  std::sort(dirty_.begin(), dirty_.end());
  std::vector<std::vector<std::uint8_t>> encodedDirty(databaseKey_ != 0 ? dirty_.size() : 0);
  std::vector<JournalPage> written;
  written.reserve(dirty_.size());
  for (std::size_t i = 0; i < dirty_.size(); ++i) {
    const std::uint32_t n = dirty_[i];
    const std::vector<std::uint8_t>& decoded = *frames_.at(n).data;
    written.emplace_back(n, databaseKey_ != 0 ? stored(n, decoded, encodedDirty[i]) : std::span<const std::uint8_t>(decoded));
  }
  std::vector<std::uint32_t> numbers(originals_.begin(), originals_.end());
  std::sort(numbers.begin(), numbers.end());
  if (!journal_) {
    const std::uint32_t nonce = static_cast<std::uint32_t>(splitMix(nonceState_));
    journal_ = std::make_unique<JournalWriter>(*vfs_, journalPath_, pageSize_, originalSize_, nonce);
  }
  journal_->appendSegment(numbers, *file_, written);
  for (const std::uint32_t n : numbers) journaled_.insert(n);
  originals_.clear();

  // 2. Then the pages themselves, in file order; they become clean.
  wroteDatabase_ = true;
  for (const auto& [n, bytes] : written) file_->write(static_cast<std::uint64_t>(n) * pageSize_, bytes);
  for (const std::uint32_t n : dirty_) {
    Frame& f = frames_.at(n);
    f.dirty = false;
    lru_.push_front(n);
    f.lru = lru_.begin();
  }
  dirty_.clear();
  evictIfNeeded();
}

void Pager::spillIfNeeded() {
  requireWriting("write pages early");
  if (!statement_ && dirty_.size() > spillPages_) flushDirty();
}

void Pager::commitWrite() {
  requireWriting("commit");
  if (statement_) releaseStatement();
  if (!dirty_.empty() || wroteDatabase_) {
    if (!dirty_.empty()) flushDirty();
    // Pages a rolled-back statement added after they were written early leave
    // bytes past the end; they belong to nothing.
    const std::uint64_t end = std::max<std::uint64_t>(originalSize_, static_cast<std::uint64_t>(pageCount_) * pageSize_);
    if (file_->size() > end) file_->truncate(end);
    file_->sync();
    journal_->remove();  // the commit point: once the journal is gone the change stands
  }
  endWrite();
}

void Pager::endWrite() {
  // A pager that could not undo its write keeps every lock until it is
  // closed: its file must be recovered before anyone reads it.
  if (!broken_) releaseWriteLocks();
  writing_ = false;
  statement_ = false;
  statementImages_.clear();
  originals_.clear();
  journaled_.clear();
  dirty_.clear();
  journal_.reset();
  wroteDatabase_ = false;
}

void Pager::rollbackWrite() {
  if (!writing_) return;
  // Forget every modified page first: whatever happens below, no later read may
  // see them.
  clearCache();
  pageCount_ = originalPages_;
  if (allocator_) allocator_->reset();
  try {
    if (journal_ && journal_->hot()) {
      journal_.reset();
      rollBackJournal(*vfs_, *file_, journalPath_);
    } else if (journal_) {
      // Created but never synced whole: the database was not touched, and a
      // journal left behind is recognised as incomplete by the next opener.
      journal_.reset();
      try {
        vfs_->remove(journalPath_);
      } catch (const Error&) {
      }
    }
  } catch (const Error&) {
    broken_ = true;
    endWrite();
    throw;
  }
  endWrite();
}

// --- Statements ---

void Pager::beginStatement() {
  requireWriting("begin a statement");
  statement_ = true;
  ++statementEpoch_;
  statementPages_ = pageCount_;
  statementImages_.clear();
}

void Pager::releaseStatement() {
  statement_ = false;
  statementImages_.clear();
}

void Pager::rollbackStatement() {
  requireWriting("roll back a statement");
  for (auto& [number, image] : statementImages_) {
    Frame& f = frame(number);  // written early since, perhaps, and evicted
    if (!f.dirty) {
      lru_.erase(f.lru);
      f.dirty = true;
      dirty_.push_back(number);
    }
    *f.data = std::move(image);
  }
  // Pages added by the statement disappear.
  for (std::uint32_t n = statementPages_; n < pageCount_; ++n) dropFrame(n);
  dirty_.erase(std::remove_if(dirty_.begin(), dirty_.end(), [&](std::uint32_t n) { return n >= statementPages_; }),
               dirty_.end());
  pageCount_ = statementPages_;
  if (allocator_) allocator_->reset();
  releaseStatement();
}

}  // namespace jet
