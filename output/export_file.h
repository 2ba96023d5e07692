// ExportFile: the text file the CSV export writes — created anew (an existing
// file of that name is replaced), UTF-8 without a byte order mark, CR LF after
// every line. Lines are gathered in memory and written in large pieces; every
// line handed over before an error is in the file afterwards.
//
// Errors are thrown as jet::Error (Io) with the run-time's kind of message
// first, then the file and the system's own words:
//   "File access denied: cannot create /data/x.TXT (Permission denied)"
//   "Disk full: cannot write /data/x.TXT (No space left on device)"
//   "I/O error 36: cannot create /data/x.TXT (File name too long)"
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace qb {

// The run-time's message for an operating system error number: "Path not
// found", "Too many open files", "File access denied", "Disk full", "Invalid
// filename", or "I/O error N".
std::string ioErrorMessage(int osError);

class ExportFile {
 public:
  // Creates the file (replacing one of that name). `path` is in the file
  // system's encoding.
  explicit ExportFile(std::string path);
  // Writes what is still gathered and closes the file; errors are dropped
  // here (close() reports them).
  ~ExportFile();
  ExportFile(const ExportFile&) = delete;
  ExportFile& operator=(const ExportFile&) = delete;

  // Adds a line (UTF-16, written as UTF-8; a lone surrogate becomes U+FFFD)
  // and its CR LF.
  void writeLine(std::u16string_view line);
  // Writes what is gathered and closes the file; a second call does nothing.
  void close();

 private:
  void flush();
  void writeAll(const char* data, std::size_t size);
  [[noreturn]] void fail(int osError, const char* doing) const;

  std::string path_;
  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;
  std::size_t used_ = 0;
};

}  // namespace qb
