// The scalar functions expressions can call (Left, DateAdd, CInt, Format, ...):
// name, number of arguments and implementation. Lookup ignores case and a
// trailing '$' (Left$ is Left).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "jet/value.h"

namespace jet::sql {

struct EvalEnv;

using FunctionImpl = Value (*)(std::span<const Value> args, const EvalEnv& env);

enum class NullRule : std::uint8_t {
  FirstNullGivesNull,  // a Null first argument gives Null without calling
  AnyNullGivesNull,    // any Null argument gives Null without calling
  Handled,             // the implementation decides
};

struct FunctionDef {
  std::u16string_view name;
  std::uint8_t minArgs = 0;
  std::uint8_t maxArgs = 0;
  FunctionImpl impl = nullptr;
  NullRule nulls = NullRule::FirstNullGivesNull;
  std::optional<ValueKind> result;  // type of every non-Null result, when fixed
  bool readsClock = false;          // Now(), Date(), Time(): never folded into a constant
};

constexpr std::uint8_t kMaxFunctionArgs = 7;

const FunctionDef* findFunction(std::u16string_view name);

// The tables each functions_*.cpp file provides.
std::span<const FunctionDef> textFunctions();
std::span<const FunctionDef> numberFunctions();
std::span<const FunctionDef> dateFunctions();

// Format(value[, format]): named formats ("Currency", "Short Date", "Yes/No", ...)
// and custom ones ("0.00", "#,##0", "yyyy-mm-dd hh:nn", "dddd", ">").
Value formatValue(const Value& value, std::u16string_view format);

}  // namespace jet::sql
