// A file wrapper that misbehaves on purpose, for tests: it can cut every read
// short, fail reads that touch a given byte range or come after a number of
// calls, and fail writes and syncs — the faults a real disk or network file
// system produces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "storage/file.h"

namespace jet {

struct FaultPlan {
  // Every read returns at most this many bytes (0: no limit).
  std::size_t maxBytesPerRead = 0;
  // Reads touching [failOffset, failOffset + failLength) fail with an I/O error.
  std::optional<std::uint64_t> failOffset;
  std::uint64_t failLength = 1;
  // Reads after this many successful read calls fail.
  std::optional<std::size_t> failAfterReads;
  bool failWrites = false;
  bool failSync = false;
};

class FaultyFile final : public File {
 public:
  FaultyFile(std::unique_ptr<File> inner, FaultPlan plan) : inner_(std::move(inner)), plan_(plan) {}

  const std::string& name() const override { return inner_->name(); }
  std::uint64_t size() override { return inner_->size(); }
  std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out) override;
  void write(std::uint64_t offset, std::span<const std::uint8_t> data) override;
  void sync() override;
  void truncate(std::uint64_t size) override { inner_->truncate(size); }
  bool writable() const override { return inner_->writable(); }
  bool setLock(LockSlot slot, LockLevel level) override { return inner_->setLock(slot, level); }
  bool lockedElsewhere(LockSlot slot) override { return inner_->lockedElsewhere(slot); }
  std::string identity() const override { return inner_->identity(); }

  FaultPlan& plan() { return plan_; }
  std::size_t readCalls() const { return reads_; }

 private:
  std::unique_ptr<File> inner_;
  FaultPlan plan_;
  std::size_t reads_ = 0;
};

}  // namespace jet
