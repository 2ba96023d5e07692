// The pager: reads pages by number through a File, keeps recently used pages in
// a bounded cache and decodes the pages of RC4-encoded databases. A Page handle
// keeps its bytes alive while it is held, even when the cache has moved on, so
// a decoder can hold a data page while it follows a pointer to another one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "storage/file.h"

namespace jet {

class Page {
 public:
  Page() = default;

  std::uint32_t number() const { return number_; }
  std::span<const std::uint8_t> bytes() const { return {data_->data(), data_->size()}; }
  std::uint8_t type() const { return (*data_)[0]; }
  explicit operator bool() const { return data_ != nullptr; }

 private:
  friend class Pager;
  Page(std::shared_ptr<const std::vector<std::uint8_t>> data, std::uint32_t number)
      : data_(std::move(data)), number_(number) {}

  std::shared_ptr<const std::vector<std::uint8_t>> data_;
  std::uint32_t number_ = 0;
};

class Pager {
 public:
  // 4 MiB of Jet 4 pages: enough for a table definition, its usage maps, the data
  // page being scanned and long-value chains, while memory stays flat on any file.
  static constexpr std::size_t kDefaultCachePages = 1024;
  // Misses on consecutive pages read ahead, doubling up to this many pages per read.
  static constexpr std::uint32_t kMaxReadAhead = 32;

  Pager(std::unique_ptr<File> file, std::uint32_t pageSize, std::size_t cachePages = kDefaultCachePages);

  // A non-zero key means every page except page 0 is RC4-encoded with the key
  // (key XOR page number). Clears the cache.
  void setDatabaseKey(std::uint32_t key);

  std::uint32_t pageSize() const { return pageSize_; }
  // Whole pages in the file (a partial page at the end is not counted).
  std::uint32_t pageCount() const { return pageCount_; }
  bool isPage(std::uint64_t number) const { return number < pageCount_; }

  // The page's bytes, decoded. Throws jet::Error: Corruption when the page lies
  // beyond the end of the file, Io when it cannot be read.
  Page page(std::uint32_t number);

  File& file() { return *file_; }
  const std::string& fileName() const { return file_->name(); }

  // Re-reads the file size (after the file grew or shrank) and drops cached pages.
  void refresh();

  std::size_t cacheHits() const { return hits_; }
  std::size_t cacheMisses() const { return misses_; }

 private:
  struct Frame {
    std::uint32_t number = 0;
    std::shared_ptr<std::vector<std::uint8_t>> data;
  };

  // A frame for page `number` at the front of the list (reusing the least
  // recently used one when the cache is full), not yet in the index.
  Frame& takeFrame(std::uint32_t number);
  // Reads `count` pages from `first` with one read into fresh frames.
  void load(std::uint32_t first, std::uint32_t count);

  std::unique_ptr<File> file_;
  std::uint32_t pageSize_;
  std::uint32_t pageCount_ = 0;
  std::uint32_t databaseKey_ = 0;
  std::size_t capacity_;
  std::list<Frame> frames_;  // most recently used first
  std::unordered_map<std::uint32_t, std::list<Frame>::iterator> index_;
  std::vector<std::uint8_t> staging_;  // read buffer for runs of pages
  std::uint32_t lastLoaded_ = 0xFFFFFFFF;
  std::uint32_t readAhead_ = 1;
  std::size_t hits_ = 0;
  std::size_t misses_ = 0;
};

}  // namespace jet
