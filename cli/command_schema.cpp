// qbtool schema: the columns (type, size, flags) and indexes (columns, order,
// flags) of one table, or of every user table in list order.
#include <algorithm>

#include "commands.h"
#include "jet/table.h"
#include "jet/text.h"
#include "migrate/ddl.h"
#include "migrate/saved_query_views.h"

namespace qbtool {

namespace {

using Cells = std::vector<std::string>;

// Display width of UTF-8 text: one per code point.
std::size_t widthOf(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Writes rows of cells as columns padded to their widest cell.
void writeAligned(OutputBuffer& out, const std::vector<Cells>& rows) {
  std::vector<std::size_t> widths;
  for (const Cells& row : rows) {
    widths.resize(std::max(widths.size(), row.size()));
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], widthOf(row[i]));
  }
  for (const Cells& row : rows) {
    std::string line = "  ";
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line.append(widths[i] - widthOf(row[i]) + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out.write(line);
    out.put('\n');
  }
}

std::string joined(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += separator;
    out += item;
  }
  return out;
}

std::string typeText(const jet::ColumnDef& c) {
  std::string text = jet::dataTypeName(c.type);
  if (c.type == jet::DataType::Numeric) {
    text += "(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
  }
  return text;
}

Cells columnCells(const jet::ColumnDef& c) {
  std::vector<std::string> flags;
  if (c.autoNumber) flags.emplace_back("autonumber");
  if (c.guidAutoNumber) flags.emplace_back("guid autonumber");
  if (c.required) flags.emplace_back("required");
  if (c.fixedLength) flags.emplace_back("fixed");
  if (c.compressedUnicode) flags.emplace_back("compressed");
  if (c.hyperlink) flags.emplace_back("hyperlink");
  const std::uint32_t size = c.definedSize();
  return {jet::toUtf8(c.name), typeText(c), size == 0 ? "-" : std::to_string(size), joined(flags, ", ")};
}

std::string tableNameOfPage(const jet::Database& db, std::uint32_t page) {
  for (const jet::CatalogObject& object : db.catalog()) {
    if (object.type == kLocalTableObject && static_cast<std::uint32_t>(object.id) == page) return jet::toUtf8(object.name);
  }
  return "page " + std::to_string(page);
}

Cells indexCells(const jet::Database& db, const jet::Table& table, const jet::IndexDef& index) {
  std::vector<std::string> columns;
  for (const jet::IndexColumn& ic : index.columns) {
    std::string name = ic.column < table.columns().size() ? jet::toUtf8(table.columns()[ic.column].name)
                                                          : "#" + std::to_string(ic.columnNumber);
    if (!ic.ascending) name += " DESC";
    columns.push_back(std::move(name));
  }
  std::vector<std::string> flags;
  if (index.primaryKey) flags.emplace_back("primary key");
  if (index.unique) flags.emplace_back("unique");
  if (index.ignoreNulls) flags.emplace_back("ignore nulls");
  if (index.required) flags.emplace_back("required");
  if (index.foreignKey) {
    const std::string other = tableNameOfPage(db, index.relatedTablePage);
    flags.push_back(index.referencedSide ? "referenced by " + other : "foreign key to " + other);
    if (index.cascadeUpdates) flags.emplace_back("cascade updates");
    if (index.cascadeDeletes) flags.emplace_back("cascade deletes");
    if (index.cascadeNull) flags.emplace_back("cascade null");
  }
  return {jet::toUtf8(index.name), "(" + joined(columns, ", ") + ")", joined(flags, ", ")};
}

void writeTable(OutputBuffer& out, const jet::Database& db, const jet::Table& table) {
  out.write("Table ");
  writeText(out, table.name());
  out.write("\nColumns:\n");
  std::vector<Cells> rows;
  for (const jet::ColumnDef& column : table.columns()) rows.push_back(columnCells(column));
  writeAligned(out, rows);
  if (!table.indexes().empty()) {
    out.write("Indexes:\n");
    rows.clear();
    for (const jet::IndexDef& index : table.indexes()) rows.push_back(indexCells(db, table, index));
    writeAligned(out, rows);
  }
}

// The DDL a migration to `dialect` runs, for review.
int writeDdl(const Arguments& args, OutputBuffer& out, const std::string& dialectName) {
  const auto dialect = qbmigrate::parseDialect(dialectName);
  if (!dialect) throw UsageError("unknown dialect '" + dialectName + "' (postgresql or sqlite)");
  const auto db = openDatabase(args);
  std::vector<std::u16string> only;
  if (args.operands().size() > 1) only.push_back(jet::fromUtf8(args.operands()[1]));
  const qbmigrate::SchemaPlan plan = qbmigrate::planSchema(*db, only);
  qbmigrate::DdlOptions options;
  if (auto schema = args.value("--schema")) options.schema = *schema;
  const qbmigrate::Ddl ddl = qbmigrate::buildDdl(plan, *dialect, options);
  // With a table named, the DDL of that table alone.
  const auto views = only.empty() ? qbmigrate::planViews(*db, ddl) : std::vector<qbmigrate::ViewPlan>{};
  out.write(qbmigrate::ddlScript(plan, ddl, views));
  return 0;
}

}  // namespace

int runSchema(const Arguments& args, OutputBuffer& out) {
  if (auto dialect = args.value("--dialect")) return writeDdl(args, out, *dialect);
  if (args.has("--schema")) throw UsageError("--schema goes with --dialect postgresql");
  const auto db = openDatabase(args);
  if (args.operands().size() > 1) {
    writeTable(out, *db, *openTable(*db, args.operands()[1]));
    return 0;
  }
  bool first = true;
  for (const jet::TableListEntry& entry : db->listTables(false)) {
    if (entry.kind != jet::TableKind::Table) continue;
    if (!first) out.put('\n');
    first = false;
    writeTable(out, *db, *db->table(entry.name));
  }
  return 0;
}

}  // namespace qbtool
