#include "sql/action/target_database.h"

#include <filesystem>
#include <system_error>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/lexer.h"

namespace jet::sql {

namespace {

std::filesystem::path resolve(const Database& db, const std::u16string& file) {
  const std::string utf8 = toUtf8(file);
  std::filesystem::path path(std::u8string(utf8.begin(), utf8.end()));
  if (path.is_relative()) path = db.path().parent_path() / path;
  return path.lexically_normal();
}

}  // namespace

TargetDatabase::TargetDatabase(Database& db, const std::u16string& file, std::size_t position) : target_(&db) {
  if (file.empty()) return;
  const std::filesystem::path path = resolve(db, file);
  const std::string shown = path.string();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    throw Error(ErrorCode::NotFound, "Could not find the database '" + shown + "' (IN '" + toUtf8(file) + "')" +
                                         atPosition("query", position));
  }
  if (std::filesystem::equivalent(path, db.path(), ec)) return;
  try {
    other_ = Database::open(path);
  } catch (const Error& e) {
    throw Error(e.code(), "Cannot open the database '" + shown + "' to write to it: " + e.what());
  }
  if (other_->isReadOnly()) {
    throw Error(ErrorCode::ReadOnly,
                "Cannot write to the database '" + shown + "': " + other_->readOnlyReason() + atPosition("query", position));
  }
  target_ = other_.get();
}

}  // namespace jet::sql
