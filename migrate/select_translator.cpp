// Printing Access SQL select queries in the target dialect; see select_translator.h.
#include "migrate/select_translator.h"

#include <cmath>
#include <map>
#include <utility>

#include "jet/error.h"
#include "jet/statement.h"
#include "jet/text.h"
#include "migrate/sql_text.h"
#include "migrate/value_text.h"
#include "sql/statement_parser.h"

namespace qbmigrate {

namespace {

using namespace jet::sql;

// Thrown inside the printer when a query cannot be carried faithfully.
struct Untranslatable {
  std::string reason;
};

[[noreturn]] void refuse(std::string reason) { throw Untranslatable{std::move(reason)}; }

// Access compares names without regard to case (ASCII letters; names rarely
// differ only in the case of other letters).
std::u16string foldName(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return folded;
}

bool sameName(std::u16string_view a, std::u16string_view b) { return foldName(a) == foldName(b); }

std::string quotedName(std::u16string_view name) { return quoteIdentifier(jet::toUtf8(name)); }

// What the printer knows of an expression's values, for the operators whose
// meaning depends on it.
enum class Sort { Unknown, Text, Whole, Number, Date, Boolean };

Sort sortOf(jet::DataType type) {
  switch (type) {
    case jet::DataType::Text:
    case jet::DataType::Memo:
      return Sort::Text;
    case jet::DataType::Byte:
    case jet::DataType::Integer:
    case jet::DataType::Long:
      return Sort::Whole;
    case jet::DataType::Currency:
    case jet::DataType::Single:
    case jet::DataType::Double:
    case jet::DataType::Numeric:
      return Sort::Number;
    case jet::DataType::DateTime:
      return Sort::Date;
    case jet::DataType::Boolean:
      return Sort::Boolean;
    default:
      return Sort::Unknown;
  }
}

struct Printed {
  std::string sql;
  Sort sort = Sort::Unknown;
};

// A column a FROM item brings: its name in the source, in the target, and its type.
struct SourceColumn {
  std::u16string name;
  std::string target;  // quoted
  Sort sort = Sort::Unknown;
};

// One FROM item as the query's expressions see it.
struct Source {
  std::u16string exposed;  // the alias, else the name as written
  std::vector<SourceColumn> columns;
};

class Printer {
 public:
  Printer(jet::Database& db, const Ddl& ddl) : db_(db), ddl_(ddl), pg_(ddl.dialect == Dialect::PostgreSQL) {}

  std::vector<std::string> reads;  // saved queries the query reads, as written

  std::string query(const QueryNode& node) {
    switch (node.kind) {
      case QueryShape::Select:
        return select(static_cast<const SelectQuery&>(node));
      case QueryShape::Union:
        return unionQuery(static_cast<const UnionQuery&>(node));
      case QueryShape::Transform:
        break;
    }
    refuse("it holds a crosstab, whose columns depend on the data");
  }

 private:
  const char* dialect() const { return pg_ ? "PostgreSQL" : "SQLite"; }

  // --- queries ---

  std::string select(const SelectQuery& q) {
    scopes_.emplace_back();
    for (const FromPtr& item : q.from) collectSources(*item);

    std::string sql = "SELECT ";
    if (q.quantifier == Quantifier::Distinct) sql += "DISTINCT ";
    if (q.quantifier == Quantifier::DistinctRow && !(q.from.size() == 1 && q.from[0]->kind == FromKind::Table)) {
      refuse("it uses DISTINCTROW over several tables, which keeps rows by the rows of the tables behind them");
    }
    for (std::size_t i = 0; i < q.items.size(); ++i) {
      const SelectItem& item = q.items[i];
      if (i > 0) sql += ", ";
      switch (item.kind) {
        case SelectItem::Kind::Star:
          sql += "*";
          break;
        case SelectItem::Kind::TableStar:
          sql += quotedName(findSource(item.table).exposed) + ".*";
          break;
        case SelectItem::Kind::Expression:
          sql += expr(*item.expr).sql;
          if (!item.alias.empty()) sql += " AS " + quotedName(item.alias);
          break;
      }
    }
    if (!q.from.empty()) {
      sql += " FROM ";
      for (std::size_t i = 0; i < q.from.size(); ++i) sql += (i ? ", " : "") + from(*q.from[i]);
    }
    if (q.where) sql += " WHERE " + expr(*q.where).sql;
    if (!q.groupBy.empty()) {
      sql += " GROUP BY ";
      for (std::size_t i = 0; i < q.groupBy.size(); ++i) sql += (i ? ", " : "") + expr(*q.groupBy[i]).sql;
    }
    if (q.having) sql += " HAVING " + expr(*q.having).sql;
    sql += orderBy(q.orderBy);
    if (q.top) sql += top(*q.top, !q.orderBy.empty());
    scopes_.pop_back();
    return sql;
  }

