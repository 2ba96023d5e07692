// Projection: evaluates each output for the input row.
#include "sql/exec/projection.h"

#include "jet/error.h"
#include "value/value_error.h"
#include "value/value_ops.h"

namespace jet::sql {

Value convertForColumn(Value v, ValueKind kind, const std::string& name) {
  if (v.isNull() || v.kind() == kind) return v;
  try {
    return castTo(v, kind);
  } catch (const ValueError& e) {
    throw Error(e.code(), std::string(e.what()) + " in the value of result column '" + name + "' (" +
                              describeValue(v) + " as " + valueKindName(kind) + ")");
  }
}

Projection::Projection(ExecContext& ctx, OperatorPtr input, std::vector<ProjectedValue> values, std::size_t tailFrom,
                       std::size_t tailWidth)
    : Operator(ctx, values.size() + tailWidth), input_(std::move(input)), values_(std::move(values)),
      tailFrom_(tailFrom), row_(width_) {
  current_ = &row_;
}

void Projection::open() { input_->open(); }

bool Projection::next() {
  if (!input_->next()) return false;
  const Row& in = input_->row();
  if (tailFrom_ != kNoTail) {
    // The input's width is known only from its rows (the pivot columns).
    width_ = values_.size() + (in.size() > tailFrom_ ? in.size() - tailFrom_ : 0);
    row_.resize(width_);
  }
  const RowSpan span(in);
  const EvalEnv env = ctx_.env(span);
  for (std::size_t i = 0; i < values_.size(); ++i) {
    Value v = values_[i].node->evaluate(env);
    row_[i] = values_[i].kind ? convertForColumn(std::move(v), *values_[i].kind, values_[i].name) : std::move(v);
  }
  for (std::size_t i = tailFrom_; tailFrom_ != kNoTail && i < in.size(); ++i) row_[values_.size() + i - tailFrom_] = in[i];
  return true;
}

std::string Projection::describe() const {
  return "Compute " + std::to_string(values_.size()) + " value" + (values_.size() == 1 ? "" : "s");
}

}  // namespace jet::sql
