// The in-memory table used by the dataset tests.
#include "memory_table.h"

#include "jet/text.h"

namespace qbtest {

jet::ColumnDef memoryColumn(std::u16string name, jet::DataType type, std::uint16_t characters) {
  jet::ColumnDef c;
  c.name = std::move(name);
  c.type = type;
  switch (type) {
    case jet::DataType::Text:
      c.length = static_cast<std::uint16_t>(characters * 2);
      break;
    case jet::DataType::Numeric:
      c.precision = 18;
      c.scale = 2;
      break;
    case jet::DataType::Binary:
      c.length = characters;
      break;
    default:
      break;
  }
  return c;
}

jet::RowId MemoryTable::add(std::vector<jet::Value> values) {
  values.resize(columns.size());
  const jet::RowId id{nextId++};
  rows.emplace(id.value, std::move(values));
  return id;
}

std::vector<std::vector<jet::Value>> MemoryTable::contents() const {
  std::vector<std::vector<jet::Value>> out;
  for (const auto& [id, values] : rows) out.push_back(values);
  return out;
}

std::vector<jet::RowId> MemorySource::rowIds() {
  std::vector<jet::RowId> ids;
  for (const auto& [id, values] : table_.rows) ids.push_back(jet::RowId{id});
  return ids;
}

void MemorySource::readRow(jet::RowId row, std::vector<jet::Value>& out) {
  const auto it = table_.rows.find(row.value);
  if (it == table_.rows.end()) throw jet::Error(jet::ErrorCode::NotFound, "no such row");
  out = it->second;
}

jet::Value MemorySource::readValue(jet::RowId row, std::size_t column) {
  std::vector<jet::Value> values;
  readRow(row, values);
  return values.at(column);
}

void MemorySource::checkWrite() {
  ++table_.writes;
  if (table_.refuseNextWrite) {
    const jet::Error e = *table_.refuseNextWrite;
    table_.refuseNextWrite.reset();
    throw e;
  }
}

void MemorySource::checkRequired(const std::vector<jet::Value>& values) const {
  for (std::size_t i = 0; i < table_.columns.size(); ++i) {
    if (table_.columns[i].required && values[i].isNull()) {
      throw jet::Error(jet::ErrorCode::Constraint,
                       "The field '" + jet::toUtf8(table_.columns[i].name) + "' cannot be empty");
    }
  }
}

jet::RowId MemorySource::insertRow(std::vector<jet::Value>& values) {
  checkWrite();
  for (std::size_t i = 0; i < table_.columns.size(); ++i) {
    if (table_.columns[i].autoNumber && values[i].isNull())
      values[i] = jet::Value::longInt(table_.nextAutoNumber++);
  }
  checkRequired(values);
  return table_.add(values);
}

void MemorySource::updateRow(jet::RowId row, std::vector<jet::Value>& values) {
  checkWrite();
  checkRequired(values);
  table_.rows.at(row.value) = values;
}

void MemorySource::deleteRow(jet::RowId row) {
  checkWrite();
  table_.rows.erase(row.value);
}

}  // namespace qbtest
