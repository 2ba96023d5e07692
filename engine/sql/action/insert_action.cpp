// INSERT INTO t [(fields)] VALUES (...) and INSERT INTO t [(fields)] SELECT ...
//
// Values go to the fields named, in order; without a field list VALUES fills
// the table's fields in order and a SELECT's columns go to the fields of the
// same name. Fields left out get their default value (the column's
// DefaultValue property, evaluated for each row), an autonumber its next
// number, the others Null. The source rows are all read before the first is
// written, so INSERT INTO t SELECT ... FROM t copies the rows that were there.
#include <algorithm>
#include <deque>
#include <iterator>

#include "jet/error.h"
#include "jet/expression.h"
#include "jet/text.h"
#include "sql/action/action_query.h"
#include "sql/action/actions.h"
#include "sql/action/target_database.h"
#include "sql/lexer.h"
#include "table/table_impl.h"

namespace jet::sql {

namespace {

[[noreturn]] void countMismatch(std::size_t position) {
  throw Error(ErrorCode::InvalidArgument,
              "Number of query values and destination fields are not the same" + atPosition("query", position));
}

// A field a SELECT's column names: the column's name, or what follows the
// table in a qualified one ("Orders.Amount").
int fieldNamed(const Table& table, const std::u16string& name) {
  int found = table.findColumn(name);
  if (found < 0) {
    const auto dot = name.rfind(u'.');
    if (dot != std::u16string::npos) found = table.findColumn(std::u16string_view(name).substr(dot + 1));
  }
  return found;
}

// A column's default value as Access keeps it: "0", "\"abc\"", "=Now()", "Date()".
Expression defaultOf(const ColumnDef& column, const ExecuteOptions& options) {
  std::u16string_view text = column.defaultValue;
  while (!text.empty() && (text.front() == u' ' || text.front() == u'=')) text.remove_prefix(1);
  ExpressionOptions expressionOptions;
  expressionOptions.clock = options.clock;
  try {
    return Expression::parse(text, {}, expressionOptions);
  } catch (const Error& e) {
    throw Error(e.code(), "The default value '" + toUtf8(column.defaultValue) + "' of field '" + toUtf8(column.name) +
                              "' cannot be used: " + e.what());
  }
}

class InsertAction final : public Action {
 public:
  InsertAction(Database& db, std::unique_ptr<ParsedStatement> parsed, const InsertStatement& insert)
      : query_(db, std::move(parsed), *insert.source),
        target_(db, insert.target->externalDatabase, insert.target->position) {
    const TableRef& target = *insert.target;
    if (!target_.get().hasTable(target.name)) {
      throw Error(ErrorCode::NotFound, "Could not find output table '" + toUtf8(target.name) + "'" +
                                           (target_.isOther() ? " in '" + target_.get().path().string() + "'" : "") +
                                           atPosition("query", target.position));
    }
    table_ = target_.get().table(target.name);
    const std::vector<OutputColumn>& outputs = query_.logical().root->outputs;
    if (!insert.columns.empty()) {
      if (insert.columns.size() != outputs.size()) countMismatch(insert.position);
      for (const InsertStatement::Column& c : insert.columns) {
        const int field = table_->findColumn(c.name);
        if (field < 0) unknownField(c.name, c.position);
        fields_.push_back(static_cast<std::size_t>(field));
      }
    } else if (insert.values) {
      // The fields in the order Access shows them: by column number.
      const std::vector<ColumnDef>& columns = table_->columns();
      if (outputs.size() != columns.size()) countMismatch(insert.position);
      for (std::size_t i = 0; i < columns.size(); ++i) fields_.push_back(i);
      std::stable_sort(fields_.begin(), fields_.end(),
                       [&](std::size_t a, std::size_t b) { return columns[a].number < columns[b].number; });
    } else {
      for (const OutputColumn& o : outputs) {
        const int field = fieldNamed(*table_, o.result.name);
        if (field < 0) unknownField(o.result.name, insert.source->position);
        if (std::find(fields_.begin(), fields_.end(), static_cast<std::size_t>(field)) != fields_.end()) {
          throw Error(ErrorCode::InvalidArgument, "Duplicate output destination '" + toUtf8(o.result.name) + "'" +
                                                      atPosition("query", insert.source->position));
        }
        fields_.push_back(static_cast<std::size_t>(field));
      }
    }
    query_.check();
  }

  StatementKind kind() const override { return StatementKind::Insert; }
  const std::vector<StatementParameter>& parameters() const override { return query_.logical().parameters; }
  std::string explain(const std::vector<Value>& parameters) const override { return query_.explain(parameters); }

  RunResult run(const std::vector<Value>& parameters, const ExecuteOptions& options) override {
    const std::vector<ColumnDef>& columns = table_->columns();
    std::vector<std::pair<std::size_t, Expression>> defaults;
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (columns[c].defaultValue.empty() || columns[c].autoNumber || columns[c].guidAutoNumber) continue;
      if (std::find(fields_.begin(), fields_.end(), c) != fields_.end()) continue;
      defaults.emplace_back(c, defaultOf(columns[c], options));
    }
    const std::size_t n = fields_.size();
    std::deque<Value> values;  // n per row; grows without moving what it holds
    std::size_t rows = 0;
    query_.forEachRow(parameters, options, [&](std::vector<Value>& row, std::optional<RowId>) {
      values.insert(values.end(), std::make_move_iterator(row.begin()),
                    std::make_move_iterator(row.begin() + static_cast<std::ptrdiff_t>(n)));
      ++rows;
    });
    return target_.write([&] {
      std::vector<Value> row;
      BulkInsert writes(table_->impl());
      for (std::size_t r = 0; r < rows; ++r) {
        row.assign(columns.size(), Value());
        for (const auto& [c, e] : defaults) row[c] = e.evaluate();
        for (std::size_t i = 0; i < n; ++i) row[fields_[i]] = std::move(values[r * n + i]);
        writes.insert(row);
      }
      writes.finish();
      return RunResult{rows};
    });
  }

 private:
  [[noreturn]] void unknownField(const std::u16string& name, std::size_t position) const {
    throw Error(ErrorCode::NotFound, "The INSERT INTO statement contains the following unknown field name: '" +
                                         toUtf8(name) + "' (table '" + toUtf8(table_->name()) + "')" +
                                         atPosition("query", position));
  }

  ActionQuery query_;
  TargetDatabase target_;  // before table_: the table goes before its database
  std::shared_ptr<Table> table_;
  std::vector<std::size_t> fields_;  // the table's field each value goes to
};

}  // namespace

std::unique_ptr<Action> prepareInsert(Database& db, std::unique_ptr<ParsedStatement> parsed) {
  const auto& insert = static_cast<const InsertStatement&>(*parsed->body);
  return std::make_unique<InsertAction>(db, std::move(parsed), insert);
}

}  // namespace jet::sql
