// A file on disk reached through POSIX calls (pread/pwrite, fsync, ftruncate and
// open-file-description locks, so two opens in one process exclude each other too).
// The lock slots are single bytes from 4 GiB up: beyond the end of any Jet file
// (2 GiB at most) and beyond the 32-bit offsets at which Microsoft's engine
// places its own byte-range locks, so neither ever meets the other's.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "storage/file.h"

namespace jet {

class PosixFile final : public File {
 public:
  // Opens an existing file. Throws jet::Error: NotFound when it does not exist, Io
  // for any other refusal (the message names the path and the system's reason).
  static std::unique_ptr<PosixFile> open(const std::filesystem::path& path, OpenMode mode);
  // Creates (or empties) a file for reading and writing.
  static std::unique_ptr<PosixFile> create(const std::filesystem::path& path);

  ~PosixFile() override;
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  const std::string& name() const override { return name_; }
  std::uint64_t size() override;
  std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) override;
  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override;
  void sync() override;
  void truncate(std::uint64_t size) override;
  bool writable() const override { return writable_; }
  bool setLock(LockSlot slot, LockLevel level) override;
  bool lockedElsewhere(LockSlot slot) override;
  std::string identity() const override;

 private:
  PosixFile(int fd, std::string name, bool writable) : fd_(fd), name_(std::move(name)), writable_(writable) {}
  [[noreturn]] void fail(const char* what, int err) const;

  int fd_;
  std::string name_;
  bool writable_;
  LockLevel locks_[kLockSlots] = {};
};

// Offset of the byte that stands for a lock slot.
std::uint64_t lockByteOffset(LockSlot slot);

}  // namespace jet
