// Domain aggregates: the statement text and its result type.
#include "sql/plan/domain_statement.h"

#include "jet/error.h"
#include "jet/text.h"
#include "sql/plan/query_binder.h"

namespace jet::sql {

std::u16string domainStatementText(AggregateKind kind, std::u16string_view expression, std::u16string_view domain,
                                   std::u16string_view criteria) {
  std::u16string text = u"SELECT ";
  const bool star = expression == u"*";
  if (kind == AggregateKind::Count && star) {
    text += u"Count(*)";
  } else {
    text += fromUtf8(aggregateName(kind));
    text += u"(";
    text += expression;
    text += u")";
  }
  text += u" FROM ";
  // The domain is a table or query name, in brackets or not.
  if (!domain.empty() && domain.front() == u'[') {
    text += domain;
  } else {
    text += u"[";
    text += domain;
    text += u"]";
  }
  if (!criteria.empty()) {
    text += u" WHERE ";
    text += criteria;
  }
  return text;
}

std::optional<ValueKind> domainResultKind(Database& db, const CallExpr& call) {
  if (call.args.size() < 2) return std::nullopt;
  const auto text = [](const Expr& e) -> const std::u16string* {
    if (e.kind != ExprKind::Literal) return nullptr;
    const Value& v = static_cast<const LiteralExpr&>(e).value;
    return v.kind() == ValueKind::Text ? &v.asText() : nullptr;
  };
  const std::u16string* expression = text(*call.args[0]);
  const std::u16string* domain = text(*call.args[1]);
  const auto kind = domainAggregateNamed(call.name);
  if (expression == nullptr || domain == nullptr || !kind) return std::nullopt;
  try {
    LogicalStatement s = bindStatementText(db, domainStatementText(*kind, *expression, *domain, {}));
    if (s.root->outputs.size() == 1) return s.root->outputs[0].kind;
  } catch (const Error&) {
  }
  return std::nullopt;
}

}  // namespace jet::sql
