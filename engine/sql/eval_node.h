// Evaluation tree: what the binder makes of a syntax tree once names are
// resolved. Each node computes its value for the current row; conditions also
// answer test() with three-valued truth, and column and constant nodes hand out
// a reference to their value, so a comparison of a column with a constant reads
// both in place and allocates nothing.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "jet/expression.h"
#include "jet/value.h"
#include "sql/ast.h"
#include "value/value_ops.h"

namespace jet {
class ValueError;
}

namespace jet::sql {

struct FunctionDef;

// What an evaluation runs against.
struct EvalEnv {
  const RowValues* row = nullptr;           // null while folding constants
  const ExpressionOptions* options = nullptr;
  std::string_view context;                 // "filter", "expression": for messages
  DateTime now() const;                     // the options' clock or the local time
};

class EvalNode {
 public:
  EvalNode(std::size_t position, std::optional<ValueKind> kind) : position_(position), kind_(kind) {}
  virtual ~EvalNode() = default;
  EvalNode(const EvalNode&) = delete;
  EvalNode& operator=(const EvalNode&) = delete;

  virtual Value evaluate(const EvalEnv& env) const = 0;
  // Truth of the value; conditions override this to skip building a Value.
  virtual Tri test(const EvalEnv& env) const;
  // The value in place for columns and constants, else nullptr.
  virtual const Value* reference(const EvalEnv&) const { return nullptr; }
  // The value of a constant node, else nullptr.
  virtual const Value* constant() const { return nullptr; }
  // False for nodes whose value changes without their inputs changing (Now()).
  virtual bool isDeterministic() const { return true; }

  std::size_t position() const { return position_; }
  // The type of every non-Null value the node yields, when known before evaluation.
  std::optional<ValueKind> kind() const { return kind_; }

  // Throws the jet::Error for a failed value operation at this node.
  [[noreturn]] void raise(const EvalEnv& env, const ValueError& e, std::string_view prefix = {}) const;

 protected:
  // The node's value, in place when it can be, else built into `scratch`.
  static const Value& operand(const EvalNode& node, const EvalEnv& env, Value& scratch);

 private:
  std::size_t position_;
  std::optional<ValueKind> kind_;
};

using NodePtr = std::unique_ptr<EvalNode>;

NodePtr makeConstant(Value value, std::size_t position);
NodePtr makeColumn(std::size_t index, ValueKind kind, std::size_t position);
NodePtr makeNegate(NodePtr operand, std::size_t position);
NodePtr makeNot(NodePtr operand, std::size_t position);
// Arithmetic, text, comparison and logical operators.
NodePtr makeBinary(BinaryOp op, NodePtr left, NodePtr right, std::size_t position);
// A constant pattern is compiled here, once.
NodePtr makeLike(NodePtr value, NodePtr pattern, bool negated, std::size_t position);
NodePtr makeIsNull(NodePtr operand, bool negated, std::size_t position);
// Empty value test of dataset filters: Null, or "" for text, or no bytes.
NodePtr makeBlank(NodePtr operand, bool negated, std::size_t position);
NodePtr makeBetween(NodePtr value, NodePtr low, NodePtr high, bool negated, std::size_t position);
NodePtr makeIn(NodePtr value, std::vector<NodePtr> list, bool negated, std::size_t position);
NodePtr makeCall(const FunctionDef& function, std::vector<NodePtr> args, std::size_t position);
// Functions that evaluate only the arguments they need.
NodePtr makeIIf(NodePtr condition, NodePtr whenTrue, NodePtr whenFalse, std::size_t position);
NodePtr makeSwitch(std::vector<NodePtr> conditionsAndValues, std::size_t position);
NodePtr makeChoose(std::vector<NodePtr> indexAndChoices, std::size_t position);
NodePtr makeNz(NodePtr value, NodePtr whenNull, std::size_t position);

}  // namespace jet::sql
