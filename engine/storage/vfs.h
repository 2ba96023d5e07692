// The file system as the engine sees it: opening and creating files, removing
// them and making a folder's entries durable. The rollback journal lives beside
// the database file, so the writer needs more than one File; tests swap in
// MemoryVfs, a simulated disk that can fail or lose unsynced writes on purpose.
#pragma once

#include <memory>
#include <string>

#include "storage/file.h"

namespace jet {

class Vfs {
 public:
  virtual ~Vfs() = default;

  // Opens an existing file. Throws jet::Error: NotFound when it does not exist,
  // InvalidArgument for a folder, Io for any other refusal.
  virtual std::unique_ptr<File> open(const std::string& path, OpenMode mode) = 0;
  // Creates an empty file for reading and writing, replacing one that exists.
  virtual std::unique_ptr<File> create(const std::string& path) = 0;
  virtual bool exists(const std::string& path) = 0;
  // Removes a file; a missing file is not an error.
  virtual void remove(const std::string& path) = 0;
  // Makes the creation or removal of `path` durable (syncs its folder).
  virtual void syncDirectory(const std::string& path) = 0;
  // Gives a file another name in the same folder, replacing nothing: Io when
  // `to` exists or the folder refuses.
  virtual void rename(const std::string& from, const std::string& to) = 0;
  // File::identity() of the file now at `path`; empty when there is none.
  virtual std::string identityOf(const std::string& path) = 0;
};

// The real file system through POSIX calls.
class PosixVfs final : public Vfs {
 public:
  std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
  std::unique_ptr<File> create(const std::string& path) override;
  bool exists(const std::string& path) override;
  void remove(const std::string& path) override;
  void syncDirectory(const std::string& path) override;
  void rename(const std::string& from, const std::string& to) override;
  std::string identityOf(const std::string& path) override;
};

}  // namespace jet
