// A file held in memory: database images in tests, fuzzing and anything that
// should not touch the disk. Behaves like a real file (grows on write, reads stop
// at the end); nothing else opens it, so its locks are always granted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/file.h"

namespace jet {

class MemoryFile final : public File {
 public:
  explicit MemoryFile(std::vector<std::uint8_t> bytes = {}, std::string name = "(memory)",
                      bool writable = true)
      : bytes_(std::move(bytes)), name_(std::move(name)), writable_(writable) {}

  const std::string& name() const override { return name_; }
  std::uint64_t size() override { return bytes_.size(); }
  std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) override;
  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override;
  void sync() override {}
  void truncate(std::uint64_t size) override;
  bool writable() const override { return writable_; }
  // Nothing else opens this file: every lock is granted.
  bool setLock(LockSlot, LockLevel level) override { return level != LockLevel::Exclusive || writable_; }
  bool lockedElsewhere(LockSlot) override { return false; }

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::string name_;
  bool writable_;
};

}  // namespace jet
