// Physical operators: pull-based iterators over rows of values. open() starts
// (or restarts) the operator, next() advances to the following row and row()
// then holds it, by reference and without copying where an operator passes
// its input's rows on (a filter, a limit). Operators are opened again for each
// run of a correlated subquery, so open() always starts from the beginning.
//
// One row at a time rather than batches: the decoding of the file's rows is
// what a query spends its time on, an operator hands on a reference to its
// row, and a cursor's next() is then simply the top operator's next().
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/expression.h"
#include "sql/eval_node.h"

namespace jet::sql {

using Row = std::vector<Value>;

// What one execution of a statement shares: the evaluation options, the row
// budget, the state of Rnd.
class ExecContext {
 public:
  ExecContext(ExpressionOptions options, std::uint64_t rowBudget);

  const ExpressionOptions& options() const { return options_; }
  EvalEnv env(const RowValues& row) const { return EvalEnv{&row, &options_, "query"}; }
  EvalEnv envWithoutRow() const { return EvalEnv{&noRow_, &options_, "query"}; }

  // Counts rows handled; past the budget the statement stops with an error.
  void charge(std::uint64_t rows = 1) {
    used_ += rows;
    if (budget_ != 0 && used_ > budget_) overBudget();
  }

  // Rnd's generator state (one sequence per execution).
  std::uint32_t& rndSeed() { return rndSeed_; }

 private:
  [[noreturn]] void overBudget() const;

  class NoRow final : public RowValues {
   public:
    const Value& value(std::size_t) const override;
  };

  ExpressionOptions options_;
  std::uint64_t budget_ = 0;
  std::uint64_t used_ = 0;
  std::uint32_t rndSeed_ = 0x50000;
  NoRow noRow_;
};

class Operator {
 public:
  Operator(ExecContext& ctx, std::size_t width) : ctx_(ctx), width_(width) {}
  virtual ~Operator() = default;
  Operator(const Operator&) = delete;
  Operator& operator=(const Operator&) = delete;

  virtual void open() = 0;
  virtual bool next() = 0;
  const Row& row() const { return *current_; }
  // Values per row (slots of the layout the planner gave it).
  std::size_t width() const { return width_; }

  // For explain: what the operator does, and the operators it reads.
  virtual std::string describe() const = 0;
  virtual std::vector<const Operator*> inputs() const { return {}; }

 protected:
  ExecContext& ctx_;
  const Row* current_ = nullptr;
  std::size_t width_;
};

using OperatorPtr = std::unique_ptr<Operator>;

// The operator tree as indented lines, the root first.
std::string explainTree(const Operator& root);

// The value of a compiled expression for a row.
inline Value evaluateOn(const EvalNode& node, const ExecContext& ctx, const Row& row) {
  const RowSpan span(row);
  return node.evaluate(ctx.env(span));
}
// True when a condition is True for the row (False and Null are not).
inline bool passesOn(const EvalNode& node, const ExecContext& ctx, const Row& row) {
  const RowSpan span(row);
  return node.test(ctx.env(span)) == Tri::True;
}

}  // namespace jet::sql
