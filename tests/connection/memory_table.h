// An in-memory table for dataset tests: its rows live in a map ordered by
// locator (the natural order), writes can be refused on request, and a
// dataset opens it without a database file.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "connection/data_set.h"
#include "connection/row_source.h"
#include "jet/error.h"
#include "jet/table.h"
#include "jet/value.h"

namespace qbtest {

// A column as the engine would describe it (ADO type code included).
jet::ColumnDef memoryColumn(std::u16string name, jet::DataType type, std::uint16_t characters = 50);

struct MemoryTable {
  std::vector<jet::ColumnDef> columns;
  std::map<std::uint32_t, std::vector<jet::Value>> rows;
  std::uint32_t nextId = 1;
  std::int32_t nextAutoNumber = 1;
  bool readOnly = false;
  // The next write (insert, update or delete) fails with this error.
  std::optional<jet::Error> refuseNextWrite;
  // What an index in a sort's order answers (none when unset), and how often
  // it was asked.
  std::function<std::optional<std::vector<jet::RowId>>(std::span<const jet::SortKey>)> indexOrder;
  int indexRequests = 0;
  int writes = 0;

  jet::RowId add(std::vector<jet::Value> values);
  std::vector<std::vector<jet::Value>> contents() const;
};

class MemorySource final : public qb::RowSource {
 public:
  explicit MemorySource(MemoryTable& table) : table_(table) {}
  const std::vector<jet::ColumnDef>& columns() const override { return table_.columns; }
  std::vector<jet::RowId> rowIds() override;
  void readRow(jet::RowId row, std::vector<jet::Value>& out) override;
  jet::Value readValue(jet::RowId row, std::size_t column) override;
  std::optional<std::vector<jet::RowId>> rowIdsInOrder(std::span<const jet::SortKey> keys) override {
    ++table_.indexRequests;
    return table_.indexOrder ? table_.indexOrder(keys) : std::nullopt;
  }
  bool canModify() const override { return !table_.readOnly; }
  jet::RowId insertRow(std::vector<jet::Value>& values) override;
  void updateRow(jet::RowId row, std::vector<jet::Value>& values) override;
  void deleteRow(jet::RowId row) override;

 private:
  void checkWrite();
  void checkRequired(const std::vector<jet::Value>& values) const;
  MemoryTable& table_;
};

class MemoryDataSet final : public qb::DataSet {
 public:
  explicit MemoryDataSet(MemoryTable& table, std::string name = "mdb")
      : DataSet(std::move(name)), table_(table) {}

 protected:
  std::unique_ptr<qb::RowSource> openSource() override { return std::make_unique<MemorySource>(table_); }

 private:
  MemoryTable& table_;
};

}  // namespace qbtest
