// Where the B-tree code reads and writes its pages, and how one index gets and
// gives back pages. The database's implementations go through the pager (inside
// its write transaction) and keep the index's usage map; the B-tree code sees
// only these two small interfaces.
#pragma once

#include <cstdint>
#include <span>

#include "storage/pager.h"

namespace jet {

class IndexPageStore {
 public:
  virtual ~IndexPageStore() = default;
  virtual std::uint32_t pageCount() const = 0;
  // The page's bytes (decoded for encoded databases); valid until the next call.
  // Corruption or Io errors as the pager gives them.
  virtual std::span<const std::uint8_t> read(std::uint32_t page) = 0;
  // Replaces the page's bytes (a write transaction must be open).
  virtual void write(std::uint32_t page, std::span<const std::uint8_t> bytes) = 0;
};

// The pages of one index.
class IndexPageAllocator {
 public:
  virtual ~IndexPageAllocator() = default;
  // A page that now belongs to the index (listed in its usage map).
  virtual std::uint32_t allocate() = 0;
  // Gives a page of the index back to the file (and takes it off the map).
  virtual void release(std::uint32_t page) = 0;
};

// Reads through the pager; writing needs the pager's write transaction.
class PagerIndexPageStore final : public IndexPageStore {
 public:
  explicit PagerIndexPageStore(Pager& pager) : pager_(pager) {}
  std::uint32_t pageCount() const override;
  std::span<const std::uint8_t> read(std::uint32_t page) override;
  void write(std::uint32_t page, std::span<const std::uint8_t> bytes) override;

 private:
  Pager& pager_;
  Page held_;  // keeps the bytes last read alive
};

}  // namespace jet
