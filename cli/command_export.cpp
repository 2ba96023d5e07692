// qbtool export: streams a table's rows to standard output as CSV, TSV or JSON.
#include "commands.h"
#include "jet/table.h"
#include "row_writer.h"

namespace qbtool {

int runExport(const Arguments& args, OutputBuffer& out) {
  ExportOptions options;
  if (auto format = args.value("--format"); format && !parseExportFormat(*format, options.format)) {
    throw UsageError("unknown format '" + *format + "' (csv, tsv or json)");
  }
  options.header = !args.has("--no-header");
  options.crlf = args.has("--crlf");

  const auto db = openDatabase(args);
  const auto table = openTable(*db, args.operands().at(1));
  std::vector<std::u16string> names;
  for (const jet::ColumnDef& column : table->columns()) names.push_back(column.name);

  const auto writer = RowWriter::create(out, options);
  writer->begin(names);
  table->scan([&](jet::RowId, const std::vector<jet::Value>& values) {
    writer->row(values);
    return true;
  });
  writer->end();
  return 0;
}

}  // namespace qbtool
