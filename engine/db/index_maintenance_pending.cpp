// Until the B-tree code is in, tables with real indexes cannot be written (a
// row without its index entries would make the file wrong for every other
// reader); tables without indexes can.
#include "db/index_maintenance.h"

#include "jet/error.h"
#include "jet/text.h"

namespace jet {

namespace {

class PendingIndexMaintenance final : public IndexMaintenance {
 public:
  std::string unsupportedReason(const Table::Impl& table) override {
    if (!table.definition.realIndexes.empty()) return "keeping its indexes is not available yet in this build";
    return unsupportedSortOrderReason(table);
  }
  void insertRow(Table::Impl& table, const std::vector<Value>&, RowId) override { refuse(table); }
  void removeRow(Table::Impl& table, const std::vector<Value>&, RowId) override { refuse(table); }
  void updateRow(Table::Impl& table, const std::vector<Value>&, const std::vector<Value>&, RowId) override {
    refuse(table);
  }
  void buildIndex(Table::Impl& table, std::size_t) override { refuse(table); }

 private:
  static void refuse(const Table::Impl& table) {
    if (table.definition.realIndexes.empty()) return;
    throw Error(ErrorCode::Unsupported, "Cannot write to " + table.describe() +
                                            ": keeping its indexes is not available yet in this build");
  }
};

}  // namespace

std::unique_ptr<IndexMaintenance> makeIndexMaintenance() { return std::make_unique<PendingIndexMaintenance>(); }

}  // namespace jet
