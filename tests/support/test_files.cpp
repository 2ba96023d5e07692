// Test helpers: corpus location and temporary folders.
#include "support/test_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qbtest {

std::filesystem::path corpusDir() {
  if (const char* env = std::getenv("QB_CORPUS_DIR")) return env;
  return QB_CORPUS_DIR;
}

bool corpusAvailable() {
  std::error_code ec;
  return std::filesystem::is_directory(corpusDir(), ec);
}

std::filesystem::path corpusFile(const std::string& name) {
  auto p = corpusDir() / name;
  if (!std::filesystem::exists(p)) throw std::runtime_error("corpus file missing: " + p.string());
  return p;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "qbtest-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path TempDir::copyCorpusFile(const std::string& name) const {
  auto dest = path_ / name;
  std::filesystem::copy_file(corpusFile(name), dest, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(dest, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  return dest;
}

std::string readFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace qbtest
