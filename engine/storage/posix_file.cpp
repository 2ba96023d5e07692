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
  ::close(fd_);  // releases every lock of this open
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

std::uint64_t lockByteOffset(LockSlot slot) {
  return (std::uint64_t{1} << 32) + static_cast<std::uint64_t>(slot);
}

bool PosixFile::setLock(LockSlot slot, LockLevel level) {
  LockLevel& held = locks_[static_cast<std::size_t>(slot)];
  if (held == level) return true;
  if (level == LockLevel::Exclusive && !writable_) return false;  // a write lock needs write access
  struct flock fl {};
  fl.l_type = level == LockLevel::None ? F_UNLCK : level == LockLevel::Shared ? F_RDLCK : F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(lockByteOffset(slot));
  fl.l_len = 1;
  if (::fcntl(fd_, F_OFD_SETLK, &fl) == 0) {
    held = level;
    return true;
  }
  if (level == LockLevel::None) return true;  // nothing left to release
  if (errno == EAGAIN || errno == EACCES) return false;
  fail("lock", errno);
}

bool PosixFile::lockedElsewhere(LockSlot slot) {
  if (locks_[static_cast<std::size_t>(slot)] == LockLevel::Exclusive) return false;
  struct flock fl {};
  fl.l_type = F_WRLCK;  // conflicts with every lock another open holds
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(lockByteOffset(slot));
  fl.l_len = 1;
  if (::fcntl(fd_, F_OFD_GETLK, &fl) != 0) fail("test the lock of", errno);
  return fl.l_type != F_UNLCK;
}

std::string PosixFile::identity() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return {};
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

}  // namespace jet
