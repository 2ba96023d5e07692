// The binary operators of Jet expressions, as the value operations know them
// (arithmetic and text, comparison, logic). The parser builds them, the value
// operations carry them out.
#pragma once

#include <cstdint>

namespace jet {

enum class BinaryOp : std::uint8_t {
  // Arithmetic and text.
  Power, Multiply, Divide, IntDivide, Mod, Add, Subtract, Concat,
  // Comparison.
  Eq, Ne, Lt, Gt, Le, Ge,
  // Logic.
  And, Or, Xor, Eqv, Imp,
};

bool isComparison(BinaryOp op) noexcept;
bool isLogical(BinaryOp op) noexcept;
// The operator as written in Access SQL ("+", "Mod", "<>", "And").
const char* binaryOpText(BinaryOp op) noexcept;

}  // namespace jet
