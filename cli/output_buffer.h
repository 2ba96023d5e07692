// OutputBuffer: a large byte buffer in front of a file descriptor, so that
// commands writing millions of values make one system call per megabyte
// instead of going through iostreams value by value.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

namespace qbtool {

class OutputBuffer {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 20;
  // Largest `n` that claim() accepts.
  static constexpr std::size_t kMaxClaim = 64 * 1024;

  explicit OutputBuffer(int fd, std::size_t capacity = kDefaultCapacity);
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;
  // Writes what is left, ignoring errors: call flush() to learn about them.
  ~OutputBuffer();

  void put(char c) {
    if (used_ == capacity_) drain();
    data_[used_++] = c;
  }
  void write(std::string_view text);

  // Room for at least `n` (at most kMaxClaim) bytes: write them at the pointer
  // returned, then call commit() with the number written.
  char* claim(std::size_t n) {
    if (capacity_ - used_ < n) drain();
    return data_.get() + used_;
  }
  void commit(std::size_t n) { used_ += n; }

  // Writes everything buffered; throws jet::Error (Io) when the system refuses.
  void flush();

 private:
  void drain();

  int fd_;
  std::unique_ptr<char[]> data_;
  std::size_t capacity_;
  std::size_t used_ = 0;
};

}  // namespace qbtool
