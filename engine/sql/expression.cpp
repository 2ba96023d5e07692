// The public expression API: expressions, dataset filters and sorts.
#include "jet/expression.h"

#include "jet/error.h"
#include "jet/text.h"
#include "sql/binder.h"
#include "sql/lexer.h"
#include "sql/parser.h"
#include "value/value_ops.h"

namespace jet {

struct Expression::Compiled {
  sql::NodePtr root;
  ExpressionOptions options;
  std::string context;
  std::vector<std::size_t> columns;

  sql::EvalEnv env(const RowValues& row) const { return sql::EvalEnv{&row, &options, context}; }
};

namespace {

// The row of an expression that names no column.
class NoRow final : public RowValues {
 public:
  const Value& value(std::size_t) const override {
    throw Error(ErrorCode::InvalidArgument, "The expression reads a column but no row was given");
  }
};

bool isBlankText(std::u16string_view text) {
  for (char16_t c : text) {
    if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') return false;
  }
  return true;
}

std::shared_ptr<const Expression::Compiled> compile(std::u16string_view text, std::span<const ExpressionColumn> columns,
                                                    ExpressionOptions options, sql::Dialect dialect,
                                                    const char* context) {
  auto compiled = std::make_shared<Expression::Compiled>();
  compiled->options = std::move(options);
  compiled->context = context;
  const sql::ExprPtr tree = sql::parseExpression(text, context);
  sql::Binder binder(columns, dialect, context, compiled->options);
  compiled->root = binder.bind(*tree);
  compiled->columns = binder.columnsUsed();
  return compiled;
}

}  // namespace

Expression Expression::parse(std::u16string_view text, std::span<const ExpressionColumn> columns,
                             ExpressionOptions options) {
  return Expression(compile(text, columns, std::move(options), sql::Dialect::Expression, "expression"));
}

Value Expression::evaluate(const RowValues& row) const { return compiled_->root->evaluate(compiled_->env(row)); }

Value Expression::evaluate() const { return evaluate(NoRow()); }

Filter Filter::parse(std::u16string_view text, std::span<const ExpressionColumn> columns, ExpressionOptions options) {
  Filter f;
  if (!isBlankText(text)) f.compiled_ = compile(text, columns, std::move(options), sql::Dialect::Filter, "filter");
  return f;
}

bool Filter::matches(const RowValues& row) const {
  return !compiled_ || compiled_->root->test(compiled_->env(row)) == Tri::True;
}

const std::vector<std::size_t>& Filter::columnsUsed() const {
  static const std::vector<std::size_t> kNone;
  return compiled_ ? compiled_->columns : kNone;
}

std::vector<SortKey> parseSort(std::u16string_view text, std::span<const ExpressionColumn> columns) {
  constexpr const char* kContext = "sort";
  const std::vector<sql::Token> tokens = sql::tokenize(text, kContext);
  auto fail = [&](const std::string& what, std::size_t position) -> void {
    throw Error(ErrorCode::Syntax, what + sql::atPosition(kContext, position));
  };
  std::vector<SortKey> keys;
  std::size_t i = 0;
  if (tokens[0].is(sql::TokenKind::End)) return keys;
  for (;;) {
    const sql::Token& name = tokens[i];
    if (!name.is(sql::TokenKind::Word) && !name.is(sql::TokenKind::BracketName)) {
      fail("Expected a field name but found " + sql::describeToken(name), name.position);
    }
    SortKey key;
    bool found = false;
    for (std::size_t c = 0; c < columns.size() && !found; ++c) {
      if (equalNamesNoCase(columns[c].name, name.text)) {
        key.column = c;
        found = true;
      }
    }
    if (!found) fail("Unknown field '" + toUtf8(name.text) + "'", name.position);
    ++i;
    if (tokens[i].is(sql::Keyword::Asc) || tokens[i].is(sql::Keyword::Desc)) {
      key.descending = tokens[i].is(sql::Keyword::Desc);
      ++i;
    }
    keys.push_back(key);
    if (tokens[i].is(sql::TokenKind::End)) return keys;
    if (!tokens[i].is(sql::TokenKind::Comma)) {
      fail("Expected ASC, DESC or ',' but found " + sql::describeToken(tokens[i]), tokens[i].position);
    }
    ++i;
  }
}

}  // namespace jet
