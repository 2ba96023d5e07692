// Building the export's lines.
#include "output/csv_lines.h"

#include "connection/data_set.h"
#include "connection/ui/grid_columns.h"

namespace qb {

namespace {

bool isBlankOrControl(char16_t c) {
  return c <= u' ';
}

}  // namespace

std::u16string_view csvLine(std::span<const std::u16string> values, std::u16string& buffer) {
  buffer.clear();
  for (const std::u16string& value : values) {
    buffer += value;
    buffer += u',';
  }
  // The comma after the last value is not written.
  if (!buffer.empty()) buffer.pop_back();
  const std::u16string_view line = buffer;
  std::size_t begin = 0;
  std::size_t end = line.size();
  while (begin < end && isBlankOrControl(line[begin])) ++begin;
  while (end > begin && isBlankOrControl(line[end - 1])) --end;
  return line.substr(begin, end - begin);
}

std::vector<const Field*> visibleFields(const DataSet& data, const GridColumns& columns) {
  std::vector<const Field*> fields;
  for (int position = 0; position < columns.count(); ++position) {
    if (!columns.visible(position)) continue;
    fields.push_back(&data.fieldByName(columns.fieldName(position).toStdU16String()));
  }
  return fields;
}

}  // namespace qb
