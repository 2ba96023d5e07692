// Saved-query SQL: the clause builders behind buildQuerySql. Each query kind is
// a select body (or a piece of one) wrapped in its own verb; the FROM clause is
// rebuilt from the source rows and the join rows, nesting earlier joins in
// parentheses the way Access writes them.
#include "catalog/saved_query_sql.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "jet/error.h"
#include "jet/text.h"

namespace jet {

namespace {

// Options row (attribute 3) flag bits.
constexpr int kOptionAllFields = 0x01;
constexpr int kOptionDistinct = 0x02;  // for union queries: plain UNION (clear: UNION ALL)
constexpr int kOptionOwnerAccess = 0x04;
constexpr int kOptionDistinctRow = 0x08;
constexpr int kOptionTop = 0x10;
constexpr int kOptionPercent = 0x20;

// Column rows of an append query with this flag hold VALUES items.
constexpr std::uint16_t kColumnAppendValue = 0x8000;
// Column and group-by rows of a crosstab query.
constexpr int kCrosstabPivot = 0x01;
constexpr int kCrosstabRowHeading = 0x02;

// Source rows of a union query name their two halves with these aliases.
constexpr std::u16string_view kUnionPart1 = u"X7YZ_____1";
constexpr std::u16string_view kUnionPart2 = u"X7YZ_____2";

constexpr std::u16string_view kNewline = u"\n";

// Access allows a few dozen tables in a query; a definition with far more
// joins than this is damaged (and would nest the FROM clause without end).
constexpr std::size_t kMaxJoins = 1000;

[[noreturn]] void fail(const std::string& what) { throw Error(ErrorCode::Corruption, what); }

std::u16string_view textOf(const std::optional<std::u16string>& s) {
  return s ? std::u16string_view(*s) : std::u16string_view();
}

int flagOf(const QueryRow& row) { return row.flag ? static_cast<std::uint16_t>(*row.flag) : 0; }

bool isWordChar(char16_t c) {
  return c >= 0x80 || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
         (c >= u'0' && c <= u'9') || c == u'_';
}

bool isBracketed(std::u16string_view s) { return s.size() >= 2 && s.front() == u'[' && s.back() == u']'; }

// A name as an identifier: bracketed when it holds anything but letters, digits
// and underscores, unless it already is.
void appendIdentifier(std::u16string& out, std::u16string_view name) {
  if (isBracketed(name) || std::all_of(name.begin(), name.end(), isWordChar)) {
    out += name;
  } else {
    out += u'[';
    out += name;
    out += u']';
  }
}

// A possibly qualified name ("Table 1.col", "[Table2].[col1]"): each part
// between dots outside brackets becomes an identifier.
void appendQualifiedName(std::u16string& out, std::u16string_view name) {
  std::size_t start = 0;
  bool inBrackets = false;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || (name[i] == u'.' && !inBrackets)) {
      if (start > 0) out += u'.';
      appendIdentifier(out, name.substr(start, i - start));
      start = i + 1;
    } else if (name[i] == u'[') {
      inBrackets = true;
    } else if (name[i] == u']') {
      inBrackets = false;
    }
  }
}

void appendAlias(std::u16string& out, const std::optional<std::u16string>& alias) {
  if (!alias) return;
  out += u" AS ";
  appendIdentifier(out, *alias);
}

// " IN 'path' [type]" for a source or target in another database.
void appendExternalDb(std::u16string& out, const std::optional<std::u16string>& path,
                      const std::optional<std::u16string>& type) {
  if (!path && !type) return;
  out += u" IN '";
  out += textOf(path);
  out += u'\'';
  if (type) {
    out += u" [";
    out += *type;
    out += u']';
  }
}

void appendList(std::u16string& out, const std::vector<std::u16string>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += u", ";
    out += items[i];
  }
}

