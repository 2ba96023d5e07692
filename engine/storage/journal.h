// The rollback journal: writing the original images of pages before the
// database file is overwritten, and playing them back after a crash or a failed
// commit, once the journal is known to belong to the file. See
// journal_format.h for the layout, why a torn journal is safe to ignore and how
// a journal recognises its file.
#pragma once

#include <cstdint>
#include <map>
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

// A page for the journal: its number and its bytes as stored in the file.
using JournalPage = std::pair<std::uint32_t, std::span<const std::uint8_t>>;

class JournalWriter {
 public:
  JournalWriter(Vfs& vfs, std::string path, std::uint32_t pageSize, std::uint64_t originalSize, std::uint32_t nonce);

  // Appends one segment holding the original images of the pages `originals`
  // (read from `database`, which still holds them) and the fingerprints of
  // the images about to be written (as stored in the file), and syncs it; the
  // first call creates the journal and also syncs its folder, so the journal
  // is known to exist before the database is touched. The segment goes out a
  // piece at a time, so memory stays small however many pages it holds. When
  // it returns, the database file may be overwritten with `written`.
  void appendSegment(std::span<const std::uint32_t> originals, File& database, const std::vector<JournalPage>& written);

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

// Whether a hot journal belongs to the database file as it is now (see
// journal_format.h); `reason` says, for people, what does not fit.
struct JournalMatch {
  bool belongs = false;
  std::string reason;
};
JournalMatch matchJournal(File& journal, File& database);

// Puts the database back as the journal recorded it (when hot), syncs it and
// removes the journal; an incomplete journal is just removed. Returns true when
// pages were restored. A hot journal that does not belong to the file is not
// played back: Corruption says why, and the journal stays.
bool rollBackJournal(Vfs& vfs, File& database, const std::string& journalPath);

// What an opener did about a journal it found beside the database.
struct Recovery {
  enum class Kind {
    None,       // no journal
    Discarded,  // an incomplete journal, removed; the file was never touched
    RolledBack, // the interrupted write was undone
    SetAside,   // the journal belongs to another file: renamed, the file left as it is
  };
  Kind kind = Kind::None;
  std::string reason;     // SetAside: what does not fit
  std::string asidePath;  // SetAside: the journal's new name
};

// Recovers the database from the journal beside it (the caller holds the
// locks that keep every other program out): plays back a journal that belongs
// to the file, renames one that does not to "<database>.<time>.orphan-journal",
// removes an incomplete one.
Recovery recoverFromJournal(Vfs& vfs, File& database, const std::string& databasePath);

// The database as it was before an interrupted write, for a reader that may
// not write: the original images of a hot journal that belongs to the file,
// read from the journal on demand. The file itself is never changed.
class JournalOverlay {
 public:
  // Null, with the reason, when the journal does not belong to the file.
  static std::unique_ptr<JournalOverlay> open(Vfs& vfs, File& database, const std::string& journalPath,
                                              std::string& reason);

  // The file's size before the write.
  std::uint64_t originalSize() const { return originalSize_; }
  // Copies the original image of page `number` (as stored) into `out`; false
  // when the write did not change that page.
  bool read(std::uint32_t number, std::span<std::uint8_t> out);

 private:
  JournalOverlay() = default;
  std::unique_ptr<File> journal_;
  std::uint64_t originalSize_ = 0;
  std::map<std::uint32_t, std::uint64_t> images_;  // page -> offset of its original image
};

}  // namespace jet
