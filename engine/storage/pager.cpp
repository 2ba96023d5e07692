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

Pager::Frame& Pager::takeFrame(std::uint32_t number) {
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
  return frame;
}

void Pager::load(std::uint32_t first, std::uint32_t count) {
  const std::size_t bytes = static_cast<std::size_t>(count) * pageSize_;
  staging_.resize(bytes);
  const std::uint64_t offset = static_cast<std::uint64_t>(first) * pageSize_;
  const std::size_t got = file_->readFully(offset, std::span(staging_).first(bytes));
  if (got < pageSize_) {
    throw Error(ErrorCode::Io, "Cannot read page " + std::to_string(first) + " of '" + file_->name() +
                                   "': the file ended after " + std::to_string(got) + " of its bytes");
  }
  // A run cut short (the file shrank) keeps the whole pages it got.
  count = static_cast<std::uint32_t>(got / pageSize_);
  // Later pages first, so the page asked for ends up most recently used.
  for (std::uint32_t i = count; i-- > 0;) {
    const std::uint32_t number = first + i;
    if (index_.contains(number)) continue;
    Frame& frame = takeFrame(number);
    const auto begin = staging_.begin() + static_cast<std::ptrdiff_t>(i) * pageSize_;
    frame.data->assign(begin, begin + pageSize_);
    if (databaseKey_ != 0 && number != 0) rc4Apply(databaseKey_ ^ number, *frame.data);
    index_.emplace(number, frames_.begin());
  }
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
  // Sequential misses (a scan over contiguous pages) read ahead in growing runs.
  readAhead_ = number == lastLoaded_ + 1 ? std::min(readAhead_ * 2, kMaxReadAhead) : 1;
  std::uint32_t count = std::min<std::uint32_t>(readAhead_, pageCount_ - number);
  count = static_cast<std::uint32_t>(std::min<std::size_t>(count, capacity_ / 4 + 1));
  try {
    load(number, count);
  } catch (const Error&) {
    if (count == 1) throw;
    // A bad page further on must not make this one unreadable.
    count = readAhead_ = 1;
    load(number, count);
  }
  lastLoaded_ = number + count - 1;
  return Page(index_.at(number)->data, number);
}

}  // namespace jet