  std::string top(const TopClause& t, bool ordered) {
    if (t.percent) refuse("it keeps the TOP " + jet::toUtf8(t.text) + " PERCENT of its rows, which " + dialect() + " cannot");
    if (t.count < 1 || t.count != std::floor(t.count)) refuse("its TOP count " + jet::toUtf8(t.text) + " is not a whole number");
    const std::string n = std::to_string(static_cast<long long>(t.count));
    if (!ordered) return " LIMIT " + n;
    // TOP keeps the rows tied with the last one in the sort order.
    if (!pg_) refuse("TOP " + n + " with ORDER BY also keeps the rows tied with the last one, which SQLite's LIMIT does not");
    return " FETCH FIRST " + n + " ROWS WITH TIES";
  }

  std::string orderBy(const std::vector<OrderItem>& items) {
    if (items.empty()) return {};
    std::string sql = " ORDER BY ";
    for (std::size_t i = 0; i < items.size(); ++i) {
      sql += (i ? ", " : "") + expr(*items[i].expr).sql;
      if (items[i].descending) sql += " DESC";
      // Null sorts first in Access, as in SQLite; PostgreSQL puts it last.
      if (pg_) sql += items[i].descending ? " NULLS LAST" : " NULLS FIRST";
    }
    return sql;
  }

  std::string unionQuery(const UnionQuery& u) {
    std::string sql;
    for (std::size_t i = 0; i < u.parts.size(); ++i) {
      const QueryNode& part = *u.parts[i];
      if (part.kind != QueryShape::Select) refuse("it unites queries that are not plain selects");
      const auto& s = static_cast<const SelectQuery&>(part);
      if (!s.orderBy.empty() || s.top) refuse("a part of its union is sorted or cut by TOP on its own");
      if (i > 0) sql += u.all[i - 1] ? " UNION ALL " : " UNION ";
      sql += select(s);
    }
    // The sort of a union names its result columns.
    if (!u.orderBy.empty()) {
      sql += " ORDER BY ";
      for (std::size_t i = 0; i < u.orderBy.size(); ++i) {
        const Expr& e = *u.orderBy[i].expr;
        if (e.kind != ExprKind::Name) refuse("its union is sorted by an expression rather than a result column");
        sql += (i ? ", " : "") + quotedName(static_cast<const NameExpr&>(e).parts.back().name);
        if (u.orderBy[i].descending) sql += " DESC";
        if (pg_) sql += u.orderBy[i].descending ? " NULLS LAST" : " NULLS FIRST";
      }
    }
    return sql;
  }

  // --- FROM ---

  void collectSources(const FromItem& item) {
    switch (item.kind) {
      case FromKind::Table: {
        const auto& t = static_cast<const TableRef&>(item);
        scopes_.back().push_back(Source{t.exposedName(), columnsOf(t.name)});
        break;
      }
      case FromKind::Derived: {
        const auto& d = static_cast<const DerivedTable&>(item);
        scopes_.back().push_back(Source{d.alias, {}});
        break;
      }
      case FromKind::Join: {
        const auto& j = static_cast<const JoinItem&>(item);
        collectSources(*j.left);
        collectSources(*j.right);
        break;
      }
    }
  }

  const TableDdl* table(std::u16string_view name) const {
    for (const TableDdl& t : ddl_.tables) {
      if (sameName(jet::fromUtf8(t.sourceName), name)) return &t;
    }
    return nullptr;
  }

  std::optional<jet::SavedQuery> savedQuery(std::u16string_view name) {
    if (!queries_) queries_ = db_.savedQueries();
    for (const jet::SavedQuery& q : *queries_) {
      if (sameName(q.name, name)) return q;
    }
    return std::nullopt;
  }

