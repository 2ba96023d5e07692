// DELETE FROM t [WHERE ...], DELETE * FROM t, DELETE t.* FROM t INNER JOIN u ON ... .
//
// The locators of the rows to delete are collected first, then the rows are
// deleted; enforced relationships cascade or refuse as each row's delete says.
// The rows affected are the rows the statement chose, each once, also when a
// cascade from another of them deleted it first; rows a cascade takes along
// that the statement did not choose are not counted. (Counting only the rows
// the statement came to while they were still there would make the number
// depend on the order rows are stored in.)
#include <algorithm>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/action/action_query.h"
#include "sql/action/actions.h"
#include "table/table_impl.h"
#include "sql/lexer.h"

namespace jet::sql {

namespace {

class DeleteAction final : public Action {
 public:
  DeleteAction(Database& db, std::unique_ptr<ParsedStatement> parsed, const DeleteStatement& del)
      : query_(db, std::move(parsed), *del.select) {
    Block& block = query_.block();
    std::size_t target = 0;
    if (!del.target.empty()) {
      target = sourceNamed(block, del.target, del.targetPosition, "DELETE");
    } else if (block.sources.size() != 1) {
      throw Error(ErrorCode::InvalidArgument,
                  "Specify the table containing the records you want to delete: write DELETE t.* FROM ..." +
                      atPosition("query", del.position));
    }
    query_.carryRowIdsOf(target, "could not delete from '" + toUtf8(block.sources[target]->name) +
                                     "': it is not a table");
    table_ = block.sources[target]->table;
    joined_ = block.sources.size() > 1;
    query_.check();
  }

  StatementKind kind() const override { return StatementKind::Delete; }
  const std::vector<StatementParameter>& parameters() const override { return query_.logical().parameters; }
  std::string explain(const std::vector<Value>& parameters) const override { return query_.explain(parameters); }

  RunResult run(const std::vector<Value>& parameters, const ExecuteOptions& options) override {
    std::vector<RowId> ids;
    query_.forEachRow(parameters, options, [&](const std::vector<Value>&, std::optional<RowId> id) { ids.push_back(*id); });
    if (joined_) {
      std::sort(ids.begin(), ids.end());
      ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    }
    // A relationship of the table with itself (or through other tables back
    // to it) may delete rows the statement comes to later: the table skips
    // those, and they are counted once.
    table_->impl().deleteRows(ids);
    return RunResult{ids.size()};
  }

 private:
  ActionQuery query_;
  std::shared_ptr<Table> table_;
  bool joined_ = false;
};

}  // namespace

std::unique_ptr<Action> prepareDelete(Database& db, std::unique_ptr<ParsedStatement> parsed) {
  const auto& del = static_cast<const DeleteStatement&>(*parsed->body);
  return std::make_unique<DeleteAction>(db, std::move(parsed), del);
}

}  // namespace jet::sql
