// Statement syntax tree: printing it back as Access SQL.
#include "sql/statement_ast.h"

#include "jet/text.h"

namespace jet::sql {

SubqueryExpr::SubqueryExpr(std::size_t pos, SubqueryKind k, std::unique_ptr<QueryNode> q)
    : Expr(ExprKind::Subquery, pos), subquery(k), query(std::move(q)) {}
SubqueryExpr::~SubqueryExpr() = default;

namespace {

bool isPlainWord(std::u16string_view name) {
  if (name.empty()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
    const bool digit = c >= u'0' && c <= u'9';
    if (!letter && !(digit && i > 0)) return false;
  }
  return true;
}

std::u16string expressionText(const Expr& e) { return fromUtf8(toString(e)); }

void appendOrder(std::u16string& out, const std::vector<OrderItem>& items) {
  if (items.empty()) return;
  out += u" ORDER BY ";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += u", ";
    out += expressionText(*items[i].expr);
    if (items[i].descending) out += u" DESC";
  }
}

void appendList(std::u16string& out, const std::vector<ExprPtr>& list) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (i > 0) out += u", ";
    out += expressionText(*list[i]);
  }
}

std::u16string printSelect(const SelectQuery& q) {
  if (q.tableShorthand) return u"TABLE " + printFrom(*q.from.front());
  std::u16string out = u"SELECT ";
  if (q.quantifier == Quantifier::Distinct) out += u"DISTINCT ";
  if (q.quantifier == Quantifier::DistinctRow) out += u"DISTINCTROW ";
  if (q.top) out += u"TOP " + q.top->text + (q.top->percent ? u" PERCENT " : u" ");
  for (std::size_t i = 0; i < q.items.size(); ++i) {
    const SelectItem& item = q.items[i];
    if (i > 0) out += u", ";
    switch (item.kind) {
      case SelectItem::Kind::Star: out += u"*"; break;
      case SelectItem::Kind::TableStar: out += quoteName(item.table) + u".*"; break;
      case SelectItem::Kind::Expression:
        out += expressionText(*item.expr);
        if (!item.alias.empty()) out += u" AS " + quoteName(item.alias);
        break;
    }
  }
  if (!q.from.empty()) {
    out += u" FROM ";
    for (std::size_t i = 0; i < q.from.size(); ++i) {
      if (i > 0) out += u", ";
      out += printFrom(*q.from[i]);
    }
  }
  if (q.where) out += u" WHERE " + expressionText(*q.where);
  if (!q.groupBy.empty()) {
    out += u" GROUP BY ";
    appendList(out, q.groupBy);
  }
  if (q.having) out += u" HAVING " + expressionText(*q.having);
  appendOrder(out, q.orderBy);
  return out;
}

const char16_t* typeWord(const TypeName& t) {
  if (!t.type) return u"Value";
  switch (*t.type) {
    case DataType::Boolean: return u"Bit";
    case DataType::Byte: return u"Byte";
    case DataType::Integer: return u"Short";
    case DataType::Long: return u"Long";
    case DataType::Currency: return u"Currency";
    case DataType::Single: return u"IEEESingle";
    case DataType::Double: return u"IEEEDouble";
    case DataType::DateTime: return u"DateTime";
    case DataType::Binary: return u"Binary";
    case DataType::Text: return u"Text";
    case DataType::Ole: return u"LongBinary";
    case DataType::Memo: return u"Memo";
    case DataType::Guid: return u"Guid";
    case DataType::Numeric: return u"Decimal";
    default: return u"Value";
  }
}

}  // namespace

std::u16string quoteName(std::u16string_view name) {
  if (isPlainWord(name)) return std::u16string(name);
  return u"[" + std::u16string(name) + u"]";
}

std::u16string printFrom(const FromItem& item) {
  switch (item.kind) {
    case FromKind::Table: {
      const auto& t = static_cast<const TableRef&>(item);
      std::u16string out = quoteName(t.name);
      if (!t.alias.empty()) out += u" AS " + quoteName(t.alias);
      return out;
    }
    case FromKind::Derived: {
      const auto& d = static_cast<const DerivedTable&>(item);
      return u"(" + printQuery(*d.query) + u") AS " + quoteName(d.alias);
    }
    case FromKind::Join: {
      const auto& j = static_cast<const JoinItem&>(item);
      const char16_t* word = j.join == JoinKind::Inner ? u" INNER JOIN " : j.join == JoinKind::Left ? u" LEFT JOIN "
                                                                                                   : u" RIGHT JOIN ";
      return u"(" + printFrom(*j.left) + word + printFrom(*j.right) + u" ON " + expressionText(*j.on) + u")";
    }
  }
  return {};
}

std::u16string printQuery(const QueryNode& query) {
  switch (query.kind) {
    case QueryShape::Select: return printSelect(static_cast<const SelectQuery&>(query));
    case QueryShape::Union: {
      const auto& u = static_cast<const UnionQuery&>(query);
      std::u16string out;
      for (std::size_t i = 0; i < u.parts.size(); ++i) {
        if (i > 0) out += u.all[i - 1] ? u" UNION ALL " : u" UNION ";
        out += printQuery(*u.parts[i]);
      }
      appendOrder(out, u.orderBy);
      return out;
    }
    case QueryShape::Transform: {
      const auto& t = static_cast<const TransformQuery&>(query);
      std::u16string out = u"TRANSFORM " + expressionText(*t.aggregate);
      if (!t.aggregateAlias.empty()) out += u" AS " + quoteName(t.aggregateAlias);
      out += u" " + printSelect(*t.select) + u" PIVOT " + expressionText(*t.pivot);
      if (t.hasIn) {
        out += u" IN (";
        appendList(out, t.pivotIn);
        out += u")";
      }
      return out;
    }
  }
  return {};
}

std::u16string printStatement(const ParsedStatement& statement) {
  std::u16string out;
  if (!statement.parameters.empty()) {
    out += u"PARAMETERS ";
    for (std::size_t i = 0; i < statement.parameters.size(); ++i) {
      const ParameterDecl& p = statement.parameters[i];
      if (i > 0) out += u", ";
      out += u"[" + p.name + u"] " + typeWord(p.type);
      if (p.type.size != 0) out += u"(" + fromUtf8(std::to_string(p.type.size)) + u")";
    }
    out += u"; ";
  }
  if (statement.body && statement.body->kind == StatementNodeKind::Query) {
    out += printQuery(*static_cast<const QueryStatement&>(*statement.body).query);
  }
  return out;
}

std::string subqueryText(const SubqueryExpr& e) {
  std::string query = "(" + toUtf8(printQuery(*e.query)) + ")";
  switch (e.subquery) {
    case SubqueryKind::Scalar: return query;
    case SubqueryKind::Exists: return "(Exists " + query + ")";
    case SubqueryKind::In: return "(" + toString(*e.value) + (e.negated ? " Not In " : " In ") + query + ")";
    case SubqueryKind::Any:
    case SubqueryKind::All:
      return "(" + toString(*e.value) + " " + binaryOpText(e.op) + (e.subquery == SubqueryKind::All ? " All " : " Any ") +
             query + ")";
  }
  return query;
}

}  // namespace jet::sql
