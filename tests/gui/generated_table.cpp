// The made-up table's rows and writes.
#include "generated_table.h"

#include "jet/error.h"
#include "jet/text.h"

namespace {

std::vector<jet::ColumnDef> generatedColumns() {
  jet::ColumnDef id;
  id.name = u"ID";
  id.type = jet::DataType::Long;
  jet::ColumnDef name;
  name.name = u"Name";
  name.type = jet::DataType::Text;
  name.number = 1;
  name.length = 60;
  return {id, name};
}

class GeneratedSource final : public qb::RowSource {
 public:
  explicit GeneratedSource(GeneratedTable& table) : table_(table) {
    if (table_.nextId < table_.rows) table_.nextId = static_cast<std::uint32_t>(table_.rows);
  }

  const std::vector<jet::ColumnDef>& columns() const override { return columns_; }

  std::vector<jet::RowId> rowIds() override {
    std::vector<jet::RowId> ids;
    ids.reserve(table_.rows);
    for (std::uint32_t i = 0; i < table_.rows; ++i) {
      if (!table_.deleted.contains(i)) ids.push_back(jet::RowId{i});
    }
    for (const auto& [id, values] : table_.written) {
      if (id >= table_.rows && !table_.deleted.contains(id)) ids.push_back(jet::RowId{id});
    }
    return ids;
  }

  void readRow(jet::RowId row, std::vector<jet::Value>& out) override {
    ++table_.reads;
    table_.rowsRead.insert(row.value);
    if (const auto it = table_.written.find(row.value); it != table_.written.end()) {
      out = it->second;
      return;
    }
    const auto number = static_cast<std::int32_t>(row.value) + 1;
    out = {jet::Value::longInt(number), jet::Value::text(u"Row " + jet::fromUtf8(std::to_string(number)))};
  }

  jet::Value readValue(jet::RowId row, std::size_t column) override {
    std::vector<jet::Value> values;
    readRow(row, values);
    return values.at(column);
  }

  bool canModify() const override { return !table_.readOnly; }

  jet::RowId insertRow(std::vector<jet::Value>& values) override {
    const jet::RowId id{table_.nextId++};
    table_.written[id.value] = values;
    return id;
  }

  void updateRow(jet::RowId row, std::vector<jet::Value>& values) override {
    table_.written[row.value] = values;
  }

  void deleteRow(jet::RowId row) override { table_.deleted.insert(row.value); }

 private:
  GeneratedTable& table_;
  std::vector<jet::ColumnDef> columns_ = generatedColumns();
};

}  // namespace

std::unique_ptr<qb::RowSource> GeneratedDataSet::openSource() {
  return std::make_unique<GeneratedSource>(table_);
}
