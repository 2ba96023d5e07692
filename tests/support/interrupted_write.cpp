#include "support/interrupted_write.h"

#include "jet/table.h"
#include "support/write_fixtures.h"

namespace qbtest {

InterruptedWrite interruptedRowDelete(const std::string& corpusName, std::u16string_view table) {
  auto file = MemoryDatabase::fromCorpus(corpusName);
  InterruptedWrite out;
  const auto bytes = [&](const std::string& path) {
    const auto b = file.vfs->contents(path);
    return std::string(b.begin(), b.end());
  };
  out.before = bytes(file.path);
  {
    auto db = file.open();
    const auto t = db->table(table);
    db->beginTransaction();
    t->deleteRow(t->rowIds().front());
    // Journal created, written, synced and its folder synced; the program
    // dies while the pages are written.
    file.vfs->crashAt(file.vfs->operations() + 5);
    db->commitTransaction();
  }
  file.vfs->powerCut(jet::MemoryVfs::Survival::All);
  out.crashed = bytes(file.path);
  out.journal = bytes(file.journal());
  return out;
}

}  // namespace qbtest
