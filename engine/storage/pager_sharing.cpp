// The pager's side of sharing a file with other programs: read scopes, the
// journal a crashed writer left (rolled back, set aside, or read around), and
// noticing other programs' commits.
#include <chrono>
#include <thread>

#include "jet/error.h"
#include "storage/journal.h"
#include "storage/pager.h"

namespace jet {

void Pager::share(std::shared_ptr<Vfs> vfs, std::string path, LockWaits waits) {
  auto sharing = std::make_unique<FileSharing>(std::move(vfs), std::move(path), waits);
  sharing->join(*file_);
  sharing_ = std::move(sharing);
}

void Pager::leave() noexcept {
  if (sharing_) sharing_->leave(*file_);
}

std::vector<std::string> Pager::takeNotices() {
  std::vector<std::string> out;
  out.swap(notices_);
  return out;
}

void Pager::beginRead() {
  ++readDepth_;
  if (!sharing_ || writerLocked_ || readDepth_ > 1) return;
  try {
    acquireRead();
  } catch (...) {
    --readDepth_;
    throw;
  }
}

void Pager::endRead() noexcept {
  --readDepth_;
  // Under the commit lock the Readers slot is exclusive until the write ends.
  if (readDepth_ > 0 || !readLocked_ || commitLocked_) return;
  sharing_->unlockRead(*file_);
  readLocked_ = false;
}

Page Pager::unguardedPage(std::uint32_t number) {
  // A read outside any scope (code that should hold one): it locks for this
  // page alone, and a change it notices waits for the next scope to be told.
  ++unguarded_;
  autoRead_ = true;
  try {
    acquireRead();
  } catch (...) {
    autoRead_ = false;
    throw;
  }
  autoRead_ = false;
  struct End {
    Pager& pager;
    ~End() {
      pager.sharing_->unlockRead(*pager.file_);
      pager.readLocked_ = false;
    }
  } end{*this};
  return page(number);
}

void Pager::acquireRead() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + sharing_->waits().read;
  Vfs& vfs = sharing_->vfs();
  const std::string& journal = sharing_->journalPath();
  bool changed = false;
  for (;;) {
    sharing_->lockRead(*file_);
    readLocked_ = true;
    const auto release = [&] {
      sharing_->unlockRead(*file_);
      readLocked_ = false;
    };
    const bool journalThere = vfs.exists(journal);
    if (!journalThere && (overlay_ || journalIgnored_)) {
      // Someone who may write has dealt with the journal meanwhile.
      overlay_.reset();
      journalIgnored_ = false;
      changed = true;
    }
    if (journalThere && !overlay_ && !journalIgnored_) {
      if (file_->lockedElsewhere(LockSlot::Writer)) {
        // A live writer's journal: it is between taking the commit lock and
        // letting go of the writer's lock, so its commit is about to end.
        release();
        if (Clock::now() >= deadline) {
          throw Error(ErrorCode::Busy, "Cannot read '" + sharing_->path() +
                                           "': the file is being written by another program; try again when it has "
                                           "finished");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        continue;
      }
      // A crashed writer's journal: undone by whoever can write the file.
      release();
      if (recoverWithWriteAccess()) {
        changed = true;
        continue;
      }
      sharing_->lockRead(*file_);
      readLocked_ = true;
      if (!vfs.exists(journal)) continue;
      openOverlay();
      changed = true;
    }
    if (sharing_->stampChanged()) changed = true;
    break;
  }
  if (changed || changePending_) takeChange();
}

bool Pager::recoverWithWriteAccess() {
  File* writable = file_->writable() ? file_.get() : nullptr;
  std::unique_ptr<File> own;
  if (!writable) {
    try {
      own = sharing_->vfs().open(sharing_->path(), OpenMode::ReadWrite);
      writable = own.get();
    } catch (const Error& e) {
      if (e.code() != ErrorCode::Io) throw;
      return false;  // permissions or read-only media
    }
  }
  sharing_->lockWriter(*writable);
  struct Release {
    FileSharing& sharing;
    File& file;
    ~Release() { sharing.unlockWrite(file, false); }
  } release{*sharing_, *writable};
  sharing_->lockCommit(*writable);
  recoverHeld(*writable);
  return true;
}

void Pager::recoverHeld(File& writable) {
  const std::string& path = sharing_->path();
  const std::string journal = sharing_->journalPath();
  Recovery done;
  try {
    done = recoverFromJournal(sharing_->vfs(), writable, path);
  } catch (const Error& e) {
    throw Error(e.code(), "Cannot recover '" + path + "' from the journal '" + journal +
                              "' of an interrupted write: " + e.what());
  }
  switch (done.kind) {
    case Recovery::Kind::RolledBack:
      notices_.push_back("A write to '" + path + "' was interrupted (the program writing it stopped or the power " +
                         "failed); it has been undone from its journal, so the file is as it was before that write");
      break;
    case Recovery::Kind::SetAside:
      notices_.push_back("The journal beside '" + path + "' does not belong to the file as it is now (" +
                         done.reason + "), so it was not played back: it was set aside as '" + done.asidePath +
                         "' and the file was opened as it is");
      break;
    case Recovery::Kind::None:
    case Recovery::Kind::Discarded:
      return;
  }
  sharing_->bumpStamp(writable);
}

void Pager::openOverlay() {
  const std::string& path = sharing_->path();
  const std::string& journal = sharing_->journalPath();
  std::string reason;
  overlay_ = JournalOverlay::open(sharing_->vfs(), *file_, journal, reason);
  if (overlay_) {
    notices_.push_back("A write to '" + path + "' was interrupted, and the file cannot be written here to undo it: " +
                       "it is shown as it was before that write, from its journal '" + journal +
                       "', and nothing was changed. Open it once where it can be written to repair it");
  } else {
    journalIgnored_ = true;
    notices_.push_back("The journal beside '" + path + "' does not belong to the file as it is now (" + reason +
                       "); the file cannot be written here, so the journal was left where it is and the file is " +
                       "read as it is");
  }
}

void Pager::takeChange() {
  clearCache();
  std::uint64_t pages = file_->size() / pageSize_;
  if (overlay_) pages = std::min<std::uint64_t>(pages, overlay_->originalSize() / pageSize_);
  pageCount_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(pages, 0xFFFFFFFFu));
  if (allocator_) allocator_->reset();
  if (autoRead_) {
    changePending_ = true;
    return;
  }
  changePending_ = false;
  if (onChange_) onChange_();
}

void Pager::releaseWriteLocks() noexcept {
  if (!sharing_ || !writerLocked_) return;
  const bool reading = readDepth_ > 0;
  sharing_->unlockWrite(*file_, reading);
  readLocked_ = reading;
  writerLocked_ = false;
  commitLocked_ = false;
}

}  // namespace jet