// Free SQL text kept as typed (union halves, pass-through and data-definition
// text): Windows line ends become "\n", and the terminating NULs Access leaves
// behind are dropped.
std::u16string cleanFreeText(std::u16string_view text) {
  while (!text.empty() && text.back() == u'\0') text.remove_suffix(1);
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      out += u'\n';
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::u16string_view trimmed(std::u16string_view text) {
  auto isSpace = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

const char16_t* joinKeyword(int type) {
  switch (type) {
    case 1: return u" INNER JOIN ";
    case 2: return u" LEFT JOIN ";
    case 3: return u" RIGHT JOIN ";
    default: return nullptr;
  }
}

const char16_t* parameterTypeName(int type) {
  switch (type) {
    case 0: return u"Value";
    case 1: return u"Bit";
    case 2: return u"Byte";
    case 3: return u"Short";
    case 4: return u"Long";
    case 5: return u"Currency";
    case 6: return u"IEEESingle";
    case 7: return u"IEEEDouble";
    case 8: return u"DateTime";
    case 9: return u"Binary";
    case 10: return u"Text";
    case 11: return u"LongBinary";
    case 12: return u"Memo";
    case 15: return u"Guid";
    case 16: return u"Decimal";
    default: return nullptr;
  }
}
constexpr int kParameterText = 10;

// One item of a FROM list: a single source, or a join of two items.
struct FromItem {
  std::u16string key;   // single source: the name joins refer to it by (alias or name)
  std::u16string text;  // single source: its SQL
  std::unique_ptr<FromItem> left;
  std::unique_ptr<FromItem> right;
  int joinType = 0;
  std::vector<std::u16string> conditions;  // newest first, as Access lists them

  bool isJoin() const { return left != nullptr; }

  bool contains(std::u16string_view name) const {
    return isJoin() ? left->contains(name) || right->contains(name) : equalNamesNoCase(key, name);
  }

  void render(std::u16string& out, bool topLevel) const {
    if (!isJoin()) {
      out += text;
      return;
    }
    if (!topLevel) out += u'(';
    left->render(out, false);
    out += joinKeyword(joinType);
    right->render(out, false);
    out += u" ON ";
    if (conditions.size() > 1) out += u'(';
    for (std::size_t i = 0; i < conditions.size(); ++i) {
      if (i > 0) out += u") AND (";
      out += conditions[i];
    }
    if (conditions.size() > 1) out += u')';
    if (!topLevel) out += u')';
  }
};

std::unique_ptr<FromItem> singleSource(std::u16string key, std::u16string text) {
  auto item = std::make_unique<FromItem>();
  item->key = std::move(key);
  item->text = std::move(text);
  return item;
}

class SqlRebuilder {
 public:
  explicit SqlRebuilder(const std::vector<QueryRow>& rows) : rows_(rows) {}

  std::u16string build(QueryKind kind) {
    std::u16string sql;
    switch (kind) {
      case QueryKind::PassThrough:
      case QueryKind::DataDefinition:
        // Kept as typed; Access adds neither parameters nor a final ";".
        if (const QueryRow* type = unique(QueryAttribute::Type)) sql = cleanFreeText(textOf(type->expression));
        return sql;
      case QueryKind::Select: appendSelect(sql, u"SELECT", columns(), groupBy(), {}); break;
      case QueryKind::MakeTable: appendSelect(sql, u"SELECT", columns(), groupBy(), intoClause()); break;
      case QueryKind::Append: appendInsert(sql); break;
      case QueryKind::Update: appendUpdate(sql); break;
      case QueryKind::Delete: appendSelect(sql, u"DELETE", columns(), groupBy(), {}); break;
      case QueryKind::Crosstab: appendCrosstab(sql); break;
      case QueryKind::Union: appendUnion(sql); break;
      case QueryKind::Unknown: fail("the query's type is unknown");
    }
    if (options() & kOptionOwnerAccess) {
      sql += kNewline;
      sql += u"WITH OWNERACCESS OPTION";
    }
    sql += u';';
    return parameters() + sql;
  }

 private:
  std::vector<const QueryRow*> all(QueryAttribute attribute) const {
    std::vector<const QueryRow*> out;
    for (const QueryRow& row : rows_) {
      if (row.attribute == static_cast<std::uint8_t>(attribute)) out.push_back(&row);
    }
    return out;
  }

  // The one row of an attribute that appears at most once, or null.
  const QueryRow* unique(QueryAttribute attribute) const {
    auto found = all(attribute);
    if (found.size() > 1) {
      fail("the query holds " + std::to_string(found.size()) + " rows of attribute " +
           std::to_string(static_cast<int>(attribute)) + " where one is allowed");
    }
    return found.empty() ? nullptr : found.front();
  }

  int options() const {
    const QueryRow* row = unique(QueryAttribute::Options);
    return row ? flagOf(*row) : 0;
  }

  std::vector<const QueryRow*> columns() const { return all(QueryAttribute::Column); }
  std::vector<const QueryRow*> groupBy() const { return all(QueryAttribute::GroupBy); }

  static std::vector<const QueryRow*> withFlag(std::vector<const QueryRow*> rows, int mask, bool set) {
    std::erase_if(rows, [&](const QueryRow* r) { return ((flagOf(*r) & mask) != 0) != set; });
    return rows;
  }

  std::u16string parameters() const {
    auto rows = all(QueryAttribute::Parameter);
    if (rows.empty()) return {};
    std::u16string out = u"PARAMETERS ";
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const QueryRow& row = *rows[i];
      const int type = row.flag.value_or(0);
      const char16_t* typeName = parameterTypeName(type);
      if (!typeName) {
        fail("parameter \"" + toUtf8(textOf(row.name1)) + "\" has an unknown data type " + std::to_string(type));
      }
      if (i > 0) out += u", ";
      appendIdentifier(out, textOf(row.name1));
      out += u' ';
      out += typeName;
      if (type == kParameterText && row.extra.value_or(0) > 0) {
        out += u" ( ";
        out += fromUtf8(std::to_string(*row.extra));
        out += u" )";
      }
    }
    out += u';';
    out += kNewline;
    return out;
  }

  // DISTINCT / DISTINCTROW and TOP n [PERCENT], each followed by a space.
  std::u16string quantifier() const {
    const int flags = options();
    std::u16string out;
    if (flags & kOptionDistinct) {
      out += u"DISTINCT ";
    } else if (flags & kOptionDistinctRow) {
      out += u"DISTINCTROW ";
    }
    if (flags & kOptionTop) {
      const QueryRow* row = unique(QueryAttribute::Options);
      if (!row->name1 || row->name1->empty()) fail("TOP is set without a row count");
      out += u"TOP ";
      out += *row->name1;
      out += (flags & kOptionPercent) ? u" PERCENT " : u" ";
    }
    return out;
  }

  std::vector<std::u16string> columnList(const std::vector<const QueryRow*>& rows, bool allFields) const {
    std::vector<std::u16string> out;
    for (const QueryRow* row : rows) {
      std::u16string item(textOf(row->expression));
      appendAlias(item, row->name1);
      out.push_back(std::move(item));
    }
    if (allFields) out.emplace_back(u"*");
    return out;
  }

  // The FROM list: one item per source row, then each join row in turn merges
  // the items holding its two sides into one join item placed last.
  std::vector<std::u16string> fromList() const {
    std::vector<std::unique_ptr<FromItem>> items;
    for (const QueryRow* row : all(QueryAttribute::Source)) {
      std::u16string text;
      if (row->expression) {
        appendIdentifier(text, *row->expression);
        text += u'.';
      }
      if (row->name1) appendIdentifier(text, *row->name1);
      appendAlias(text, row->name2);
      items.push_back(singleSource(std::u16string(row->name2 ? *row->name2 : textOf(row->name1)), std::move(text)));
    }

    const auto joins = all(QueryAttribute::Join);
    if (joins.size() > kMaxJoins) fail("the query holds " + std::to_string(joins.size()) + " joins");
    for (const QueryRow* join : joins) {
      const std::u16string_view leftName = textOf(join->name1);
      const std::u16string_view rightName = textOf(join->name2);
      const int type = flagOf(*join);
      if (!joinKeyword(type)) fail("a join has an unknown type " + std::to_string(type));
      auto holding = [&](std::u16string_view name) {
        return std::find_if(items.begin(), items.end(), [&](const auto& item) { return item->contains(name); });
      };
      auto leftIt = holding(leftName);
      auto rightIt = holding(rightName);
      if (leftIt != items.end() && leftIt == rightIt) {
        // Both sides already joined: one more condition of that join.
        FromItem& existing = **leftIt;
        if (!existing.isJoin() || existing.joinType != type) {
          fail("the joins between " + toUtf8(leftName) + " and " + toUtf8(rightName) + " contradict each other");
        }
        existing.conditions.insert(existing.conditions.begin(), std::u16string(textOf(join->expression)));
        continue;
      }
      auto take = [&](auto it, std::u16string_view name) {
        if (it == items.end()) {
          // A side that names no source row: refer to it by name.
          std::u16string text;
          appendIdentifier(text, name);
          return singleSource(std::u16string(name), std::move(text));
        }
        auto item = std::move(*it);
        return item;
      };
      auto merged = std::make_unique<FromItem>();
      merged->left = take(leftIt, leftName);
      merged->right = take(rightIt, rightName);
      merged->joinType = type;
      merged->conditions.emplace_back(textOf(join->expression));
      std::erase(items, nullptr);
      items.push_back(std::move(merged));
    }

    std::vector<std::u16string> out;
    for (const auto& item : items) {
      std::u16string text;
      item->render(text, true);
      out.push_back(std::move(text));
    }
    return out;
  }

  void appendFrom(std::u16string& sql) const {
    auto sources = fromList();
    if (sources.empty()) return;
    sql += kNewline;
    sql += u"FROM ";
    appendList(sql, sources);
    if (const QueryRow* external = unique(QueryAttribute::ExternalDb)) {
      appendExternalDb(sql, external->name1, external->expression);
    }
  }

  void appendWhere(std::u16string& sql) const {
    if (const QueryRow* row = unique(QueryAttribute::Where)) {
      sql += kNewline;
      sql += u"WHERE ";
      sql += textOf(row->expression);
    }
  }

  void appendOrderBy(std::u16string& sql) const {
    auto rows = all(QueryAttribute::OrderBy);
    if (rows.empty()) return;
    sql += kNewline;
    sql += u"ORDER BY ";
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (i > 0) sql += u", ";
      sql += textOf(rows[i]->expression);
      if (equalNamesNoCase(textOf(rows[i]->name1), u"D")) sql += u" DESC";
    }
  }

  // verb [quantifier] columns [INTO ...] FROM ... WHERE ... GROUP BY ... HAVING ... ORDER BY ...
  void appendSelect(std::u16string& sql, std::u16string_view verb, const std::vector<const QueryRow*>& columnRows,
                    const std::vector<const QueryRow*>& groupRows, std::u16string_view into) const {
    sql += verb;
    std::u16string list = quantifier();
    auto columnsText = columnList(columnRows, (options() & kOptionAllFields) != 0);
    std::u16string joined;
    appendList(joined, columnsText);
    list += joined;
    while (!list.empty() && list.back() == u' ') list.pop_back();
    if (!list.empty()) {
      sql += u' ';
      sql += list;
    }
    sql += into;
    appendFrom(sql);
    appendWhere(sql);
    if (!groupRows.empty()) {
      sql += kNewline;
      sql += u"GROUP BY ";
      for (std::size_t i = 0; i < groupRows.size(); ++i) {
        if (i > 0) sql += u", ";
        sql += textOf(groupRows[i]->expression);
      }
    }
    if (const QueryRow* row = unique(QueryAttribute::Having)) {
      sql += kNewline;
      sql += u"HAVING ";
      sql += textOf(row->expression);
    }
    appendOrderBy(sql);
  }

  const QueryRow& typeRow() const {
    const QueryRow* row = unique(QueryAttribute::Type);
    if (!row) fail("the query has no type row");
    return *row;
  }

  // Target of a make-table or append query: the type row names the table and,
  // for a table in another database, that database's path and type.
  std::u16string target() const {
    const QueryRow& type = typeRow();
    if (!type.name1 || type.name1->empty()) fail("the query names no target table");
    std::u16string out;
    appendIdentifier(out, *type.name1);
    appendExternalDb(out, type.name2, type.expression);
    return out;
  }

  std::u16string intoClause() const { return u" INTO " + target(); }

  void appendInsert(std::u16string& sql) const {
    sql += u"INSERT INTO ";
    sql += target();
    auto valueRows = withFlag(columns(), kColumnAppendValue, true);
    auto selectRows = withFlag(columns(), kColumnAppendValue, false);
    const auto& targetRows = valueRows.empty() ? selectRows : valueRows;
    std::vector<std::u16string> targets;
    for (const QueryRow* row : targetRows) {
      if (!row->name2) continue;
      std::u16string name;
      appendQualifiedName(name, *row->name2);
      targets.push_back(std::move(name));
    }
    if (!targets.empty()) {
      sql += u" ( ";
      appendList(sql, targets);
      sql += u" )";
    }
    sql += kNewline;
    if (!valueRows.empty()) {
      std::vector<std::u16string> values;
      for (const QueryRow* row : valueRows) values.emplace_back(textOf(row->expression));
      sql += u"VALUES (";
      appendList(sql, values);
      sql += u')';
    } else {
      appendSelect(sql, u"SELECT", selectRows, groupBy(), {});
    }
  }

  void appendUpdate(std::u16string& sql) const {
    sql += u"UPDATE ";
    if (options() & kOptionDistinctRow) sql += u"DISTINCTROW ";
    appendList(sql, fromList());
    if (const QueryRow* external = unique(QueryAttribute::ExternalDb)) {
      appendExternalDb(sql, external->name1, external->expression);
    }
    std::vector<std::u16string> assignments;
    for (const QueryRow* row : columns()) {
      std::u16string item;
      appendQualifiedName(item, textOf(row->name2));
      item += u" = ";
      item += textOf(row->expression);
      assignments.push_back(std::move(item));
    }
    sql += kNewline;
    sql += u"SET ";
    appendList(sql, assignments);
    appendWhere(sql);
  }

  // TRANSFORM value SELECT row headings ... PIVOT column heading. Column rows
  // without either crosstab bit are the value; group-by rows marked as the
  // pivot are implied by PIVOT and not listed.
  void appendCrosstab(std::u16string& sql) const {
    const auto values = withFlag(columns(), kCrosstabPivot | kCrosstabRowHeading, false);
    const auto pivots = withFlag(columns(), kCrosstabPivot, true);
    if (values.size() > 1) fail("the crosstab query has " + std::to_string(values.size()) + " value columns");
    if (pivots.size() != 1) fail("the crosstab query has " + std::to_string(pivots.size()) + " column headings");
    if (!values.empty()) {
      sql += u"TRANSFORM ";
      sql += textOf(values.front()->expression);
      appendAlias(sql, values.front()->name1);
      sql += kNewline;
    }
    appendSelect(sql, u"SELECT", withFlag(columns(), kCrosstabRowHeading, true),
                 withFlag(groupBy(), kCrosstabRowHeading, true), {});
    sql += kNewline;
    sql += u"PIVOT ";
    sql += textOf(pivots.front()->expression);
  }

  void appendUnion(std::u16string& sql) const {
    auto part = [&](std::u16string_view id) {
      for (const QueryRow* row : all(QueryAttribute::Source)) {
        if (textOf(row->name2) == id) return cleanFreeText(trimmed(textOf(row->expression)));
      }
      fail("the union query lacks its " + std::string(id == kUnionPart1 ? "first" : "second") + " part");
    };
    sql += part(kUnionPart1);
    sql += kNewline;
    sql += (options() & kOptionDistinct) ? u"UNION " : u"UNION ALL ";
    sql += part(kUnionPart2);
    appendOrderBy(sql);
  }

  const std::vector<QueryRow>& rows_;
};