  std::vector<SourceColumn> columnsOf(std::u16string_view name) {
    std::vector<SourceColumn> columns;
    if (const TableDdl* t = table(name)) {
      const auto defs = db_.table(jet::fromUtf8(t->sourceName))->columns();
      for (std::size_t i = 0; i < defs.size() && i < t->columnNames.size(); ++i) {
        columns.push_back({defs[i].name, t->columnNames[i], sortOf(defs[i].type)});
      }
    } else if (auto q = savedQuery(name)) {
      const jet::Statement statement = jet::Statement::prepare(db_, q->sql);
      for (const jet::ResultColumn& c : statement.columns()) {
        columns.push_back({c.name, quotedName(c.name), sortOf(c.column.type)});
      }
    }
    return columns;
  }

  std::string from(const FromItem& item) {
    switch (item.kind) {
      case FromKind::Table: {
        const auto& t = static_cast<const TableRef&>(item);
        if (!t.externalDatabase.empty()) refuse("it reads " + jet::toUtf8(t.name) + " in another database");
        std::string target;
        if (const TableDdl* d = table(t.name)) {
          target = d->qualifiedName;
        } else if (auto q = savedQuery(t.name)) {
          const std::string name = jet::toUtf8(q->name);
          reads.push_back(name);
          target = pg_ ? quoteIdentifier(ddl_.schema) + "." + quoteIdentifier(name) : quoteIdentifier(name);
        } else {
          refuse("it reads " + jet::toUtf8(t.name) + ", which is not migrated");
        }
        return target + " AS " + quotedName(t.exposedName());
      }
      case FromKind::Derived: {
        const auto& d = static_cast<const DerivedTable&>(item);
        return "(" + query(*d.query) + ") AS " + quotedName(d.alias);
      }
      case FromKind::Join: {
        const auto& j = static_cast<const JoinItem&>(item);
        const char* kind = j.join == JoinKind::Inner ? " INNER JOIN " : j.join == JoinKind::Left ? " LEFT JOIN " : " RIGHT JOIN ";
        return "(" + from(*j.left) + kind + from(*j.right) + " ON " + expr(*j.on).sql + ")";
      }
    }
    refuse("its FROM clause has an unknown kind of item");
  }

  const Source& findSource(std::u16string_view name) const {
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      for (const Source& s : *scope) {
        if (sameName(s.exposed, name)) return s;
      }
    }
    refuse("it names " + jet::toUtf8(name) + ", which is not among its tables");
  }

  // --- expressions ---

  Printed name(const NameExpr& e) {
    if (e.parts.size() > 2) refuse("it names " + jet::toUtf8(e.fullName()) + ", which reaches outside the query");
    const std::u16string& column = e.parts.back().name;
    const auto match = [&](const Source& s) -> std::optional<Printed> {
      for (const SourceColumn& c : s.columns) {
        if (sameName(c.name, column)) return Printed{quotedName(s.exposed) + "." + c.target, c.sort};
      }
      return std::nullopt;
    };
    if (e.parts.size() == 2) {
      const Source& s = findSource(e.parts[0].name);
      if (auto p = match(s)) return *p;
      return {quotedName(s.exposed) + "." + quotedName(column), Sort::Unknown};
    }
    for (auto scope = scopes_.rbegin(); scope != scopes_.rend(); ++scope) {
      for (const Source& s : *scope) {
        if (auto p = match(s)) return *p;
      }
    }
    return {quotedName(column), Sort::Unknown};
  }

  Printed literal(const LiteralExpr& e) {
    switch (e.literal) {
      case LiteralKind::Null:
        return {"NULL", Sort::Unknown};
      case LiteralKind::Boolean:
        return {e.value.asBoolean() ? (pg_ ? "true" : "1") : (pg_ ? "false" : "0"), Sort::Boolean};
      case LiteralKind::Number: {
        const std::string text = jet::toUtf8(e.text);
        if (text.empty() || text.find_first_not_of("0123456789.eE+-") != std::string::npos) {
          refuse("it holds the number " + text + ", written in a form only Access reads");
        }
        const bool whole = text.find_first_of(".eE") == std::string::npos;
        return {text, whole ? Sort::Whole : Sort::Number};
      }
      case LiteralKind::Text:
        return {sqlStringLiteral(jet::toUtf8(e.value.asText())), Sort::Text};
      case LiteralKind::Date: {
        std::string text;
        try {
          text = sqlStringLiteral(dateTimeText(e.value.asDateTime()));
        } catch (const ValueError& error) {
          refuse(std::string("it holds a date the target cannot: ") + error.what());
        }
        return {pg_ ? "TIMESTAMP " + text : text, Sort::Date};
      }
    }
    refuse("it holds a literal of an unknown kind");
  }

