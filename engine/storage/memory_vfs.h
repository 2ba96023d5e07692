// A simulated disk for tests of the write path. Files live in memory and keep
// two states: what was last made durable (synced) and the writes issued since.
// A power cut throws away what was not synced — all of it, none of it, or a
// random part — and folder entries created or removed without a folder sync go
// back to their durable state, as on a real disk. Every mutating operation
// (write, sync, truncate, create, remove, folder sync) is counted, so a test can
// make the n-th one fail with an I/O error, or "crash" there: from then on
// nothing reaches the disk, while the program goes on as if it did. Lock slots
// behave as byte-range locks between the opens of one file do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "storage/vfs.h"

namespace jet {

class MemoryVfs final : public Vfs {
 public:
  // What survives a power cut of the writes issued since the last sync.
  enum class Survival {
    None,    // only synced data
    All,     // every issued write, in order
    Random,  // a random subset of them, chosen with the given seed
  };

  MemoryVfs();
  ~MemoryVfs() override;

  std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
  std::unique_ptr<File> create(const std::string& path) override;
  bool exists(const std::string& path) override;
  void remove(const std::string& path) override;
  void syncDirectory(const std::string& path) override;
  void rename(const std::string& from, const std::string& to) override;
  std::string identityOf(const std::string& path) override;

  // Puts a durable file on the disk (replacing any of that name).
  void put(const std::string& path, std::vector<std::uint8_t> bytes);
  // The file's current bytes (as a reader would see them now); empty when absent.
  std::vector<std::uint8_t> contents(const std::string& path) const;
  // Opening the file for writing fails with a permission error.
  void setWriteProtected(const std::string& path, bool on);

  // Mutating operations counted so far.
  std::size_t operations() const { return operations_; }
  // The operation with this count (0-based, as operations() would read before it)
  // throws an I/O error; with `persistent` every later one does too.
  void failAt(std::size_t operation, bool persistent = false);
  // From this operation on, nothing is persisted (writes are dropped silently).
  void crashAt(std::size_t operation);
  void clearFaults();
  bool crashed() const { return crashed_; }

  // Simulates losing power and restarting: unsynced data survives as `survival`
  // says, folder entries return to their durable state, locks are released and
  // faults cleared.
  void powerCut(Survival survival, std::uint32_t seed = 0);

  struct Node;

 private:
  friend class MemoryVfsFile;
  // Counts one mutating operation; returns false when it must be dropped
  // (crashed), throws when it must fail.
  bool admit(const std::string& what, const std::string& path);

  std::map<std::string, std::shared_ptr<Node>> entries_;  // current folder entries
  std::map<std::string, std::shared_ptr<Node>> durable_;  // entries as last synced
  std::size_t operations_ = 0;
  std::optional<std::size_t> failAt_;
  bool failPersistent_ = false;
  std::optional<std::size_t> crashAt_;
  bool crashed_ = false;
};

}  // namespace jet
