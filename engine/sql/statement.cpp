// The public statement API: prepare (parse and bind), parameters, execute to a
// streaming cursor or a random-access result, explain.
#include "jet/statement.h"

#include <algorithm>

#include "table/table_cursor.h"
#include "jet/database.h"
#include "jet/error.h"
#include "jet/text.h"
#include "catalog/database_impl.h"
#include "sql/action.h"
#include "sql/action/prepare_action.h"
#include "sql/exec/pivot.h"
#include "sql/exec/projection.h"
#include "sql/exec/table_scan.h"
#include "sql/plan/planner.h"
#include "sql/plan/query_binder.h"
#include "sql/statement_parser.h"
#include "table/write_scope.h"
#include "value/value_error.h"
#include "value/value_ops.h"

namespace jet {

using sql::ExecContext;
using sql::LogicalStatement;
using sql::PlannedQuery;
using sql::Planner;

struct Statement::Impl {
  Database* db = nullptr;
  std::shared_ptr<const LogicalStatement> logical;  // a query, or
  std::unique_ptr<sql::Action> action;              // an action or data-definition statement
  std::vector<ResultColumn> columns;
  std::vector<StatementParameter> parameters;
  std::vector<std::optional<Value>> values;

  std::vector<Value> parameterValues(bool requireAll) const {
    std::vector<Value> out;
    std::string missing;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      if (values[i]) {
        out.push_back(*values[i]);
        continue;
      }
      missing += (missing.empty() ? "'" : ", '") + toUtf8(parameters[i].name) + "'";
      out.emplace_back();
    }
    if (requireAll && !missing.empty()) {
      throw Error(ErrorCode::InvalidArgument, "No value given for one or more required parameters: " + missing);
    }
    return out;
  }
};

namespace {

ExpressionOptions expressionOptions(const ExecuteOptions& options) {
  ExpressionOptions out;
  out.clock = options.clock;
  return out;
}

// Streams the rows of a plan.
class PlanCursor final : public Cursor {
 public:
  PlanCursor(std::shared_ptr<const LogicalStatement> logical, std::unique_ptr<ExecContext> ctx, PlannedQuery plan)
      : logical_(std::move(logical)), ctx_(std::move(ctx)), plan_(std::move(plan)) {
    plan_.root->open();
    columns_ = plan_.columns;
    if (plan_.pivot != nullptr) addPivotColumns();
    width_ = columns_.size();
  }

  const std::vector<ResultColumn>& columns() const override { return columns_; }

  bool next() override {
    if (!plan_.root->next()) {
      current_ = nullptr;
      return false;
    }
    const sql::Row& row = plan_.root->row();
    if (row.size() == width_) {
      current_ = &row;
    } else {
      own_.assign(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(std::min(width_, row.size())));
      own_.resize(width_);
      current_ = &own_;
    }
    return true;
  }

  const std::vector<Value>& row() const override {
    static const std::vector<Value> kNone;
    return current_ ? *current_ : kNone;
  }

  const std::u16string& updatableTable() const override { return plan_.updatableTable; }

  std::optional<RowId> rowId() const override {
    if (plan_.rowIdSlot < 0 || current_ == nullptr) return std::nullopt;
    return sql::rowIdOf(plan_.root->row()[static_cast<std::size_t>(plan_.rowIdSlot)]);
  }

 private:
  void addPivotColumns() {
    const auto& crosstab = static_cast<const sql::Crosstab&>(*logical_->root);
    if (crosstab.hasIn) return;  // the IN list's columns are among the outputs already
    for (const std::u16string& name : plan_.pivot->pivotNames()) {
      ResultColumn c;
      c.name = name;
      c.column = crosstab.valueColumn;
      c.column.name = name;
      columns_.push_back(std::move(c));
    }
  }

  std::shared_ptr<const LogicalStatement> logical_;
  std::unique_ptr<ExecContext> ctx_;
  PlannedQuery plan_;
  std::vector<ResultColumn> columns_;
  std::size_t width_ = 0;
  const std::vector<Value>* current_ = nullptr;
  std::vector<Value> own_;
};

class MaterializedResult final : public ResultSet {
 public:
  explicit MaterializedResult(Cursor& cursor) : columns_(cursor.columns()), table_(cursor.updatableTable()) {
    while (cursor.next()) {
      rows_.push_back(cursor.row());
      if (auto id = cursor.rowId()) ids_.push_back(*id);
    }
  }
  const std::vector<ResultColumn>& columns() const override { return columns_; }
  std::size_t size() const override { return rows_.size(); }
  const std::vector<Value>& row(std::size_t index) override { return rows_.at(index); }
  const std::u16string& updatableTable() const override { return table_; }
  std::optional<RowId> rowId(std::size_t index) const override {
    if (index >= ids_.size()) return std::nullopt;
    return ids_[index];
  }

