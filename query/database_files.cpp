// Compaction in place, blank databases and temporary names.
#include "query/database_files.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "connection/automation.h"
#include "connection/connection_string.h"
#include "jet/error.h"
#include "jet/text.h"

namespace qb {

namespace {

std::u16string pathText(const std::filesystem::path& path) {
  return jet::fromUtf8(path.string());
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The engine says "Not a valid password" both for a wrong password and for
// none given to a protected file; given none, the second is meant.
bool isPasswordRefusal(const jet::Error& error) {
  return error.code() == jet::ErrorCode::InvalidArgument && startsWith(error.what(), "Not a valid password");
}

}  // namespace

std::filesystem::path makeTempName() {
  std::error_code failed;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(failed);
  if (failed) return {};
  std::string pattern = (folder / "~SMXXXXXX").string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return {};
  ::close(fd);
  ::unlink(pattern.c_str());
  return pattern;
}

void compactDatabaseFile(const std::filesystem::path& path, const std::u16string& password) {
  const std::string name = "'" + path.string() + "'";
  // Through a symbolic link the file it leads to is compacted; renaming the
  // copy over the link itself would leave the real file as it was and turn
  // the link into a separate file.
  std::error_code unresolved;
  std::filesystem::path file = std::filesystem::canonical(path, unresolved);
  if (unresolved) file = path;
  try {
    const auto engine = automationInterface<JetEngine>(createAutomationObject(u"JRO.JetEngine"));
    engine->CompactDatabaseInPlace(compactionConnectionString(pathText(file), password));
  } catch (const jet::Error& error) {
    if (password.empty() && isPasswordRefusal(error)) {
      throw jet::Error(error.code(), "Cannot compact " + name +
                                         ": the file is protected by a database password, and Repair and "
                                         "Compact opens database files without one");
    }
    if (startsWith(error.what(), "Cannot ")) throw;
    throw jet::Error(error.code(), "Cannot compact " + name + ": " + error.what());
  }
}

void createBlankDatabase(const std::filesystem::path& path) {
  auto catalog = automationInterface<Catalog>(createAutomationObject(u"ADOX.Catalog"));
  catalog->create(newDatabaseConnectionString(pathText(path)));
  // Releasing the catalog closes the new file.
  catalog.reset();
}

}  // namespace qb
