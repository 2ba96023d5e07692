// Exercising a database image through the engine's public reading API.
#include "corpus/database_exercise.h"

#include "catalog/database_impl.h"
#include "jet/error.h"
#include "jet/table.h"
#include "storage/memory_vfs.h"

namespace qbtest {

std::unique_ptr<jet::Database> openImage(std::vector<std::uint8_t> image, const std::string& name,
                                         const jet::OpenOptions& options) {
  auto vfs = std::make_shared<jet::MemoryVfs>();
  vfs->put(name, std::move(image));
  vfs->setWriteProtected(name, true);
  return jet::openDatabase(vfs, name, options);
}

ExerciseResult exerciseImage(std::vector<std::uint8_t> image, const std::u16string& password,
                             std::size_t maxRowsPerTable) {
  ExerciseResult result;
  std::unique_ptr<jet::Database> db;
  jet::OpenOptions options;
  options.password = password;
  try {
    db = openImage(std::move(image), "image.mdb", options);
  } catch (const jet::Error&) {
    return result;
  }
  result.opened = true;
  const auto visitNothing = [](jet::RowId, const std::vector<jet::Value>&) { return true; };
  for (const jet::CatalogObject& object : db->catalog()) {
    if (object.type != 1) continue;
    std::shared_ptr<jet::Table> table;
    try {
      table = db->table(object.name);
    } catch (const jet::Error&) {
      continue;
    }
    ++result.tables;
    try {
      table->rowIds();
    } catch (const jet::Error&) {
    }
    try {
      table->scan(visitNothing);
    } catch (const jet::Error&) {
    }
    std::vector<jet::RowId> ids;
    try {
      jet::ScanReport report;
      ids = table->rowIds(jet::ScanMode::Lenient, &report);
      table->scan(
          [&](jet::RowId, const std::vector<jet::Value>&) {
            ++result.rows;
            return true;
          },
          jet::ScanMode::Lenient, &report);
    } catch (const jet::Error& e) {
      result.brokenPromise = std::string("a lenient read raised: ") + e.what();
      return result;
    }
    std::vector<jet::Value> values;
    for (std::size_t i = 0; i < ids.size() && i < maxRowsPerTable; ++i) {
      try {
        table->readRow(ids[i], values);
        for (std::size_t c = 0; c < table->columns().size(); ++c) table->readValue(ids[i], c);
      } catch (const jet::Error&) {
      }
    }
  }
  return result;
}

}  // namespace qbtest