 private:
  std::vector<ResultColumn> columns_;
  std::u16string table_;
  std::vector<std::vector<Value>> rows_;
  std::vector<RowId> ids_;
};

// One table's rows by locator; a row's fields are decoded when it is asked for.
class RowIdResult final : public ResultSet {
 public:
  RowIdResult(std::shared_ptr<Table> table, std::vector<ResultColumn> columns, std::vector<std::size_t> fields,
              std::vector<ValueKind> kinds, std::vector<RowId> ids)
      : table_(std::move(table)),
        name_(table_->name()),
        columns_(std::move(columns)),
        fields_(std::move(fields)),
        kinds_(std::move(kinds)),
        ids_(std::move(ids)),
        cursor_(*table_),
        row_(columns_.size()) {}

  const std::vector<ResultColumn>& columns() const override { return columns_; }
  std::size_t size() const override { return ids_.size(); }
  const std::vector<Value>& row(std::size_t index) override {
    if (!cursor_.moveTo(ids_.at(index))) {
      throw Error(ErrorCode::NotFound, "Row " + std::to_string(index + 1) + " of the result is no longer in table '" +
                                           toUtf8(name_) + "'");
    }
    for (std::size_t i = 0; i < fields_.size(); ++i) {
      row_[i] = sql::convertForColumn(cursor_.value(fields_[i]), kinds_[i], toUtf8(columns_[i].name));
    }
    return row_;
  }
  const std::u16string& updatableTable() const override { return name_; }
  std::optional<RowId> rowId(std::size_t index) const override { return ids_.at(index); }

 private:
  std::shared_ptr<Table> table_;
  std::u16string name_;
  std::vector<ResultColumn> columns_;
  std::vector<std::size_t> fields_;
  std::vector<ValueKind> kinds_;
  std::vector<RowId> ids_;
  TableCursor cursor_;
  std::vector<Value> row_;
};

// The table field each output of a one-table result shows, when every output is one.
std::optional<std::vector<std::size_t>> plainFields(const sql::LogicalQuery& root) {
  if (root.kind != sql::LogicalKind::Block || root.updatableTable.empty()) return std::nullopt;
  const auto& block = static_cast<const sql::Block&>(root);
  std::vector<std::size_t> out;
  for (const sql::OutputColumn& o : block.outputs) {
    const sql::SourceColumn* column = nullptr;
    if (o.ref) {
      column = &block.sources[0]->columns[static_cast<std::size_t>(o.ref->column)];
    } else if (o.expr && o.expr->kind == sql::ExprKind::Name) {
      const auto found = block.names.find(static_cast<const sql::NameExpr*>(o.expr));
      if (found != block.names.end() && found->second.kind == sql::NameKind::Column) column = found->second.column;
    }
    if (column == nullptr || column->originColumn < 0) return std::nullopt;
    out.push_back(static_cast<std::size_t>(column->originColumn));
  }
  return out;
}

}  // namespace

