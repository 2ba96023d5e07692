// A dataset over a table whose rows are made up on demand: row i (from 0)
// holds ID = i + 1 and Name = "Row <i + 1>". Any number of rows costs no
// memory beyond the dataset's view, and every row read is counted, so tests
// can see which rows the grid asks for. Writes change a small overlay of
// rows; the table can be made read-only.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "connection/data_set.h"
#include "connection/row_source.h"

struct GeneratedTable {
  std::size_t rows = 0;
  bool readOnly = false;
  // Row ids read since the last clear, and how many reads in all.
  std::set<std::uint32_t> rowsRead;
  std::size_t reads = 0;
  // Rows written (by id); deleted rows are left out of the next open.
  std::map<std::uint32_t, std::vector<jet::Value>> written;
  std::set<std::uint32_t> deleted;
  std::uint32_t nextId = 0;
};

class GeneratedDataSet final : public qb::DataSet {
 public:
  explicit GeneratedDataSet(GeneratedTable& table) : DataSet("mdb"), table_(table) {}

 protected:
  std::unique_ptr<qb::RowSource> openSource() override;

 private:
  GeneratedTable& table_;
};
