// Test helpers: corpus location and temporary folders.
#include "support/test_files.h"

#include <cctype>

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

std::span<const CorpusFile> jet4CorpusFiles() {
  static const CorpusFile kFiles[] = {
      {"jackcess-V2000-testV2000.mdb", u""},
      {"jackcess-V2000-test2V2000.mdb", u""},
      {"jackcess-V2000-fixedNumericTestV2000.mdb", u""},
      {"jackcess-V2003-testUnicodeCompV2003.mdb", u""},
      {"jackcess-V2000-overflowTestV2000.mdb", u""},
      {"jackcess-V2000-delTestV2000.mdb", u""},
      {"jackcess-V2000-indexTestV2000.mdb", u""},
      {"jackcess-V2000-fixedTextTestV2000.mdb", u""},
      {"jackcess-V2000-compIndexTestV2000.mdb", u""},
      {"jackcess-V2000-queryTestV2000.mdb", u""},
      {"mdbreader-password-V2003_with-password.mdb", u"password"},
      {"jackcess-empty.mdb", u""},
      {"jackcessencrypt-db-enc.mdb", u""},
      {"ucanaccess-weirdObjectNames.mdb", u""},
      {"ucanaccess-linked.mdb", u""},
  };
  return kFiles;
}

std::span<const CorpusFile> jet3CorpusFiles() {
  static const CorpusFile kFiles[] = {
      {"jackcess-V1997-testV1997.mdb", u""},
      {"jackcess-V1997-test2V1997.mdb", u""},
      {"jackcess-V1997-testIndexCodesV1997.mdb", u""},
  };
  return kFiles;
}

std::string corpusTestName(const CorpusFile& file) {
  std::string name;
  for (const char* p = file.name; *p && *p != '.'; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}

void PrintTo(const CorpusFile& file, std::ostream* os) { *os << file.name; }

}  // namespace qbtest
