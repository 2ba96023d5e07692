// The POSIX file system: files through PosixFile, folders synced with fsync on
// the folder itself so that a new or removed journal survives a power cut.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "jet/error.h"
#include "storage/posix_file.h"
#include "storage/vfs.h"

namespace jet {

std::unique_ptr<File> PosixVfs::open(const std::string& path, OpenMode mode) { return PosixFile::open(path, mode); }

std::unique_ptr<File> PosixVfs::create(const std::string& path) { return PosixFile::create(path); }

bool PosixVfs::exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

void PosixVfs::remove(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    throw Error(ErrorCode::Io, "Cannot remove '" + path + "': " + std::strerror(errno));
  }
}

void PosixVfs::syncDirectory(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (parent.empty()) parent = std::filesystem::current_path();
  const std::string folder = parent.string();
  int fd;
  do {
    fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) throw Error(ErrorCode::Io, "Cannot open the folder '" + folder + "': " + std::strerror(errno));
  // Some file systems refuse fsync on folders (EINVAL); their entries are
  // durable by other means, so only real failures count.
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0 && err != EINVAL && err != EROFS) {
    throw Error(ErrorCode::Io, "Cannot sync the folder '" + folder + "': " + std::strerror(err));
  }
}

void PosixVfs::rename(const std::string& from, const std::string& to) {
  int rc = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
  if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
    // A file system without the no-replace flag: check first, then rename.
    struct stat st {};
    if (::stat(to.c_str(), &st) == 0) {
      errno = EEXIST;
    } else {
      rc = ::rename(from.c_str(), to.c_str());
    }
  }
  if (rc != 0) throw Error(ErrorCode::Io, "Cannot rename '" + from + "' to '" + to + "': " + std::strerror(errno));
}

std::string PosixVfs::identityOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

}  // namespace jet
