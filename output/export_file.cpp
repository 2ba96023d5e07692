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

// Gathered text is written once it reaches this size.
constexpr std::size_t kWriteChunk = 256 * 1024;

void appendUtf8(std::string& out, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
      continue;
    }
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
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
  pending_.reserve(kWriteChunk + 4096);
}

ExportFile::~ExportFile() {
  try {
    close();
  } catch (...) {
    // The error that ended the export is the one reported.
  }
}

void ExportFile::writeLine(std::u16string_view line) {
  appendUtf8(pending_, line);
  pending_ += "\r\n";
  if (pending_.size() >= kWriteChunk) flush();
}

void ExportFile::flush() {
  std::size_t done = 0;
  while (done < pending_.size()) {
    const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      pending_.erase(0, done);
      fail(error, "cannot write");
    }
    done += static_cast<std::size_t>(n);
  }
  pending_.clear();
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
