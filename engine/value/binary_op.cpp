// Operator classes and the operators as written.
#include "value/binary_op.h"

namespace jet {

bool isComparison(BinaryOp op) noexcept { return op >= BinaryOp::Eq && op <= BinaryOp::Ge; }
bool isLogical(BinaryOp op) noexcept { return op >= BinaryOp::And; }

const char* binaryOpText(BinaryOp op) noexcept {
  switch (op) {
    case BinaryOp::Power: return "^";
    case BinaryOp::Multiply: return "*";
    case BinaryOp::Divide: return "/";
    case BinaryOp::IntDivide: return "\\";
    case BinaryOp::Mod: return "Mod";
    case BinaryOp::Add: return "+";
    case BinaryOp::Subtract: return "-";
    case BinaryOp::Concat: return "&";
    case BinaryOp::Eq: return "=";
    case BinaryOp::Ne: return "<>";
    case BinaryOp::Lt: return "<";
    case BinaryOp::Gt: return ">";
    case BinaryOp::Le: return "<=";
    case BinaryOp::Ge: return ">=";
    case BinaryOp::And: return "And";
    case BinaryOp::Or: return "Or";
    case BinaryOp::Xor: return "Xor";
    case BinaryOp::Eqv: return "Eqv";
    case BinaryOp::Imp: return "Imp";
  }
  return "?";
}

}  // namespace jet
