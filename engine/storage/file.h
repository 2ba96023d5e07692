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

  // Advisory whole-file lock for the one writer. Returns false when another
  // process (or another open of the same file) holds it.
  virtual bool tryLockExclusive() = 0;
  virtual void unlock() = 0;
  // True when another open of the file holds the write lock now (a live writer).
  // Works on files opened read-only too.
  virtual bool lockHeldElsewhere() = 0;

  // Reads until `out` is full or the file ends; returns the bytes read. Loops over
  // short reads.
  std::size_t readFully(std::uint64_t offset, std::span<std::uint8_t> out);
};

}  // namespace jet