  // Text compared for equality: Access ignores case.
  std::string textEquality(const Printed& l, const char* op, const Printed& r) const {
    if (pg_) return "(lower(" + l.sql + ") " + op + " lower(" + r.sql + "))";
    return "(" + l.sql + " " + op + " " + r.sql + " COLLATE NOCASE)";
  }

  Printed binary(const BinaryExpr& e) {
    const Printed l = expr(*e.left);
    const Printed r = expr(*e.right);
    const auto both = [&](Sort s) { return l.sort == s && r.sort == s; };
    const auto either = [&](Sort s) { return l.sort == s || r.sort == s; };
    const auto plain = [&](const char* op, Sort sort) { return Printed{"(" + l.sql + " " + op + " " + r.sql + ")", sort}; };
    const std::string opText = jet::binaryOpText(e.op);
    switch (e.op) {
      case BinaryOp::Add:
        if (both(Sort::Text)) return plain("||", Sort::Text);  // '+' of texts joins them, Null stays Null
        [[fallthrough]];
      case BinaryOp::Subtract:
      case BinaryOp::Multiply:
        if (either(Sort::Text) || either(Sort::Date) || either(Sort::Boolean)) {
          refuse("it uses '" + opText + "' on text, dates or Yes/No values, which Access converts in its own way");
        }
        return plain(opText.c_str(), both(Sort::Whole) ? Sort::Whole : Sort::Number);
      case BinaryOp::Divide:
        if (either(Sort::Text) || either(Sort::Date)) refuse("it divides text or dates");
        // Access divides as floating point, whole numbers included.
        return {"(CAST(" + l.sql + (pg_ ? " AS double precision) / " : " AS REAL) / ") + r.sql + ")", Sort::Number};
      case BinaryOp::Mod:
        if (!both(Sort::Whole)) refuse("it uses Mod on values that are not whole numbers, which Access rounds first");
        return plain("%", Sort::Whole);
      case BinaryOp::Power:
        if (either(Sort::Text) || either(Sort::Date)) refuse("it raises text or dates to a power");
        return {"power(" + l.sql + ", " + r.sql + ")", Sort::Number};
      case BinaryOp::Concat: {
        // '&' treats Null as empty text, and is Null only when both sides are.
        for (const Printed* p : {&l, &r}) {
          if (p->sort != Sort::Text && p->sort != Sort::Whole && p->sql != "NULL") {
            refuse("it joins with '&' a value that is not text or a whole number, which Access writes in its own "
                   "number and date formats");
          }
        }
        const std::string cast = pg_ ? " AS text)" : " AS TEXT)";
        return {"(CASE WHEN " + l.sql + " IS NULL AND " + r.sql + " IS NULL THEN NULL ELSE COALESCE(CAST(" + l.sql + cast +
                    ", '') || COALESCE(CAST(" + r.sql + cast + ", '') END)",
                Sort::Text};
      }
      case BinaryOp::Eq:
      case BinaryOp::Ne:
        if (either(Sort::Text)) return {textEquality(l, e.op == BinaryOp::Eq ? "=" : "<>", r), Sort::Boolean};
        return plain(e.op == BinaryOp::Eq ? "=" : "<>", Sort::Boolean);
      case BinaryOp::Lt:
      case BinaryOp::Gt:
      case BinaryOp::Le:
      case BinaryOp::Ge:
        if (either(Sort::Text) || (l.sort == Sort::Unknown && r.sort == Sort::Unknown)) {
          refuse("it compares text (or values of unknown type) by order with '" + opText +
                 "', and Access orders text in its own sort order");
        }
        return plain(opText.c_str(), Sort::Boolean);
      case BinaryOp::And:
        return plain("AND", Sort::Boolean);
      case BinaryOp::Or:
        return plain("OR", Sort::Boolean);
      case BinaryOp::IntDivide:
      case BinaryOp::Xor:
      case BinaryOp::Eqv:
      case BinaryOp::Imp:
        break;
    }
    refuse("it uses the operator " + opText + ", which has no faithful equivalent in " + dialect());
  }

