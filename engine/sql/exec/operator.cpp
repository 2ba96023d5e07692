// Operator base: the execution context and the explain printer.
#include "sql/exec/operator.h"

#include "jet/error.h"

namespace jet::sql {

ExecContext::ExecContext(ExpressionOptions options, std::uint64_t rowBudget)
    : options_(std::move(options)), budget_(rowBudget) {}

void ExecContext::overBudget() const {
  throw Error(ErrorCode::InvalidArgument, "The query was stopped after handling " + std::to_string(budget_) +
                                              " rows, the most it was allowed to handle");
}

const Value& ExecContext::NoRow::value(std::size_t) const {
  throw Error(ErrorCode::InvalidArgument, "An expression read a field where no row was given");
}

namespace {

void explainInto(const Operator& op, int depth, std::string& out) {
  out.append(static_cast<std::size_t>(depth) * 2, ' ');
  out += op.describe();
  out += '\n';
  for (const Operator* input : op.inputs()) explainInto(*input, depth + 1, out);
}

}  // namespace

std::string explainTree(const Operator& root) {
  std::string out;
  explainInto(root, 0, out);
  return out;
}

}  // namespace jet::sql
