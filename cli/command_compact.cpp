// qbtool compact: compacts a database file in place, reporting the sizes
// before and after.
#include <filesystem>

#include "commands.h"
#include "jet/compact.h"
#include "jet/text.h"

namespace qbtool {

int runCompact(const Arguments& args, OutputBuffer& out) {
  const std::string& path = args.operands().at(0);
  std::u16string password;
  if (auto given = args.value("--password")) password = jet::fromUtf8(*given);
  // A missing file is reported by the engine, in its words.
  std::error_code ignored;
  const std::uintmax_t before = std::filesystem::file_size(path, ignored);
  jet::compactDatabaseInPlace(path, password);
  const std::uintmax_t after = std::filesystem::file_size(path);
  out.write(path + ": compacted from " + std::to_string(before) + " to " + std::to_string(after) + " bytes\n");
  return 0;
}

}  // namespace qbtool
