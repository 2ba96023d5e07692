// Test helpers: where the real database files are, and scratch folders that
// clean up after themselves.
#pragma once

#include <filesystem>
#include <ostream>
#include <span>
#include <string>

namespace qbtest {

// Folder of the real .mdb files written by Microsoft's software (../shared/corpus).
std::filesystem::path corpusDir();

// Full path of one corpus file; skips the calling test (GTEST_SKIP) when the
// corpus is not present on this machine. Use through QB_CORPUS_FILE.
std::filesystem::path corpusFile(const std::string& name);
bool corpusAvailable();

// A file of the corpus with the password it opens with ("" for none).
struct CorpusFile {
  const char* name;
  const char16_t* password;
};

// Every Jet 4 file of the corpus (the password and the page-encoded ones
// included), for tests that run over all of them.
std::span<const CorpusFile> jet4CorpusFiles();
// Every Access 97 (Jet 3) file of the corpus.
std::span<const CorpusFile> jet3CorpusFiles();
// A test name for a corpus file: its name up to the extension, with "_" for
// characters a test name cannot hold.
std::string corpusTestName(const CorpusFile& file);
// How gtest prints the parameter: the file's name.
void PrintTo(const CorpusFile& file, std::ostream* os);

// A fresh empty folder under the system temp folder, removed with its contents
// when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  // Copies a corpus file into this folder (tests never write to the originals).
  std::filesystem::path copyCorpusFile(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Reads a whole file into a byte string.
std::string readFileBytes(const std::filesystem::path& path);

}  // namespace qbtest

// Skips the test when the corpus file is missing; otherwise yields its path.
#define QB_REQUIRE_CORPUS()                                         \
  do {                                                              \
    if (!::qbtest::corpusAvailable()) GTEST_SKIP() << "no corpus";  \
  } while (0)