  // A Like pattern as the target's: '*' or '%' any text, '?' or '_' one
  // character (our engine reads both sets); the target's escape character
  // is escaped.
  std::string likePattern(const Expr& pattern) {
    if (pattern.kind != ExprKind::Literal || static_cast<const LiteralExpr&>(pattern).literal != LiteralKind::Text) {
      refuse("it uses Like with a pattern that is not written out");
    }
    const std::string text = jet::toUtf8(static_cast<const LiteralExpr&>(pattern).value.asText());
    std::string out;
    for (const char c : text) {
      switch (c) {
        case '*': out += '%'; break;
        case '?': out += '_'; break;
        case '\\': out += "\\\\"; break;  // the target's escape character is a plain one here
        case '#': case '[': refuse("its Like pattern uses '" + std::string(1, c) + "', which " + dialect() + "'s LIKE has not");
        default: out += c;
      }
    }
    return sqlStringLiteral(out);
  }

  Printed call(const CallExpr& e) {
    const std::u16string fn = foldName(e.name);
    const std::string shown = jet::toUtf8(e.name);
    if (e.star) {
      if (fn != u"count") refuse("it calls " + shown + "(*)");
      return {"count(*)", Sort::Whole};
    }
    std::vector<Printed> a;
    for (const ExprPtr& arg : e.args) a.push_back(expr(*arg));
    const auto args = [&](std::size_t lo, std::size_t hi) {
      if (a.size() < lo || a.size() > hi) refuse("it calls " + shown + " with " + std::to_string(a.size()) + " argument(s)");
    };
    const auto fn1 = [&](const char* name, Sort sort) {
      args(1, 1);
      return Printed{std::string(name) + "(" + a[0].sql + ")", sort};
    };
    const auto datePart = [&](const char* field, const char* letter) {
      args(1, 1);
      if (pg_) return Printed{"CAST(floor(EXTRACT(" + std::string(field) + " FROM " + a[0].sql + ")) AS integer)", Sort::Whole};
      return Printed{"CAST(strftime('%" + std::string(letter) + "', " + a[0].sql + ") AS INTEGER)", Sort::Whole};
    };
    if ((fn == u"ucase" || fn == u"lcase") && !pg_) {
      refuse("it calls " + shown + ", and SQLite's upper() and lower() change ASCII letters only");
    }
    if (fn == u"ucase") return fn1("upper", Sort::Text);
    if (fn == u"lcase") return fn1("lower", Sort::Text);
    if (fn == u"trim" || fn == u"ltrim" || fn == u"rtrim") return fn1(jet::toUtf8(fn).c_str(), Sort::Text);
    if (fn == u"len") return fn1("length", Sort::Whole);
    if (fn == u"abs") return fn1("abs", a.empty() ? Sort::Unknown : a[0].sort);
    if (fn == u"sqr") return fn1("sqrt", Sort::Number);
    if (fn == u"int") return fn1("floor", Sort::Number);
    if (fn == u"fix") return fn1("trunc", Sort::Number);
    if (fn == u"left") {
      args(2, 2);
      return {pg_ ? "left(" + a[0].sql + ", " + a[1].sql + ")" : "substr(" + a[0].sql + ", 1, " + a[1].sql + ")", Sort::Text};
    }
    if (fn == u"right") {
      args(2, 2);
      if (pg_) return {"right(" + a[0].sql + ", " + a[1].sql + ")", Sort::Text};
      return {"substr(" + a[0].sql + ", -(" + a[1].sql + "), " + a[1].sql + ")", Sort::Text};
    }
    if (fn == u"mid") {
      args(2, 3);
      return {"substr(" + a[0].sql + ", " + a[1].sql + (a.size() == 3 ? ", " + a[2].sql : "") + ")", Sort::Text};
    }
    if (fn == u"instr") {
      if (a.size() != 2) refuse("it calls InStr with a start or a comparison mode");
      return {std::string(pg_ ? "strpos" : "instr") + "(lower(" + a[0].sql + "), lower(" + a[1].sql + "))", Sort::Whole};
    }
    if (fn == u"year") return datePart("YEAR", "Y");
    if (fn == u"month") return datePart("MONTH", "m");
    if (fn == u"day") return datePart("DAY", "d");
    if (fn == u"hour") return datePart("HOUR", "H");
    if (fn == u"minute") return datePart("MINUTE", "M");
    if (fn == u"second") return datePart("SECOND", "S");
    if (fn == u"now") {
      args(0, 0);
      return {pg_ ? "LOCALTIMESTAMP(0)" : "datetime('now', 'localtime')", Sort::Date};
    }
    if (fn == u"date") {
      args(0, 0);
      return {pg_ ? "CAST(CURRENT_DATE AS timestamp)" : "(date('now', 'localtime') || ' 00:00:00')", Sort::Date};
    }
    if (fn == u"iif") {
      args(3, 3);
      // A Null condition takes the false branch, as in CASE.
      return {"(CASE WHEN " + a[0].sql + " THEN " + a[1].sql + " ELSE " + a[2].sql + " END)",
              a[1].sort == a[2].sort ? a[1].sort : Sort::Unknown};
    }
    if (fn == u"nz") {
      if (a.size() != 2) refuse("it calls Nz without a value for Null, whose result depends on where it is used");
      return {"COALESCE(" + a[0].sql + ", " + a[1].sql + ")", a[0].sort == a[1].sort ? a[0].sort : Sort::Unknown};
    }
    if (fn == u"isnull") {
      args(1, 1);
      return {"(" + a[0].sql + " IS NULL)", Sort::Boolean};
    }
    if (fn == u"count") return fn1("count", Sort::Whole);
    if (fn == u"sum") return fn1("sum", a.empty() ? Sort::Unknown : a[0].sort);
    if (fn == u"min" || fn == u"max") {
      args(1, 1);
      if (a[0].sort == Sort::Text) refuse("it calls " + shown + " on text, which Access orders in its own sort order");
      return fn1(fn == u"min" ? "min" : "max", a[0].sort);
    }
    if (fn == u"avg") {
      args(1, 1);
      return {std::string("avg(CAST(") + a[0].sql + (pg_ ? " AS double precision))" : " AS REAL))"), Sort::Number};
    }
    if (pg_) {
      if (fn == u"stdev") return fn1("stddev_samp", Sort::Number);
      if (fn == u"stdevp") return fn1("stddev_pop", Sort::Number);
      if (fn == u"var") return fn1("var_samp", Sort::Number);
      if (fn == u"varp") return fn1("var_pop", Sort::Number);
    }
    refuse("it calls " + shown + ", which has no faithful equivalent in " + dialect());
  }

