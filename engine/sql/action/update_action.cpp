// UPDATE t SET ... [WHERE ...], and Access's UPDATE a INNER JOIN b ON ... SET a.x = b.y.
//
// The query over the statement's FROM and WHERE gives, for each row to change,
// its locator and its new values, computed from the old ones. All of them are
// collected before the first row is written, so the statement never sees its
// own changes: a row moved within the index the query walks is not found
// again, and a value computed from another row is the value before the
// statement.
#include <algorithm>
#include <numeric>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/action/action_query.h"
#include "sql/action/actions.h"
#include "sql/lexer.h"

namespace jet::sql {

namespace {

// The source an assignment's field belongs to.
std::size_t sourceOf(const Block& block, const Assignment& a) {
  if (!a.table.empty()) return sourceNamed(block, a.table, a.position, "SET");
  std::optional<std::size_t> found;
  for (std::size_t s = 0; s < block.sources.size(); ++s) {
    for (const SourceColumn& c : block.sources[s]->columns) {
      if (!equalNamesNoCase(c.name, a.column)) continue;
      if (found && *found != s) {
        throw Error(ErrorCode::InvalidArgument, "The field '" + toUtf8(a.column) +
                                                    "' in the SET clause could refer to more than one table listed "
                                                    "in the FROM clause" +
                                                    atPosition("query", a.position));
      }
      found = s;
    }
  }
  if (!found) {
    throw Error(ErrorCode::NotFound,
                "Unknown field '" + toUtf8(a.column) + "' in the SET clause" + atPosition("query", a.position));
  }
  return *found;
}

class UpdateAction final : public Action {
 public:
  UpdateAction(Database& db, std::unique_ptr<ParsedStatement> parsed, const UpdateStatement& update)
      : query_(db, std::move(parsed), *update.select) {
    Block& block = query_.block();
    std::optional<std::size_t> target;
    for (const Assignment& a : update.assignments) {
      const std::size_t s = sourceOf(block, a);
      if (target && *target != s) {
        throw Error(ErrorCode::Unsupported, "This UPDATE changes fields of both '" +
                                                toUtf8(block.sources[*target]->name) + "' and '" +
                                                toUtf8(block.sources[s]->name) +
                                                "': write one UPDATE for each table" + atPosition("query", a.position));
      }
      target = s;
    }
    const Source& source = *block.sources[*target];
    query_.carryRowIdsOf(*target, "'" + toUtf8(source.name) + "' is not a table whose rows can be changed");
    table_ = source.table;
    for (const Assignment& a : update.assignments) {
      const int column = table_->findColumn(a.column);
      if (column < 0) {
        throw Error(ErrorCode::NotFound, "Unknown field '" + toUtf8(a.column) + "' of table '" +
                                             toUtf8(table_->name()) + "' in the SET clause" +
                                             atPosition("query", a.position));
      }
      const ColumnDef& def = table_->columns()[static_cast<std::size_t>(column)];
      if (def.autoNumber || def.guidAutoNumber) {
        throw Error(ErrorCode::InvalidArgument, "Cannot update '" + toUtf8(def.name) + "'; field not updateable" +
                                                    atPosition("query", a.position));
      }
      if (std::find(columns_.begin(), columns_.end(), static_cast<std::size_t>(column)) != columns_.end()) {
        throw Error(ErrorCode::InvalidArgument, "Duplicate output destination '" + toUtf8(def.name) + "'" +
                                                    atPosition("query", a.position));
      }
      columns_.push_back(static_cast<std::size_t>(column));
    }
    joined_ = block.sources.size() > 1;
    query_.check();
  }

  StatementKind kind() const override { return StatementKind::Update; }
  const std::vector<StatementParameter>& parameters() const override { return query_.logical().parameters; }
  std::string explain(const std::vector<Value>& parameters) const override { return query_.explain(parameters); }

  RunResult run(const std::vector<Value>& parameters, const ExecuteOptions& options) override {
    const std::size_t n = columns_.size();
    std::vector<RowId> ids;
    std::vector<Value> values;  // n per row
    query_.forEachRow(parameters, options, [&](const std::vector<Value>& row, std::optional<RowId> id) {
      ids.push_back(*id);
      values.insert(values.end(), row.begin(), row.begin() + static_cast<std::ptrdiff_t>(n));
    });
    // Over a join a row can be found more than once: it is changed once, to
    // the values of the last row that found it.
    std::vector<std::size_t> order(ids.size());
    std::iota(order.begin(), order.end(), 0);
    if (joined_) {
      std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return ids[a] < ids[b]; });
      std::vector<std::size_t> last;
      for (std::size_t i = 0; i < order.size(); ++i) {
        if (i + 1 < order.size() && ids[order[i + 1]] == ids[order[i]]) continue;
        last.push_back(order[i]);
      }
      order = std::move(last);
    }
    std::vector<Value> row;
    for (std::size_t i : order) {
      table_->readRow(ids[i], row);
      for (std::size_t c = 0; c < n; ++c) row[columns_[c]] = std::move(values[i * n + c]);
      table_->updateRow(ids[i], row);
    }
    return RunResult{order.size()};
  }

 private:
  ActionQuery query_;
  std::shared_ptr<Table> table_;
  std::vector<std::size_t> columns_;  // the table's field each value goes to
  bool joined_ = false;
};

}  // namespace

std::unique_ptr<Action> prepareUpdate(Database& db, std::unique_ptr<ParsedStatement> parsed) {
  const auto& update = static_cast<const UpdateStatement&>(*parsed->body);
  return std::make_unique<UpdateAction>(db, std::move(parsed), update);
}

}  // namespace jet::sql
