// OutputBuffer: buffered writes to a file descriptor, retried until complete.
#include "output_buffer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "jet/error.h"

namespace qbtool {

namespace {

// Writes all of [data, data + size); returns 0 or the errno of the failure.
int writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

OutputBuffer::OutputBuffer(int fd, std::size_t capacity)
    : fd_(fd), data_(new char[std::max(capacity, kMaxClaim)]), capacity_(std::max(capacity, kMaxClaim)) {}

OutputBuffer::~OutputBuffer() {
  if (used_ > 0) writeAll(fd_, data_.get(), used_);
}

void OutputBuffer::write(std::string_view text) {
  while (!text.empty()) {
    if (used_ == capacity_) drain();
    const std::size_t n = std::min(text.size(), capacity_ - used_);
    std::memcpy(data_.get() + used_, text.data(), n);
    used_ += n;
    text.remove_prefix(n);
  }
}

void OutputBuffer::drain() {
  const std::size_t size = used_;
  used_ = 0;
  if (const int error = writeAll(fd_, data_.get(), size)) {
    throw jet::Error(jet::ErrorCode::Io, std::string("cannot write the output: ") + std::strerror(error));
  }
}

void OutputBuffer::flush() {
  if (used_ > 0) drain();
}

}  // namespace qbtool