  std::string subquery(const QueryNode& q) { return "(" + query(q) + ")"; }

  Printed expr(const Expr& e) {
    switch (e.kind) {
      case ExprKind::Literal:
        return literal(static_cast<const LiteralExpr&>(e));
      case ExprKind::Name:
        return name(static_cast<const NameExpr&>(e));
      case ExprKind::Parameter:
        refuse("it takes parameters, which a view cannot");
      case ExprKind::Unary: {
        const auto& u = static_cast<const UnaryExpr&>(e);
        const Printed p = expr(*u.operand);
        if (u.op == UnaryOp::Not) return {"(NOT " + p.sql + ")", Sort::Boolean};
        if (p.sort == Sort::Text || p.sort == Sort::Date) refuse("it uses a sign on text or a date");
        return {u.op == UnaryOp::Negate ? "(- " + p.sql + ")" : p.sql, p.sort};
      }
      case ExprKind::Binary:
        return binary(static_cast<const BinaryExpr&>(e));
      case ExprKind::Like: {
        const auto& l = static_cast<const LikeExpr&>(e);
        const std::string value = expr(*l.value).sql;
        const char* op = pg_ ? (l.negated ? " NOT ILIKE " : " ILIKE ") : (l.negated ? " NOT LIKE " : " LIKE ");
        return {"(" + value + op + likePattern(*l.pattern) + " ESCAPE '\\')", Sort::Boolean};
      }
      case ExprKind::IsNull: {
        const auto& n = static_cast<const IsNullExpr&>(e);
        return {"(" + expr(*n.operand).sql + (n.negated ? " IS NOT NULL)" : " IS NULL)"), Sort::Boolean};
      }
      case ExprKind::Between: {
        const auto& b = static_cast<const BetweenExpr&>(e);
        const Printed v = expr(*b.value);
        const Printed lo = expr(*b.low);
        const Printed hi = expr(*b.high);
        for (const Printed* p : {&v, &lo, &hi}) {
          if (p->sort == Sort::Text) refuse("it uses Between on text, which Access orders in its own sort order");
        }
        return {"(" + v.sql + (b.negated ? " NOT BETWEEN " : " BETWEEN ") + lo.sql + " AND " + hi.sql + ")", Sort::Boolean};
      }
      case ExprKind::In: {
        const auto& in = static_cast<const InExpr&>(e);
        Printed v = expr(*in.value);
        std::vector<Printed> items;
        bool text = v.sort == Sort::Text;
        for (const ExprPtr& item : in.list) {
          items.push_back(expr(*item));
          text = text || items.back().sort == Sort::Text;
        }
        std::string list;
        for (const Printed& p : items) list += (list.empty() ? "" : ", ") + (text && pg_ ? "lower(" + p.sql + ")" : p.sql);
        std::string value = text ? (pg_ ? "lower(" + v.sql + ")" : v.sql + " COLLATE NOCASE") : v.sql;
        return {"(" + value + (in.negated ? " NOT IN (" : " IN (") + list + "))", Sort::Boolean};
      }
      case ExprKind::Call:
        return call(static_cast<const CallExpr&>(e));
      case ExprKind::Subquery:
        return subqueryExpr(static_cast<const SubqueryExpr&>(e));
    }
    refuse("it holds an expression of an unknown kind");
  }

