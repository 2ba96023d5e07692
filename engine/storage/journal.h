// The rollback journal: writing the original images of pages before the
// database file is overwritten, and playing them back after a crash or a failed
// commit. See journal_format.h for the layout and why a torn journal is safe to
// ignore.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "storage/file.h"
#include "storage/vfs.h"

namespace jet {

// 32-bit checksum of `data` seeded with `seed`.
std::uint32_t journalChecksum(std::uint32_t seed, std::span<const std::uint8_t> data);

class JournalWriter {
 public:
  JournalWriter(Vfs& vfs, std::string path, std::uint32_t pageSize, std::uint64_t originalSize, std::uint32_t nonce);

  // Appends one segment holding these original page images (as stored in the
  // file) and syncs it; the first call creates the journal and also syncs its
  // folder, so the journal is known to exist before the database is touched.
  // When it returns, the database file may be overwritten.
  void appendSegment(const std::vector<std::pair<std::uint32_t, std::span<const std::uint8_t>>>& pages);

  // True once a segment is durable: from then on a crash needs a rollback.
  bool hot() const { return hot_; }

  // Removes the journal and syncs the folder: the commit point.
  void remove();

  const std::string& path() const { return path_; }

 private:
  Vfs& vfs_;
  std::string path_;
  std::uint32_t pageSize_;
  std::uint64_t originalSize_;
  std::uint32_t nonce_;
  std::unique_ptr<File> file_;
  std::uint64_t end_ = 0;
  bool hot_ = false;
};

enum class JournalState {
  Absent,      // no journal file
  Incomplete,  // a journal that was never synced whole: the database is untouched
  Hot,         // complete segments: the database may be half-written
};

// Looks at the journal beside a database without changing anything. Throws
// Corruption when the journal is complete but cannot be trusted (wrong page size).
JournalState inspectJournal(Vfs& vfs, const std::string& journalPath);

// Puts the database back as the journal recorded it (when hot), syncs it and
// removes the journal; an incomplete journal is just removed. Returns true when
// pages were restored.
bool rollBackJournal(Vfs& vfs, File& database, const std::string& journalPath);

}  // namespace jet
