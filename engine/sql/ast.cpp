// Text forms of the syntax tree, for messages and tests.
#include "sql/ast.h"

#include "jet/text.h"

namespace jet::sql {

std::u16string NameExpr::fullName() const {
  std::u16string out;
  for (const auto& p : parts) {
    if (!out.empty()) out += u'.';
    out += p.name;
  }
  return out;
}

namespace {

std::string nameText(const NamePart& p) {
  return p.bracketed ? "[" + toUtf8(p.name) + "]" : toUtf8(p.name);
}

std::string quoteText(std::u16string_view text) {
  std::string out = "'";
  for (char c : toUtf8(text)) {
    out += c;
    if (c == '\'') out += c;
  }
  return out + "'";
}

}  // namespace

std::string toString(const Expr& expr) {
  switch (expr.kind) {
    case ExprKind::Literal: {
      const auto& e = static_cast<const LiteralExpr&>(expr);
      if (e.literal == LiteralKind::Text) return quoteText(e.text);
      if (e.literal == LiteralKind::Date) return "#" + toUtf8(e.text) + "#";
      return toUtf8(e.text);
    }
    case ExprKind::Name: {
      std::string out;
      for (const auto& p : static_cast<const NameExpr&>(expr).parts) out += (out.empty() ? "" : ".") + nameText(p);
      return out;
    }
    case ExprKind::Parameter: return "?";
    case ExprKind::Unary: {
      const auto& e = static_cast<const UnaryExpr&>(expr);
      const char* op = e.op == UnaryOp::Not ? "Not " : e.op == UnaryOp::Negate ? "-" : "+";
      return "(" + std::string(op) + toString(*e.operand) + ")";
    }
    case ExprKind::Binary: {
      const auto& e = static_cast<const BinaryExpr&>(expr);
      return "(" + toString(*e.left) + " " + binaryOpText(e.op) + " " + toString(*e.right) + ")";
    }
    case ExprKind::Like: {
      const auto& e = static_cast<const LikeExpr&>(expr);
      return "(" + toString(*e.value) + (e.negated ? " Not Like " : " Like ") + toString(*e.pattern) + ")";
    }
    case ExprKind::IsNull: {
      const auto& e = static_cast<const IsNullExpr&>(expr);
      return "(" + toString(*e.operand) + (e.negated ? " Is Not Null)" : " Is Null)");
    }
    case ExprKind::Between: {
      const auto& e = static_cast<const BetweenExpr&>(expr);
      return "(" + toString(*e.value) + (e.negated ? " Not Between " : " Between ") + toString(*e.low) + " And " +
             toString(*e.high) + ")";
    }
    case ExprKind::In: {
      const auto& e = static_cast<const InExpr&>(expr);
      std::string items;
      for (const auto& item : e.list) items += (items.empty() ? "" : ", ") + toString(*item);
      return "(" + toString(*e.value) + (e.negated ? " Not In (" : " In (") + items + "))";
    }
    case ExprKind::Call: {
      const auto& e = static_cast<const CallExpr&>(expr);
      if (e.star) return toUtf8(e.name) + "(*)";
      std::string args;
      for (const auto& a : e.args) args += (args.empty() ? "" : ", ") + toString(*a);
      return toUtf8(e.name) + "(" + args + ")";
    }
    case ExprKind::Subquery: return subqueryText(static_cast<const SubqueryExpr&>(expr));
  }
  return "?";
}

}  // namespace jet::sql