QueryKind kindFromTypeCode(int code) {
  switch (code) {
    case 1: return QueryKind::Select;
    case 2: return QueryKind::MakeTable;
    case 3: return QueryKind::Append;
    case 4: return QueryKind::Update;
    case 5: return QueryKind::Delete;
    case 6: return QueryKind::Crosstab;
    case 7: return QueryKind::DataDefinition;
    case 8: return QueryKind::PassThrough;
    case 9: return QueryKind::Union;
    default: return QueryKind::Unknown;
  }
}

QueryKind kindFromCatalogFlags(std::uint32_t flags) {
  switch (flags & 0xF0u) {
    case 0x00: return QueryKind::Select;
    case 0x10: return QueryKind::Crosstab;
    case 0x20: return QueryKind::Delete;
    case 0x30: return QueryKind::Update;
    case 0x40: return QueryKind::Append;
    case 0x50: return QueryKind::MakeTable;
    case 0x60: return QueryKind::DataDefinition;
    case 0x70: return QueryKind::PassThrough;
    case 0x80: return QueryKind::Union;
    default: return QueryKind::Unknown;
  }
}

}  // namespace

void sortQueryRows(std::vector<QueryRow>& rows) {
  std::stable_sort(rows.begin(), rows.end(), [](const QueryRow& a, const QueryRow& b) {
    return std::lexicographical_compare(a.order.begin(), a.order.end(), b.order.begin(), b.order.end());
  });
}

QueryKind queryKindOf(std::uint32_t catalogFlags, const std::vector<QueryRow>& rows) {
  for (const QueryRow& row : rows) {
    if (row.attribute == static_cast<std::uint8_t>(QueryAttribute::Type) && row.flag) {
      QueryKind kind = kindFromTypeCode(*row.flag);
      if (kind != QueryKind::Unknown) return kind;
      break;
    }
  }
  return kindFromCatalogFlags(catalogFlags);
}

bool queryHasParameters(const std::vector<QueryRow>& rows) {
  return std::any_of(rows.begin(), rows.end(), [](const QueryRow& row) {
    return row.attribute == static_cast<std::uint8_t>(QueryAttribute::Parameter);
  });
}

std::u16string buildQuerySql(QueryKind kind, const std::vector<QueryRow>& rows) {
  return SqlRebuilder(rows).build(kind);
}

}  // namespace jet
