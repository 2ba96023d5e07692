// Writing the export file with POSIX calls, so that every failure is seen
// where it happens and reported with the system's error number.
#include "output/export_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet/error.h"

namespace qb {

namespace {

// Text is gathered in a buffer of this size and written when the next line
// might not fit.
constexpr std::size_t kBufferSize = 256 * 1024;

// Writes `text` as UTF-8 at `p` (room for 3 bytes a unit) and answers the
// end; a lone surrogate becomes U+FFFD.
char* encodeUtf8(std::u16string_view text, char* p) {
  const auto put = [&p](char32_t byte) { *p++ = static_cast<char>(byte); };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      put(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;  // two units, four bytes
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x800) {
      put(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
      put(0xE0 | (c >> 12));
      put(0x80 | ((c >> 6) & 0x3F));
    } else {
      put(0xF0 | (c >> 18));
      put(0x80 | ((c >> 12) & 0x3F));
      put(0x80 | ((c >> 6) & 0x3F));
    }
    put(0x80 | (c & 0x3F));
  }
  return p;
}

}  // namespace

std::string ioErrorMessage(int osError) {
  switch (osError) {
    // Creating a file fails with these when a folder on the way is missing.
    case ENOENT:
    case ENOTDIR:
      return "Path not found";
    case EMFILE:
    case ENFILE:
      return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return "File access denied";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return "Disk full";
    case ENAMETOOLONG:
    case EINVAL:
      return "Invalid filename";
    default:
      return "I/O error " + std::to_string(osError);
  }
}

ExportFile::ExportFile(std::string path) : path_(std::move(path)) {
  do {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) fail(errno, "cannot create");
  buffer_ = std::make_unique<char[]>(kBufferSize);
}

ExportFile::~ExportFile() {
  try {
    close();
  } catch (...) {
    // The error that ended the export is the one reported.
  }
}

void ExportFile::writeLine(std::u16string_view line) {
  const std::size_t room = 3 * line.size() + 2;
  if (used_ + room > kBufferSize) flush();
  if (room > kBufferSize) {
    // A line longer than the buffer (a long memo) is written on its own.
    std::string bytes(room, '\0');
    char* end = encodeUtf8(line, bytes.data());
    *end++ = '\r';
    *end++ = '\n';
    writeAll(bytes.data(), static_cast<std::size_t>(end - bytes.data()));
    return;
  }
  char* end = encodeUtf8(line, buffer_.get() + used_);
  *end++ = '\r';
  *end++ = '\n';
  used_ = static_cast<std::size_t>(end - buffer_.get());
}

void ExportFile::flush() {
  const std::size_t size = used_;
  used_ = 0;
  writeAll(buffer_.get(), size);
}

void ExportFile::writeAll(const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd_, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno, "cannot write");
    }
    done += static_cast<std::size_t>(n);
  }
}

void ExportFile::close() {
  if (fd_ < 0) return;
  try {
    flush();
  } catch (...) {
    ::close(fd_);
    fd_ = -1;
    throw;
  }
  const int result = ::close(fd_);
  fd_ = -1;
  if (result != 0 && errno != EINTR) fail(errno, "cannot write");
}

void ExportFile::fail(int osError, const char* doing) const {
  throw jet::Error(jet::ErrorCode::Io,
                   ioErrorMessage(osError) + ": " + doing + " " + path_ + " (" + std::strerror(osError) + ")");
}

}  // namespace qb
