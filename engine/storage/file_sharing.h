// FileSharing: what one opener of a database file does so that other
// programs can have the same file open — the lock slots of file.h taken in the
// protocol storage/README.md describes, the waits for other programs, and the
// commit stamp beside the file by which readers notice another program's commit.
// The pager drives it (pager.h); nothing here caches pages.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "storage/file.h"
#include "storage/vfs.h"

namespace jet {

// How long to wait for other programs before giving up with a Busy error.
struct LockWaits {
  std::chrono::milliseconds read{30000};  // a read waits this long for another program's commit
  std::chrono::milliseconds write{5000};  // a write waits this long for another writer, a commit for readers
};

// What the waits cost, for people and benchmarks.
struct SharingStats {
  std::size_t commits = 0;                     // commits (and early page writes) that took the commit lock
  std::chrono::nanoseconds commitWait{0};      // time they waited for readers, in all
  std::chrono::nanoseconds longestCommitWait{0};
  std::chrono::nanoseconds lastCommitWait{0};
  std::chrono::nanoseconds readWait{0};        // time reads waited for commits, in all
  std::size_t changesSeen = 0;                 // other programs' commits noticed
};

// Suffix of the commit stamp's file name after the database's.
inline constexpr char kCommitStampSuffix[] = "-commits";

// Calls `attempt` until it answers true or `limit` has passed, sleeping a
// little longer each time (from 1 ms up to 20 ms). Returns the time waited, or
// nullopt when it gave up.
std::optional<std::chrono::nanoseconds> waitUntil(const std::function<bool()>& attempt,
                                                  std::chrono::milliseconds limit);

class FileSharing {
 public:
  FileSharing(std::shared_ptr<Vfs> vfs, std::string path, LockWaits waits);

  Vfs& vfs() { return *vfs_; }
  const std::shared_ptr<Vfs>& sharedVfs() const { return vfs_; }
  const std::string& path() const { return path_; }
  const std::string& journalPath() const { return journalPath_; }
  const LockWaits& waits() const { return waits_; }
  SharingStats& stats() { return stats_; }

  // --- Having the file open ---
  // Takes the Open slot shared. Busy when another opener holds the file alone
  // (compacting it) for longer than the read wait.
  void join(File& file);
  // Lets go of the Open slot; the last opener out removes the commit stamp.
  void leave(File& file) noexcept;
  // Holds the file alone (Open exclusive); false when another program has it
  // open. releaseSole() goes back to shared.
  bool claimSole(File& file);
  void releaseSole(File& file) noexcept;

  // --- Reading ---
  // Readers shared, passing the Pending slot so that a waiting writer is not
  // starved. Busy after the read wait when a commit does not end.
  void lockRead(File& file);
  void unlockRead(File& file) noexcept;

  // --- Writing ---
  // The Writer slot; Busy after the write wait.
  void lockWriter(File& file);
  // Pending, then Readers exclusive: no reader left, none let in. Busy after
  // the write wait ("the file is being read by another program"); records the
  // time it waited.
  void lockCommit(File& file);
  // Back to a read lock (when `reading`) or none, and the Writer slot freed.
  void unlockWrite(File& file, bool reading) noexcept;

  // --- The commit stamp ---
  // Whether the stamp differs from the one seen last (a first look sets it).
  // Holds a read or write lock while it looks.
  bool stampChanged();
  // A new stamp, under the commit lock, before anything is written: written
  // when the stamp exists or another program has the file open (nobody else
  // needs to know otherwise). Io when it cannot be written.
  void bumpStamp(File& file);

 private:
  using Stamp = std::array<std::uint8_t, 16>;
  std::optional<Stamp> readStamp();
  [[noreturn]] void busy(const std::string& what, const std::string& because,
                         std::chrono::milliseconds waited) const;

  std::shared_ptr<Vfs> vfs_;
  std::string path_;
  std::string journalPath_;
  std::string stampPath_;
  LockWaits waits_;
  SharingStats stats_;
  std::optional<Stamp> seen_;  // the stamp as last read (nullopt: no stamp file)
  bool looked_ = false;        // seen_ was read at least once
  std::uint64_t random_ = 0;
};

}  // namespace jet
