// Domain aggregates (DLookup, DCount, DSum, ...) as the queries they stand for:
// DSum("Amount", "Orders", "CustomerId = 5") is
// SELECT Sum(Amount) FROM [Orders] WHERE CustomerId = 5.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "jet/database.h"
#include "sql/ast.h"
#include "sql/plan/logical_plan.h"

namespace jet::sql {

std::u16string domainStatementText(AggregateKind kind, std::u16string_view expression, std::u16string_view domain,
                                   std::u16string_view criteria);

// The type of a DLookup, DMin, ... whose expression and domain are text
// literals (the common case), by binding the query it stands for; nullopt
// when they are not literals or do not bind.
std::optional<ValueKind> domainResultKind(Database& db, const CallExpr& call);

}  // namespace jet::sql