Statement::Statement(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Statement::Statement(Statement&&) noexcept = default;
Statement& Statement::operator=(Statement&&) noexcept = default;
Statement::~Statement() = default;

Statement Statement::prepare(Database& db, std::u16string_view sql) {
  auto impl = std::make_unique<Impl>();
  impl->db = &db;
  if (auto action = sql::prepareActionText(db, sql)) {
    impl->parameters = action->parameters();
    impl->values.assign(impl->parameters.size(), std::nullopt);
    impl->action = std::move(action);
    return Statement(std::move(impl));
  }
  auto logical = std::make_shared<LogicalStatement>(sql::bindStatementText(db, sql));
  for (const sql::OutputColumn& o : logical->root->outputs) impl->columns.push_back(o.result);
  impl->parameters = logical->parameters;
  impl->values.assign(impl->parameters.size(), std::nullopt);
  impl->logical = std::move(logical);
  // Plan it once, so what binding could not see (a wrong number of
  // arguments, say) fails here rather than at the first execution.
  ExecContext ctx({}, 0);
  const std::vector<Value> none = impl->parameterValues(false);
  Planner(db, *impl->logical, none, ctx).plan();
  return Statement(std::move(impl));
}

StatementKind Statement::kind() const { return impl_->action ? impl_->action->kind() : impl_->logical->kind; }

bool Statement::returnsRows() const {
  switch (kind()) {
    case StatementKind::Select:
    case StatementKind::Union:
    case StatementKind::Crosstab: return true;
    default: return false;
  }
}

RunResult Statement::run(const ExecuteOptions& options) const {
  if (returnsRows()) {
    throw Error(ErrorCode::InvalidArgument, "The statement is a query: it returns rows and has nothing to carry out");
  }
  const std::vector<Value> values = impl_->parameterValues(true);
  // One write scope around the whole statement: its own transaction, or a
  // statement inside the open one that is undone alone when it fails.
  WriteScope scope(*impl_->db->impl().context);
  RunResult result = impl_->action->run(values, options);
  scope.commit();
  return result;
}

namespace {

void requireQuery(const Statement::Impl& impl) {
  if (impl.action) {
    throw Error(ErrorCode::InvalidArgument,
                "The statement changes data or the database's design and returns no rows: carry it out with run()");
  }
}

}  // namespace
const std::vector<ResultColumn>& Statement::columns() const { return impl_->columns; }
const std::vector<StatementParameter>& Statement::parameters() const { return impl_->parameters; }

void Statement::setParameter(std::u16string_view name, Value value) {
  for (std::size_t i = 0; i < impl_->parameters.size(); ++i) {
    const StatementParameter& p = impl_->parameters[i];
    if (!equalNamesNoCase(p.name, name)) continue;
    if (p.type && !value.isNull()) {
      const ValueKind kind = jet::kindOf(*p.type);
      std::optional<Value> converted;
      if (value.kind() == ValueKind::Text && kind != ValueKind::Text) {
        converted = jet::textAs(value.asText(), kind, DateOrder::MonthDayYear);
      } else {
        try {
          converted = jet::castTo(value, kind);
        } catch (const ValueError&) {
        }
      }
      if (!converted) {
        throw Error(ErrorCode::InvalidArgument, "The value " + jet::describeValue(value) + " given for parameter '" +
                                                    toUtf8(p.name) + "' is not a valid " + dataTypeName(*p.type) +
                                                    " value");
      }
      value = std::move(*converted);
    }
    impl_->values[i] = std::move(value);
    return;
  }
  throw Error(ErrorCode::InvalidArgument, "The statement has no parameter '" + toUtf8(name) + "'");
}

void Statement::clearParameters() { std::fill(impl_->values.begin(), impl_->values.end(), std::nullopt); }

std::unique_ptr<Cursor> Statement::execute(const ExecuteOptions& options) const {
  requireQuery(*impl_);
  const std::vector<Value> values = impl_->parameterValues(true);
  auto ctx = std::make_unique<ExecContext>(expressionOptions(options), options.rowBudget);
  PlannedQuery plan = Planner(*impl_->db, *impl_->logical, values, *ctx).plan();
  return std::make_unique<PlanCursor>(impl_->logical, std::move(ctx), std::move(plan));
}

std::unique_ptr<ResultSet> Statement::executeAll(const ExecuteOptions& options) const {
  requireQuery(*impl_);
  const auto fields = plainFields(*impl_->logical->root);
  if (!fields) {
    auto cursor = execute(options);
    return std::make_unique<MaterializedResult>(*cursor);
  }
  const std::vector<Value> values = impl_->parameterValues(true);
  auto ctx = std::make_unique<ExecContext>(expressionOptions(options), options.rowBudget);
  PlannedQuery plan = Planner(*impl_->db, *impl_->logical, values, *ctx).planRowIds();
  std::vector<RowId> ids;
  plan.root->open();
  while (plan.root->next()) ids.push_back(sql::rowIdOf(plan.root->row()[0]));
  const auto& block = static_cast<const sql::Block&>(*impl_->logical->root);
  std::vector<ValueKind> kinds;
  for (const sql::OutputColumn& o : block.outputs) kinds.push_back(o.kind);
  return std::make_unique<RowIdResult>(block.sources[0]->table, impl_->columns, *fields, std::move(kinds),
                                       std::move(ids));
}

std::string Statement::explain() const {
  const std::vector<Value> values = impl_->parameterValues(false);
  if (impl_->action) return impl_->action->explain(values);
  ExecContext ctx({}, 0);
  return sql::explainPlan(Planner(*impl_->db, *impl_->logical, values, ctx).plan());
}

std::vector<std::u16string> splitStatements(std::u16string_view text) { return sql::splitStatements(text); }

}  // namespace jet
