// The lock protocol between the programs that have one database open, and the
// commit stamp.
#include "storage/file_sharing.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <thread>

#include "jet/error.h"
#include "storage/journal_format.h"

namespace jet {

namespace {

constexpr char kStampMagic[8] = {'Q', 'B', 'S', 'T', 'A', 'M', 'P', '1'};

std::string seconds(std::chrono::milliseconds d) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(d.count()) / 1000.0);
  return text;
}

}  // namespace

std::optional<std::chrono::nanoseconds> waitUntil(const std::function<bool()>& attempt,
                                                  std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  std::chrono::microseconds pause{1000};
  for (;;) {
    if (attempt()) return Clock::now() - start;
    const Clock::duration spent = Clock::now() - start;
    if (spent >= limit) return std::nullopt;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, limit - spent));
    pause = std::min(pause * 2, std::chrono::microseconds{20000});
  }
}

FileSharing::FileSharing(std::shared_ptr<Vfs> vfs, std::string path, LockWaits waits)
    : vfs_(std::move(vfs)),
      path_(std::move(path)),
      journalPath_(path_ + kJournalSuffix),
      stampPath_(path_ + kCommitStampSuffix),
      waits_(waits),
      random_((static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}()) {}

void FileSharing::busy(const std::string& what, const std::string& because, std::chrono::milliseconds waited) const {
  throw Error(ErrorCode::Busy, "Cannot " + what + " '" + path_ + "': " + because + " (waited " + seconds(waited) + ")");
}

// --- Having the file open ---

void FileSharing::join(File& file) {
  const auto attempt = [&] { return file.setLock(LockSlot::Open, LockLevel::Shared); };
  if (attempt()) return;
  if (!waitUntil(attempt, waits_.read)) {
    busy("open", "another program holds it alone while it compacts or checks it; try again when it has finished",
         waits_.read);
  }
}

void FileSharing::leave(File& file) noexcept {
  try {
    // Alone with the file: nobody is left to read the stamp. (An open
    // without write access cannot lock exclusively; it looks instead. One
    // who joins meanwhile is told of the next commit all the same: every
    // commit writes a new stamp while someone else has the file open.)
    const bool alone = file.writable() ? file.setLock(LockSlot::Open, LockLevel::Exclusive)
                                       : !file.lockedElsewhere(LockSlot::Open);
    if (alone && vfs_->exists(stampPath_)) vfs_->remove(stampPath_);
  } catch (const Error&) {
    // A stamp left behind is harmless: the next commit writes over it.
  }
  file.setLock(LockSlot::Open, LockLevel::None);
}

bool FileSharing::claimSole(File& file) { return file.setLock(LockSlot::Open, LockLevel::Exclusive); }

void FileSharing::releaseSole(File& file) noexcept { file.setLock(LockSlot::Open, LockLevel::Shared); }

// --- Reading ---

void FileSharing::lockRead(File& file) {
  const auto attempt = [&] {
    // A writer waiting to commit holds Pending, so new readers queue behind it.
    if (!file.setLock(LockSlot::Pending, LockLevel::Shared)) return false;
    const bool got = file.setLock(LockSlot::Readers, LockLevel::Shared);
    file.setLock(LockSlot::Pending, LockLevel::None);
    return got;
  };
  if (attempt()) return;
  const auto waited = waitUntil(attempt, waits_.read);
  if (!waited) {
    busy("read", "the file is being written by another program; try again when it has finished", waits_.read);
  }
  stats_.readWait += *waited;
}

void FileSharing::unlockRead(File& file) noexcept { file.setLock(LockSlot::Readers, LockLevel::None); }

// --- Writing ---

void FileSharing::lockWriter(File& file) {
  const auto attempt = [&] { return file.setLock(LockSlot::Writer, LockLevel::Exclusive); };
  if (attempt()) return;
  if (!waitUntil(attempt, waits_.write)) {
    busy("write to", "the file is being written by another program; nothing was changed", waits_.write);
  }
}

void FileSharing::lockCommit(File& file) {
  const auto attempt = [&] {
    return file.setLock(LockSlot::Pending, LockLevel::Exclusive) &&
           file.setLock(LockSlot::Readers, LockLevel::Exclusive);
  };
  std::chrono::nanoseconds waited{0};
  if (!attempt()) {
    const auto done = waitUntil(attempt, waits_.write);
    if (!done) {
      file.setLock(LockSlot::Pending, LockLevel::None);
      busy("commit the changes to", "the file is being read by another program; nothing was changed", waits_.write);
    }
    waited = *done;
  }
  ++stats_.commits;
  stats_.commitWait += waited;
  stats_.lastCommitWait = waited;
  stats_.longestCommitWait = std::max(stats_.longestCommitWait, waited);
}

void FileSharing::unlockWrite(File& file, bool reading) noexcept {
  file.setLock(LockSlot::Readers, reading ? LockLevel::Shared : LockLevel::None);
  file.setLock(LockSlot::Pending, LockLevel::None);
  file.setLock(LockSlot::Writer, LockLevel::None);
}

// --- The commit stamp ---

std::optional<FileSharing::Stamp> FileSharing::readStamp() {
  if (!vfs_->exists(stampPath_)) return std::nullopt;
  Stamp stamp{};
  try {
    vfs_->open(stampPath_, OpenMode::ReadOnly)->readFully(0, stamp);
  } catch (const Error& e) {
    if (e.code() == ErrorCode::NotFound) return std::nullopt;  // removed just now
    throw;
  }
  return stamp;
}

bool FileSharing::stampChanged() {
  const std::optional<Stamp> now = readStamp();
  const bool first = !looked_;
  looked_ = true;
  if (now == seen_) return false;
  seen_ = now;
  if (first) return false;
  ++stats_.changesSeen;
  return true;
}

void FileSharing::bumpStamp(File& file) {
  const bool exists = vfs_->exists(stampPath_);
  if (!exists && !file.lockedElsewhere(LockSlot::Open)) return;  // nobody else has the file open
  Stamp stamp{};
  std::memcpy(stamp.data(), kStampMagic, sizeof kStampMagic);
  std::uint64_t z = (random_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  for (int i = 0; i < 8; ++i) stamp[8 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(z >> (8 * i));
  try {
    std::unique_ptr<File> out;
    try {
      out = exists ? vfs_->open(stampPath_, OpenMode::ReadWrite) : vfs_->create(stampPath_);
    } catch (const Error&) {
      // Left by a program of another user: the folder lets us put ours in its place.
      vfs_->remove(stampPath_);
      out = vfs_->create(stampPath_);
    }
    out->write(0, stamp);
  } catch (const Error& e) {
    throw Error(ErrorCode::Io, "Cannot tell the other programs that have '" + path_ +
                                   "' open about this change (" + e.what() + "); nothing was changed");
  }
  seen_ = stamp;
  looked_ = true;
}

}  // namespace jet
