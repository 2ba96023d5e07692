// Page cache: a least-recently-used list of page frames with a hash index. A
// frame's buffer is reused when it is evicted and nobody holds it, so a scan
// in steady state does not allocate page memory.
#include "storage/pager.h"

#include <algorithm>

#include "jet/error.h"
#include "storage/rc4.h"

namespace jet {

Pager::Pager(std::unique_ptr<File> file, std::uint32_t pageSize, std::size_t cachePages)
    : file_(std::move(file)), pageSize_(pageSize), capacity_(std::max<std::size_t>(cachePages, 4)) {
  refresh();
}

void Pager::setDatabaseKey(std::uint32_t key) {
  databaseKey_ = key;
  frames_.clear();
  index_.clear();
}

void Pager::refresh() {
  const std::uint64_t pages = file_->size() / pageSize_;
  // Jet page pointers hold at most 32 bits; a larger file cannot be addressed.
  pageCount_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(pages, 0xFFFFFFFFu));
  frames_.clear();
  index_.clear();
}

void Pager::load(std::uint32_t number, std::vector<std::uint8_t>& buffer) {
  buffer.resize(pageSize_);
  const std::uint64_t offset = static_cast<std::uint64_t>(number) * pageSize_;
  const std::size_t got = file_->readFully(offset, buffer);
  if (got != pageSize_) {
    throw Error(ErrorCode::Io, "Cannot read page " + std::to_string(number) + " of '" + file_->name() +
                                   "': the file ended after " + std::to_string(got) + " of its bytes");
  }
  if (databaseKey_ != 0 && number != 0) rc4Apply(databaseKey_ ^ number, buffer);
}

Page Pager::page(std::uint32_t number) {
  if (number >= pageCount_) {
    throw Error(ErrorCode::Corruption, "Page " + std::to_string(number) + " lies beyond the end of '" +
                                           file_->name() + "' (" + std::to_string(pageCount_) + " pages)");
  }
  if (auto it = index_.find(number); it != index_.end()) {
    ++hits_;
    if (it->second != frames_.begin()) frames_.splice(frames_.begin(), frames_, it->second);
    return Page(frames_.front().data, number);
  }
  ++misses_;
  if (frames_.size() >= capacity_) {
    // Reuse the least recently used frame; keep its buffer when no handle holds it.
    auto last = std::prev(frames_.end());
    index_.erase(last->number);
    if (last->data.use_count() != 1) last->data = std::make_shared<std::vector<std::uint8_t>>();
    frames_.splice(frames_.begin(), frames_, last);
  } else {
    frames_.push_front(Frame{number, std::make_shared<std::vector<std::uint8_t>>()});
  }
  Frame& frame = frames_.front();
  frame.number = number;
  try {
    load(number, *frame.data);
  } catch (...) {
    frames_.pop_front();
    throw;
  }
  index_.emplace(number, frames_.begin());
  return Page(frame.data, number);
}

}  // namespace jet