  Printed subqueryExpr(const SubqueryExpr& s) {
    switch (s.subquery) {
      case SubqueryKind::Scalar:
        return {subquery(*s.query), Sort::Unknown};
      case SubqueryKind::Exists:
        return {std::string(s.negated ? "(NOT EXISTS " : "(EXISTS ") + subquery(*s.query) + ")", Sort::Boolean};
      case SubqueryKind::In: {
        const Printed v = expr(*s.value);
        if (v.sort == Sort::Text) refuse("it looks text up in a subquery, which Access does without regard to case");
        return {"(" + v.sql + (s.negated ? " NOT IN " : " IN ") + subquery(*s.query) + ")", Sort::Boolean};
      }
      case SubqueryKind::Any:
      case SubqueryKind::All: {
        if (!pg_) refuse("it compares with Any or All of a subquery, which SQLite cannot");
        const Printed v = expr(*s.value);
        if (v.sort == Sort::Text) refuse("it compares text with a subquery's values");
        return {"(" + v.sql + " " + jet::binaryOpText(s.op) + (s.subquery == SubqueryKind::Any ? " ANY " : " ALL ") +
                    subquery(*s.query) + ")",
                Sort::Boolean};
      }
    }
    refuse("it holds a subquery of an unknown kind");
  }

  jet::Database& db_;
  const Ddl& ddl_;
  const bool pg_;
  std::vector<std::vector<Source>> scopes_;          // the FROM items of each query level, innermost last
  std::optional<std::vector<jet::SavedQuery>> queries_;
};

}  // namespace

std::optional<TranslatedQuery> translateSelect(jet::Database& db, std::u16string_view sql, const Ddl& ddl,
                                               std::string& reason) {
  try {
    // Our own engine binds it first: the names Access gives the result
    // columns, and whether every name resolves (those that do not are
    // parameters to Access).
    const jet::Statement statement = jet::Statement::prepare(db, sql);
    if (statement.kind() == jet::StatementKind::Crosstab) refuse("it is a crosstab, whose columns depend on the data");
    if (!statement.parameters().empty()) {
      std::string names;
      for (const jet::StatementParameter& p : statement.parameters()) {
        names += (names.empty() ? "" : ", ") + jet::toUtf8(p.name);
      }
      refuse("it takes parameters (" + names + "), which a view cannot");
    }
    const ParsedStatement parsed = parseStatement(sql);
    if (parsed.body->kind != StatementNodeKind::Query) refuse("it is not a query");
    Printer printer(db, ddl);
    TranslatedQuery out;
    out.select = printer.query(*static_cast<const QueryStatement&>(*parsed.body).query);
    for (const jet::ResultColumn& c : statement.columns()) out.columns.push_back(quotedName(c.name));
    out.reads = std::move(printer.reads);
    return out;
  } catch (const Untranslatable& u) {
    reason = u.reason;
  } catch (const jet::Error& e) {
    reason = std::string("it does not run here either: ") + e.what();
  }
  return std::nullopt;
}

std::optional<TranslatedQuery> AccessSqlTranslator::translate(jet::Database& db, const jet::SavedQuery& query,
                                                              const Ddl& ddl, std::string& reason) const {
  return translateSelect(db, query.sql, ddl, reason);
}

}  // namespace qbmigrate
