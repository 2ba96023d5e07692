// The file interface every database and journal file is reached through.
// Implementations: PosixFile (a real file), MemoryFile (bytes in memory, for
// opening images), the files of MemoryVfs (a simulated disk that can lose
// unsynced writes, for crash tests) and FaultyFile (wraps another file and
// injects short reads and I/O errors).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace jet {

enum class OpenMode {
  ReadOnly,
  ReadWrite,
};

// The locks by which the programs that have one database open keep out of
// each other's way (storage/README.md describes the protocol).
enum class LockSlot : std::uint8_t {
  Open,     // shared by every opener while it has the file open; exclusive: it alone has it open
  Writer,   // exclusive while a write transaction is open: one writer at a time
  Pending,  // exclusive while a writer waits for readers or commits; readers pass it shared
  Readers,  // shared while a read is in progress; exclusive while a writer commits
};
inline constexpr std::size_t kLockSlots = 4;

enum class LockLevel : std::uint8_t {
  None,
  Shared,
  Exclusive,
};

class File {
 public:
  virtual ~File() = default;

  // A name for messages (usually the path).
  virtual const std::string& name() const = 0;

  // Current size in bytes.
  virtual std::uint64_t size() = 0;

  // Reads at most out.size() bytes at `offset` and returns how many were read. A
  // result shorter than asked does not mean end of file (use readFully for that);
  // 0 means end of file. Throws jet::Error (Io) when the system refuses.
  virtual std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) = 0;

  // Writes all of `data` at `offset`, growing the file when needed.
  virtual void write(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
  // Makes written data durable.
  virtual void sync() = 0;
  virtual void truncate(std::uint64_t size) = 0;

  // False when the file was opened without write access.
  virtual bool writable() const = 0;

  // Advisory locks other opens of the same file see, one per slot (see
  // LockSlot). Non-blocking: returns false, changing nothing, when another
  // open holds a conflicting lock (shared conflicts with exclusive, exclusive
  // with anything). Moving between levels of one slot is one step; None always
  // succeeds. Exclusive needs a file opened for writing.
  virtual bool setLock(LockSlot slot, LockLevel level) = 0;
  // True when another open of the file holds the slot at any level. Works on
  // files opened read-only too.
  virtual bool lockedElsewhere(LockSlot slot) = 0;

  // Names the file itself rather than its path (device and inode): two opens
  // of one file answer the same, a file put in its place answers otherwise.
  // Empty when the implementation cannot tell.
  virtual std::string identity() const { return {}; }

  // Reads until `out` is full or the file ends; returns the bytes read. Loops over
  // short reads.
  std::size_t readFully(std::uint64_t offset, std::span<std::uint8_t> out);
};

}  // namespace jet
