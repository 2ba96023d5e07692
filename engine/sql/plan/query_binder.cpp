// Query binder: statements, query blocks, FROM clauses and their sources
// (tables, derived tables, saved queries).
#include "sql/plan/query_binder.h"

#include <algorithm>

#include "jet/error.h"
#include "jet/text.h"
#include "sql/exec/pivot.h"
#include "sql/lexer.h"
#include "sql/plan/planner.h"
#include "sql/statement_parser.h"
#include "value/value_ops.h"

namespace jet::sql {

namespace {

constexpr const char* kContext = "query";
// Saved queries nested in saved queries, deepest.
constexpr std::size_t kMaxSavedQueryDepth = 50;

[[noreturn]] void failAt(ErrorCode code, const std::string& what, std::size_t position) {
  throw Error(code, what + atPosition(kContext, position));
}

jet::StatementKind statementKindOf(const LogicalQuery& q) {
  switch (q.kind) {
    case LogicalKind::Union: return jet::StatementKind::Union;
    case LogicalKind::Crosstab: return jet::StatementKind::Crosstab;
    case LogicalKind::Block: break;
  }
  return jet::StatementKind::Select;
}

const char* savedKindWord(QueryKind kind) {
  switch (kind) {
    case QueryKind::MakeTable: return "a make-table query";
    case QueryKind::Append: return "an append query";
    case QueryKind::Update: return "an update query";
    case QueryKind::Delete: return "a delete query";
    case QueryKind::DataDefinition: return "a data-definition query";
    default: return "a query";
  }
}

// Why a saved query cannot be run as a query (empty when it can).
std::string refusal(const SavedQuery& saved) {
  const std::string name = "'" + toUtf8(saved.name) + "'";
  switch (saved.kind) {
    case QueryKind::Select:
    case QueryKind::Union:
    case QueryKind::Crosstab: return {};
    case QueryKind::PassThrough:
      return "Query " + name + " is a pass-through query: its SQL is sent to a database server through ODBC, "
             "and this program connects to none";
    case QueryKind::Unknown:
      return "Query " + name + " cannot be run: its definition in MSysQueries is damaged or of a kind this engine "
             "does not know";
    default:
      return "Query " + name + " is " + savedKindWord(saved.kind) +
             ": it changes the database and has no rows to read (run it by its name alone)";
  }
}

}  // namespace

QueryBinder::QueryBinder(Database& db, LogicalStatement& out) : db_(db), out_(out) {}

LogicalStatement bindStatement(Database& db, std::unique_ptr<ParsedStatement> parsed, const std::u16string& savedQuery) {
  LogicalStatement out;
  ParsedStatement& p = *parsed;
  out.texts.push_back(std::move(parsed));
  QueryBinder binder(db, out);
  if (!savedQuery.empty()) binder.bindingSavedQuery(savedQuery);
  binder.declareParameters(p.parameters);
  if (!p.body || p.body->kind != StatementNodeKind::Query) {
    throw Error(ErrorCode::Unsupported, "Only queries (SELECT, UNION, TRANSFORM) are supported yet");
  }
  out.root = binder.bindQuery(*static_cast<const QueryStatement&>(*p.body).query, nullptr);
  out.kind = statementKindOf(*out.root);
  return out;
}

LogicalStatement bindQueryOf(Database& db, std::unique_ptr<ParsedStatement> parsed, const QueryNode& query) {
  LogicalStatement out;
  ParsedStatement& p = *parsed;
  out.texts.push_back(std::move(parsed));
  QueryBinder binder(db, out);
  binder.declareParameters(p.parameters);
  out.root = binder.bindQuery(query, nullptr);
  out.kind = statementKindOf(*out.root);
  return out;
}

LogicalStatement bindStatementText(Database& db, std::u16string_view text) {
  std::u16string name;
  if (isBareName(text, name)) {
    // A saved query runs as its own statement; a table as SELECT * FROM it.
    for (const SavedQuery& saved : db.savedQueries()) {
      if (!equalNamesNoCase(saved.name, name)) continue;
      if (const std::string why = refusal(saved); !why.empty()) throw Error(ErrorCode::Unsupported, why);
      try {
        return bindStatement(db, std::make_unique<ParsedStatement>(parseStatement(saved.sql)), saved.name);
      } catch (const Error& e) {
        throw Error(e.code(), "In saved query '" + toUtf8(saved.name) + "': " + e.what());
      }
    }
    if (!db.hasTable(name)) db.table(name);  // NotFound, or why a linked table cannot be read
    return bindStatement(db, std::make_unique<ParsedStatement>(parseStatement(u"SELECT * FROM [" + name + u"]")));
  }
  return bindStatement(db, std::make_unique<ParsedStatement>(parseStatement(text)));
}

void QueryBinder::declareParameters(const std::vector<ParameterDecl>& declared) {
  for (const ParameterDecl& d : declared) {
    const int index = parameterIndex(d.name);
    StatementParameter& p = out_.parameters[static_cast<std::size_t>(index)];
    if (!p.declared) {
      p.declared = true;
      p.type = d.type.type;
    }
  }
}

std::unique_ptr<LogicalQuery> QueryBinder::bindQuery(const QueryNode& query, Scope* parent) {
  switch (query.kind) {
    case QueryShape::Select: return bindSelect(static_cast<const SelectQuery&>(query), parent, nullptr);
    case QueryShape::Union: return bindUnion(static_cast<const UnionQuery&>(query), parent);
    case QueryShape::Transform: return bindTransform(static_cast<const TransformQuery&>(query), parent);
  }
  throw Error(ErrorCode::Unsupported, "Unknown kind of query");
}

void QueryBinder::splitConjuncts(const Expr& e, std::vector<const Expr*>& out) {
  if (e.kind == ExprKind::Binary && static_cast<const BinaryExpr&>(e).op == BinaryOp::And) {
    const auto& b = static_cast<const BinaryExpr&>(e);
    splitConjuncts(*b.left, out);
    splitConjuncts(*b.right, out);
    return;
  }
  out.push_back(&e);
}

std::unique_ptr<Block> QueryBinder::bindSelect(const SelectQuery& q, Scope* parent, std::unique_ptr<Block> owned) {
  std::unique_ptr<Block> block = owned ? std::move(owned) : std::make_unique<Block>();
  Scope scope{block.get(), parent};
  block->quantifier = q.quantifier;
  block->top = q.top;

  for (const FromPtr& item : q.from) {
    std::unique_ptr<FromNode> node = bindFrom(*item, *block, scope);
    if (!block->from) {
      block->from = std::move(node);
      continue;
    }
    auto cross = std::make_unique<FromNode>();
    cross->sources = block->from->sources;
    cross->sources.insert(cross->sources.end(), node->sources.begin(), node->sources.end());
    cross->left = std::move(block->from);
    cross->right = std::move(node);
    block->from = std::move(cross);
  }

  // In the order of the text, so parameters are numbered as they appear.
  bindSelectItems(q, *block, scope);
  if (q.where) {
    resolve(*q.where, scope, {Clause::Where});
    splitConjuncts(*q.where, block->where);
  }
  for (const ExprPtr& g : q.groupBy) {
    resolve(*g, scope, {Clause::GroupBy});
    block->groupKeys.push_back(g.get());
  }
  if (q.having) {
    resolve(*q.having, scope, {Clause::Having});
    block->having = q.having.get();
  }
  bindOrder(q.orderBy, *block, scope);
  if (block->kind == LogicalKind::Crosstab) return block;  // bindTransform finishes it

  block->grouped = !block->groupKeys.empty() || block->having != nullptr || !block->aggregates.empty();
  if (block->grouped) {
    for (const OutputColumn& o : block->outputs) {
      if (o.expr) {
        checkGrouped(*o.expr, *block, o.text);
      } else if (o.ref) {
        bool grouped = false;
        for (const Expr* key : block->groupKeys) {
          if (key->kind != ExprKind::Name) continue;
          const auto found = block->names.find(static_cast<const NameExpr*>(key));
          grouped = grouped || (found != block->names.end() && found->second.kind == NameKind::Column &&
                                found->second.ref == *o.ref);
        }
        if (!grouped) throwNotGrouped(o.result.name);
      }
    }
    if (block->having) checkGrouped(*block->having, *block, fromUtf8(toString(*block->having)));
    for (const OrderKey& k : block->order) {
      if (k.expr) checkGrouped(*k.expr, *block, fromUtf8(toString(*k.expr)));
    }
  }
  if (block->quantifier == Quantifier::Distinct) {
    for (std::size_t i = 0; i < block->order.size(); ++i) {
      if (block->order[i].output < 0) {
        failAt(ErrorCode::InvalidArgument,
               "ORDER BY clause (" + toString(*block->order[i].expr) +
                   ") conflicts with DISTINCT: a DISTINCT query can only be sorted by the fields it selects",
               q.orderBy[i].position);
      }
    }
  }
  nameOutputs(block->outputs, block.get());
  decideUpdatable(*block);
  return block;
}

std::unique_ptr<LogicalQuery> QueryBinder::bindUnion(const UnionQuery& q, Scope* parent) {
  auto u = std::make_unique<SetOperation>();
  u->all = q.all;
  for (const QueryPtr& part : q.parts) {
    auto bound = bindQuery(*part, parent);
    if (bound->kind == LogicalKind::Crosstab) {
      failAt(ErrorCode::Unsupported, "A crosstab query cannot be part of a UNION", part->position);
    }
    if (!u->parts.empty() && bound->outputs.size() != u->parts.front()->outputs.size()) {
      failAt(ErrorCode::InvalidArgument,
             "The number of columns in the two selected tables or queries of a union query do not match: the first "
             "SELECT has " + std::to_string(u->parts.front()->outputs.size()) + ", this one " +
                 std::to_string(bound->outputs.size()),
             part->position);
    }
    for (const Correlation& c : bound->correlations) {
      if (std::find(u->correlations.begin(), u->correlations.end(), c) == u->correlations.end()) {
        u->correlations.push_back(c);
      }
    }
    u->parts.push_back(std::move(bound));
  }
  // Column names from the first SELECT; each type wide enough for every part.
  const auto& first = u->parts.front()->outputs;
  for (std::size_t i = 0; i < first.size(); ++i) {
    OutputColumn o;
    o.result.name = first[i].result.name;
    o.kind = first[i].kind;
    o.result.column = first[i].result.column;
    for (std::size_t p = 1; p < u->parts.size(); ++p) {
      const OutputColumn& other = u->parts[p]->outputs[i];
      if (other.kind == o.kind) {
        if (o.kind == ValueKind::Text && other.result.column.type == DataType::Memo) o.result.column = other.result.column;
        continue;
      }
      std::optional<ValueKind> wider;
      try {
        if (isNumberKind(o.kind) && isNumberKind(other.kind)) {
          wider = arithmetic(BinaryOp::Add, sampleValue(o.kind), sampleValue(other.kind)).kind();
        }
      } catch (const std::exception&) {
      }
      o.kind = wider.value_or(ValueKind::Text);
      o.result.column = columnForKind(o.kind);
    }
    o.result.column.name = o.result.name;
    u->outputs.push_back(std::move(o));
  }
  // ORDER BY names or numbers the first SELECT's columns.
  for (const OrderItem& item : q.orderBy) {
    OrderKey key;
    key.descending = item.descending;
    const Expr& e = *item.expr;
    if (e.kind == ExprKind::Literal && static_cast<const LiteralExpr&>(e).literal == LiteralKind::Number) {
      const Value& v = static_cast<const LiteralExpr&>(e).value;
      const double n = toDouble(v);
      if (n >= 1 && n <= static_cast<double>(u->outputs.size()) && n == static_cast<int>(n)) key.output = static_cast<int>(n) - 1;
    } else if (e.kind == ExprKind::Name) {
      const auto& name = static_cast<const NameExpr&>(e);
      const std::u16string& last = name.parts.back().name;
      for (std::size_t i = 0; i < u->outputs.size() && key.output < 0; ++i) {
        if (equalNamesNoCase(u->outputs[i].result.name, name.fullName()) ||
            equalNamesNoCase(u->outputs[i].result.name, last)) {
          key.output = static_cast<int>(i);
        }
      }
    }
    if (key.output < 0) {
      failAt(ErrorCode::InvalidArgument,
             "ORDER BY in a UNION query must name a column of the first SELECT or give its number; '" +
                 toString(e) + "' is neither",
             item.position);
    }
    u->order.push_back(key);
  }
  return u;
}

std::unique_ptr<LogicalQuery> QueryBinder::bindTransform(const TransformQuery& q, Scope* parent) {
  auto crosstab = std::make_unique<Crosstab>();
  Crosstab* x = crosstab.get();
  std::unique_ptr<Block> bound = bindSelect(*q.select, parent, std::move(crosstab));
  Scope scope{x, parent};
  // The TRANSFORM aggregate: an aggregate call, perhaps inside an expression
  // (Nz(Sum(x), 0)); its outermost aggregate is what the cells hold.
  const Expr& aggregate = *q.aggregate;
  const std::size_t before = x->aggregates.size();
  resolve(aggregate, scope, {Clause::Transform});
  if (x->aggregates.size() == before || aggregate.kind != ExprKind::Call ||
      !x->aggregateOf.contains(static_cast<const CallExpr*>(&aggregate))) {
    failAt(ErrorCode::InvalidArgument,
           "TRANSFORM needs an aggregate function (Sum, Count, Avg, ...) as the value of the crosstab's cells, not '" +
               toString(aggregate) + "'",
           q.position);
  }
  x->transformAggregate = x->aggregateOf.at(static_cast<const CallExpr*>(&aggregate));
  resolve(*q.pivot, scope, {Clause::Pivot});
  x->pivot = q.pivot.get();
  x->pivotKind = kindOf(*q.pivot, *x);
  for (const ExprPtr& v : q.pivotIn) {
    if (v->kind != ExprKind::Literal) {
      failAt(ErrorCode::InvalidArgument, "The values of PIVOT ... IN (...) must be constants", v->position);
    }
    const auto& literal = static_cast<const LiteralExpr&>(*v);
    x->pivotIn.push_back(literal.value);
    x->pivotInNames.push_back(literal.value.isNull() ? u"<>" : toText(literal.value));
  }
  x->hasIn = q.hasIn;
  x->grouped = true;
  for (const OutputColumn& o : x->outputs) {
    if (o.expr) checkGrouped(*o.expr, *x, o.text);
  }
  if (x->having) checkGrouped(*x->having, *x, fromUtf8(toString(*x->having)));
  const AggregateCall& cell = x->aggregates[static_cast<std::size_t>(x->transformAggregate)];
  x->valueColumn = cell.argument && (cell.kind == AggregateKind::Min || cell.kind == AggregateKind::Max ||
                                     cell.kind == AggregateKind::First || cell.kind == AggregateKind::Last)
                       ? columnOf(*cell.argument, *x)
                       : columnForKind(cell.resultKind);
  nameOutputs(x->outputs, x);
  addPivotOutputs(*x);
  return bound;
}

void QueryBinder::addPivotOutputs(Crosstab& x) {
  const AggregateCall& cell = x.aggregates[static_cast<std::size_t>(x.transformAggregate)];
  for (std::size_t i = 0; i < x.pivotIn.size(); ++i) {
    OutputColumn o;
    o.result.name = x.pivotInNames[i];
    o.result.column = x.valueColumn;
    o.result.column.name = o.result.name;
    o.kind = cell.resultKind;
    x.outputs.push_back(std::move(o));
  }
}

void QueryBinder::fixPivotColumns(std::unique_ptr<LogicalQuery>& query, const std::string& what,
                                  std::size_t position) {
  if (query->kind != LogicalKind::Crosstab || static_cast<const Crosstab&>(*query).hasIn) return;
  // A crosstab without an IN list has a column per pivot value its rows hold.
  // Read as a table, its columns must be known now, so it runs once here and
  // the values it finds become its IN list (as if they had been written out).
  LogicalStatement probe;
  probe.kind = jet::StatementKind::Crosstab;
  probe.parameters = out_.parameters;
  probe.root = std::move(query);
  std::vector<Value> values;
  std::vector<std::u16string> names;
  try {
    ExecContext ctx(ExpressionOptions{}, 0);
    const std::vector<Value> noParameters;  // a parameter read while probing is refused
    Planner planner(db_, probe, noParameters, ctx);
    PlannedQuery plan = planner.plan();
    plan.root->open();
    values = plan.pivot->pivotValues();
    names = plan.pivot->pivotNames();
  } catch (const ParameterNotKnown& e) {
    query = std::move(probe.root);
    failAt(ErrorCode::Unsupported,
           what + " has no fixed list of columns (PIVOT ... IN (...)) and its rows depend on parameter '" +
               toUtf8(e.parameter) + "', so its columns cannot be known before it runs; give it an IN list to use "
               "it as a table",
           position);
  } catch (...) {
    query = std::move(probe.root);
    throw;
  }
  query = std::move(probe.root);
  auto& x = static_cast<Crosstab&>(*query);
  x.pivotIn = std::move(values);
  x.pivotInNames = std::move(names);
  x.hasIn = true;
  addPivotOutputs(x);
}

std::unique_ptr<FromNode> QueryBinder::bindFrom(const FromItem& item, Block& block, Scope& scope) {
  auto node = std::make_unique<FromNode>();
  switch (item.kind) {
    case FromKind::Table: {
      const auto& ref = static_cast<const TableRef&>(item);
      std::unique_ptr<Source> source = bindTableRef(ref);
      source->name = ref.exposedName();
      source->position = ref.position;
      for (const auto& other : block.sources) {
        if (equalNamesNoCase(other->name, source->name)) {
          failAt(ErrorCode::InvalidArgument,
                 "'" + toUtf8(source->name) + "' appears more than once in the FROM clause; give each use its own "
                 "alias (FROM " + toUtf8(source->name) + " AS a, " + toUtf8(source->name) + " AS b)",
                 ref.position);
        }
      }
      node->source = static_cast<int>(block.sources.size());
      node->sources = {node->source};
      block.sources.push_back(std::move(source));
      return node;
    }
    case FromKind::Derived: {
      const auto& d = static_cast<const DerivedTable&>(item);
      auto source = std::make_unique<Source>();
      source->derived = bindQuery(*d.query, nullptr);
      fixPivotColumns(source->derived, "The crosstab query", d.position);
      source->name = d.alias;
      source->position = d.position;
      addSourceColumns(*source);
      node->source = static_cast<int>(block.sources.size());
      node->sources = {node->source};
      block.sources.push_back(std::move(source));
      return node;
    }
    case FromKind::Join: {
      const auto& j = static_cast<const JoinItem&>(item);
      node->join = j.join;
      node->left = bindFrom(*j.left, block, scope);
      node->right = bindFrom(*j.right, block, scope);
      node->sources = node->left->sources;
      node->sources.insert(node->sources.end(), node->right->sources.begin(), node->right->sources.end());
      resolve(*j.on, scope, {Clause::On});
      node->on = j.on.get();
      return node;
    }
  }
  throw Error(ErrorCode::Unsupported, "Unknown kind of FROM item");
}

const SavedQuery* QueryBinder::findSavedQuery(std::u16string_view name) {
  if (!savedQueries_) savedQueries_ = db_.savedQueries();
  for (const SavedQuery& q : *savedQueries_) {
    if (equalNamesNoCase(q.name, name)) return &q;
  }
  return nullptr;
}

std::unique_ptr<Source> QueryBinder::bindTableRef(const TableRef& ref) {
  if (!ref.externalDatabase.empty()) {
    failAt(ErrorCode::Unsupported,
           "Tables of other databases (" + toUtf8(ref.name) + " IN '" + toUtf8(ref.externalDatabase) +
               "') are not supported yet",
           ref.position);
  }
  if (!db_.hasTable(ref.name)) {
    if (const SavedQuery* saved = findSavedQuery(ref.name)) return bindSavedQuery(*saved, ref);
  }
  auto source = std::make_unique<Source>();
  try {
    source->table = db_.table(ref.name);
  } catch (const Error& e) {
    if (e.code() != ErrorCode::NotFound) throw;
    failAt(ErrorCode::NotFound, "Cannot find the table or query '" + toUtf8(ref.name) + "' named in the FROM clause",
           ref.position);
  }
  source->objectName = source->table->name();
  addSourceColumns(*source);
  return source;
}

std::unique_ptr<Source> QueryBinder::bindSavedQuery(const SavedQuery& saved, const TableRef& ref) {
  if (const std::string why = refusal(saved); !why.empty()) throw Error(ErrorCode::Unsupported, why);
  for (const std::u16string& open : savedQueryStack_) {
    if (equalNamesNoCase(open, saved.name)) {
      failAt(ErrorCode::InvalidArgument, "Circular reference caused by query '" + toUtf8(saved.name) + "'",
             ref.position);
    }
  }
  if (savedQueryStack_.size() >= kMaxSavedQueryDepth) {
    failAt(ErrorCode::Unsupported, "Query is too complex: saved queries are nested more than " +
                                       std::to_string(kMaxSavedQueryDepth) + " deep",
           ref.position);
  }
  auto parsed = std::make_unique<ParsedStatement>();
  try {
    *parsed = parseStatement(saved.sql);
  } catch (const Error& e) {
    throw Error(e.code(), "In saved query '" + toUtf8(saved.name) + "': " + e.what());
  }
  const ParsedStatement& p = *parsed;
  out_.texts.push_back(std::move(parsed));
  declareParameters(p.parameters);
  auto source = std::make_unique<Source>();
  source->objectName = saved.name;
  source->savedQuery = true;
  savedQueryStack_.push_back(saved.name);
  try {
    source->derived = bindQuery(*static_cast<const QueryStatement&>(*p.body).query, nullptr);
  } catch (const Error& e) {
    savedQueryStack_.pop_back();
    const std::string what = e.what();
    if (what.rfind("In saved query", 0) == 0 || what.rfind("Circular reference", 0) == 0) throw;
    throw Error(e.code(), "In saved query '" + toUtf8(saved.name) + "': " + what);
  }
  savedQueryStack_.pop_back();
  fixPivotColumns(source->derived, "Crosstab query '" + toUtf8(saved.name) + "'", ref.position);
  addSourceColumns(*source);
  return source;
}

void QueryBinder::addSourceColumns(Source& source) {
  if (source.table) {
    const auto& columns = source.table->columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      SourceColumn c;
      c.name = columns[i].name;
      c.def = columns[i];
      c.originTable = source.table->name();
      c.originColumn = static_cast<int>(i);
      source.columns.push_back(std::move(c));
    }
  } else {
    for (const OutputColumn& o : source.derived->outputs) {
      SourceColumn c;
      c.name = o.result.name;
      c.def = o.result.column;
      c.originTable = o.result.sourceTable;
      c.originColumn = o.result.sourceColumn;
      source.columns.push_back(std::move(c));
    }
  }
  source.used.assign(source.columns.size(), false);
  source.usedOutsideWhere.assign(source.columns.size(), false);
}

void QueryBinder::decideUpdatable(Block& block) {
  const bool plain = !block.grouped && block.quantifier != Quantifier::Distinct;
  for (OutputColumn& o : block.outputs) {
    const SourceColumn* column = nullptr;
    if (o.ref) {
      column = &block.sources[static_cast<std::size_t>(o.ref->source)]->columns[static_cast<std::size_t>(o.ref->column)];
    } else if (o.expr && o.expr->kind == ExprKind::Name) {
      const auto found = block.names.find(static_cast<const NameExpr*>(o.expr));
      if (found != block.names.end() && found->second.kind == NameKind::Column) column = found->second.column;
    }
    if (plain && column != nullptr) {
      o.result.sourceTable = column->originTable;
      o.result.sourceColumn = column->originColumn;
    }
  }
  if (plain && !block.top && block.sources.size() == 1 && block.sources[0]->table) {
    block.updatableTable = block.sources[0]->table->name();
    block.sources[0]->rowIdUsed = true;
  }
}

}  // namespace jet::sql
