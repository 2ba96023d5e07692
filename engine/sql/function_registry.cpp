// Lookup of the scalar functions by name.
#include "sql/function_registry.h"

#include <array>

#include "jet/text.h"
#include "sql/function_args.h"

namespace jet::sql {

namespace {

Value formatFn(std::span<const Value> a, const EvalEnv&) {
  const std::u16string format = given(a, 1) ? textArg(a[1]) : std::u16string();
  return formatValue(a[0], format);
}

constexpr std::array kOtherFunctions = {
    FunctionDef{u"Format", 1, 2, formatFn, NullRule::FirstNullGivesNull, ValueKind::Text},
};

}  // namespace

const FunctionDef* findFunction(std::u16string_view name) {
  if (!name.empty() && name.back() == u'$') name.remove_suffix(1);
  for (auto table : {textFunctions(), numberFunctions(), dateFunctions(), std::span<const FunctionDef>(kOtherFunctions)}) {
    for (const auto& f : table) {
      if (equalNamesNoCase(f.name, name)) return &f;
    }
  }
  return nullptr;
}

}  // namespace jet::sql
