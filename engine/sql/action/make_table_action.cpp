// SELECT ... INTO t FROM ...: a new table with a field for each column of the
// query (its name, type and size; an autonumber becomes a plain Long, as Jet
// makes it), then the query's rows. The new table has no indexes. A table or
// query of that name already there is an error: the statement replaces
// nothing.
#include <algorithm>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/action/action_query.h"
#include "sql/action/actions.h"
#include "sql/action/target_database.h"
#include "sql/lexer.h"
#include "table/table_impl.h"

namespace jet::sql {

namespace {

// A result column's name as a field name: the qualified names two columns of
// the same name get ("Table2.col2") cannot be field names, so the characters
// a field name cannot hold become '_' ("Table2_col2").
std::u16string fieldName(std::u16string name) {
  for (char16_t& ch : name) {
    if (ch == u'.' || ch == u'!' || ch == u'`' || ch == u'[' || ch == u']') ch = u'_';
  }
  return name;
}

ColumnSpec fieldFor(const ResultColumn& column) {
  const ColumnDef& def = column.column;
  ColumnSpec c;
  c.name = fieldName(column.name);
  c.type = def.type;
  if (def.type == DataType::Text || def.type == DataType::Binary) {
    c.size = static_cast<std::uint16_t>(std::min<std::uint32_t>(def.definedSize() == 0 ? 255 : def.definedSize(), 255));
  }
  if (def.type == DataType::Numeric) {
    c.precision = def.precision;
    c.scale = def.scale;
  }
  c.hyperlink = def.hyperlink;
  return c;
}

class MakeTableAction final : public Action {
 public:
  MakeTableAction(Database& db, std::unique_ptr<ParsedStatement> parsed, const MakeTableStatement& make)
      : query_(db, std::move(parsed), *make.query),
        target_(db, make.select().intoDatabase, make.select().intoPosition) {
    const SelectQuery& select = make.select();
    name_ = select.intoTable;
    position_ = select.intoPosition;
    for (const OutputColumn& o : query_.logical().root->outputs) spec_.columns.push_back(fieldFor(o.result));
    spec_.name = name_;
    query_.check();
  }

  StatementKind kind() const override { return StatementKind::MakeTable; }
  const std::vector<StatementParameter>& parameters() const override { return query_.logical().parameters; }
  std::string explain(const std::vector<Value>& parameters) const override { return query_.explain(parameters); }

  RunResult run(const std::vector<Value>& parameters, const ExecuteOptions& options) override {
    Database& db = target_.get();
    bool taken = db.hasTable(name_);
    for (const SavedQuery& q : db.savedQueries()) taken = taken || equalNamesNoCase(q.name, name_);
    if (taken) {
      throw Error(ErrorCode::InvalidArgument, "Table '" + toUtf8(name_) + "' already exists" +
                                                  (target_.isOther() ? " in '" + db.path().string() + "'" : "") +
                                                  ": a make-table query does not replace it (delete "
                                                  "it first, or append with INSERT INTO)" +
                                                  atPosition("query", position_));
    }
    return target_.write([&] { return fill(db.createTable(spec_), parameters, options); });
  }

 private:
  RunResult fill(const std::shared_ptr<Table>& table, const std::vector<Value>& parameters,
                 const ExecuteOptions& options) const {
    std::vector<std::size_t> fields;  // where each of the query's columns went
    for (const ColumnSpec& c : spec_.columns) fields.push_back(static_cast<std::size_t>(table->findColumn(c.name)));
    std::uint64_t rows = 0;
    std::vector<Value> row;
    BulkInsert writes(table->impl());
    query_.forEachRow(parameters, options, [&](std::vector<Value>& values, std::optional<RowId>) {
      row.assign(fields.size(), Value());
      for (std::size_t i = 0; i < fields.size(); ++i) row[fields[i]] = std::move(values[i]);
      writes.insert(row);
      ++rows;
    });
    writes.finish();
    return RunResult{rows};
  }

  ActionQuery query_;
  TargetDatabase target_;
  std::u16string name_;
  std::size_t position_ = 0;
  TableSpec spec_;
};

}  // namespace

std::unique_ptr<Action> prepareMakeTable(Database& db, std::unique_ptr<ParsedStatement> parsed) {
  const auto& make = static_cast<const MakeTableStatement&>(*parsed->body);
  return std::make_unique<MakeTableAction>(db, std::move(parsed), make);
}

}  // namespace jet::sql
