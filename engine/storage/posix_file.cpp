// POSIX file: every call retried on EINTR, every failure a jet::Error naming the path.
#include "storage/posix_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet/error.h"

namespace jet {

namespace {

std::string reason(int err) {
  return std::strerror(err);
}

}  // namespace

std::unique_ptr<PosixFile> PosixFile::open(const std::filesystem::path& path, OpenMode mode) {
  const int flags = (mode == OpenMode::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  int fd;
  do {
    fd = ::open(path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int err = errno;
    if (err == ENOENT)
      throw Error(ErrorCode::NotFound, "Cannot open '" + path.string() + "': the file does not exist");
    throw Error(ErrorCode::Io, "Cannot open '" + path.string() + "': " + reason(err));
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw Error(ErrorCode::InvalidArgument,
                "Cannot open '" + path.string() + "': it is a folder, not a file");
  }
  return std::unique_ptr<PosixFile>(new PosixFile(fd, path.string(), mode == OpenMode::ReadWrite));
}

std::unique_ptr<PosixFile> PosixFile::create(const std::filesystem::path& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw Error(ErrorCode::Io, "Cannot create '" + path.string() + "': " + reason(errno));
  return std::unique_ptr<PosixFile>(new PosixFile(fd, path.string(), true));
}

PosixFile::~PosixFile() {
  if (locked_) unlock();
  ::close(fd_);
}

void PosixFile::fail(const char* what, int err) const {
  throw Error(ErrorCode::Io, std::string("Cannot ") + what + " '" + name_ + "': " + reason(err));
}

std::uint64_t PosixFile::size() {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) fail("get the size of", errno);
  return static_cast<std::uint64_t>(st.st_size);
}

std::size_t PosixFile::read(std::uint64_t offset, std::span<std::uint8_t> out) {
  for (;;) {
    const ssize_t n = ::pread(fd_, out.data(), out.size(), static_cast<off_t>(offset));
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) fail("read", errno);
  }
}

void PosixFile::write(std::uint64_t offset, std::span<const std::uint8_t> data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n =
        ::pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("write", errno);
    }
    done += static_cast<std::size_t>(n);
  }
}

void PosixFile::sync() {
  if (::fsync(fd_) != 0) fail("sync", errno);
}

void PosixFile::truncate(std::uint64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) fail("truncate", errno);
}

bool PosixFile::tryLockExclusive() {
  if (locked_) return true;
  if (!writable_) return false;  // a write lock needs write access
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;  // the whole file, however it grows
  if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) {
    locked_ = true;
    return true;
  }
  if (errno == EAGAIN || errno == EACCES) return false;
  fail("lock", errno);
}

bool PosixFile::lockHeldElsewhere() {
  if (locked_) return false;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = 0;
  fl.l_len = 0;
  if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) fail("test the lock of", errno);
  return fl.l_type != F_UNLCK;
}

void PosixFile::unlock() {
  if (!locked_) return;
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  ::fcntl(fd_, F_OFD_SETLK, &fl);
  locked_ = false;
}

}  // namespace jet
