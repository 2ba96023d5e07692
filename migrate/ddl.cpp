// Printing a SchemaPlan as PostgreSQL or SQLite DDL.
#include "migrate/ddl.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "jet/text.h"
#include "migrate/default_value.h"
#include "migrate/sql_text.h"
#include "migrate/saved_query_views.h"

namespace qbmigrate {

namespace {

using jet::DataType;

constexpr std::size_t kPostgresNameBytes = 63;  // NAMEDATALEN - 1

bool isText(DataType t) { return t == DataType::Text || t == DataType::Memo; }

// A name cut to PostgreSQL's limit at a character boundary, made unique by a
// hash of the whole name.
std::string shortened(const std::string& name) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
  std::size_t cut = kPostgresNameBytes - 9;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  char suffix[10];
  std::snprintf(suffix, sizeof suffix, "_%08x", hash);
  return name.substr(0, cut) + suffix;
}

// Names of relations (tables, indexes, constraints that make indexes) share
// one namespace per schema in both targets: this hands out unique ones.
class Names {
 public:
  explicit Names(Dialect dialect) : dialect_(dialect) {}

  std::string fit(const std::string& name) const {
    return dialect_ == Dialect::PostgreSQL && name.size() > kPostgresNameBytes ? shortened(name) : name;
  }

  void reserve(const std::string& name) { used_.insert(folded(name)); }

  std::string unique(const std::string& wanted) {
    std::string name = fit(wanted);
    for (int n = 2; used_.count(folded(name)) != 0; ++n) name = fit(wanted + "_" + std::to_string(n));
    reserve(name);
    return name;
  }

 private:
  // SQLite compares names without regard to ASCII case; PostgreSQL's quoted names are exact.
  std::string folded(const std::string& name) const {
    if (dialect_ == Dialect::PostgreSQL) return name;
    std::string out = name;
    for (char& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }

  Dialect dialect_;
  std::set<std::string> used_;
};

std::string postgresType(const jet::ColumnDef& c) {
  switch (c.type) {
    case DataType::Boolean: return "boolean";
    case DataType::Byte:
    case DataType::Integer: return "smallint";
    case DataType::Long: return "integer";
    case DataType::Currency: return "numeric(19,4)";
    case DataType::Single: return "real";
    case DataType::Double: return "double precision";
    case DataType::DateTime: return "timestamp";
    case DataType::Text: return "varchar(" + std::to_string(c.definedSize() == 0 ? 255 : c.definedSize()) + ")";
    case DataType::Memo: return "text";
    case DataType::Guid: return "uuid";
    case DataType::Numeric:
      return "numeric(" + std::to_string(std::max<int>(c.precision, 1)) + "," + std::to_string(c.scale) + ")";
    case DataType::Binary:
    case DataType::Ole:
    default: return "bytea";
  }
}

// Declared types that give SQLite's affinities: INTEGER, REAL, BLOB, and TEXT
// for what must keep its exact digits (currency, decimals) or its text form.
std::string sqliteType(const jet::ColumnDef& c) {
  switch (c.type) {
    case DataType::Boolean: return "BOOLEAN";
    case DataType::Byte: return "TINYINT";
    case DataType::Integer: return "SMALLINT";
    case DataType::Long: return "INTEGER";
    case DataType::Currency: return "TEXT /* Currency, exact with 4 decimals */";
    case DataType::Single: return "REAL";
    case DataType::Double: return "DOUBLE";
    case DataType::DateTime: return "DATETIME";
    case DataType::Text: return "VARCHAR(" + std::to_string(c.definedSize() == 0 ? 255 : c.definedSize()) + ")";
    case DataType::Memo: return "TEXT";
    case DataType::Guid: return "TEXT /* GUID */";
    case DataType::Numeric:
      return "TEXT /* Decimal(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + "), exact */";
    case DataType::Binary:
    case DataType::Ole:
    default: return "BLOB";
  }
}

class Printer {
 public:
  Printer(const SchemaPlan& plan, Dialect dialect, const DdlOptions& options)
      : plan_(plan), names_(dialect), pg_(dialect == Dialect::PostgreSQL) {
    ddl_.dialect = dialect;
    if (pg_) {
      ddl_.schema = options.schema;
      if (options.schema != "public") ddl_.before.push_back("CREATE SCHEMA IF NOT EXISTS " + quoteIdentifier(options.schema));
    }
  }

  Ddl run() {
    for (const TablePlan& t : plan_.tables) {
      const std::string name = names_.fit(t.name);
      if (name != t.name) ddl_.renamed.push_back("table " + t.name + " is " + name);
      names_.reserve(name);
      tableNames_.push_back(name);
    }
    for (std::size_t i = 0; i < plan_.tables.size(); ++i) ddl_.tables.push_back(table(plan_.tables[i], tableNames_[i]));
    return std::move(ddl_);
  }

 private:
  std::string qualify(const std::string& table) const {
    return pg_ ? quoteIdentifier(ddl_.schema) + "." + quoteIdentifier(table) : quoteIdentifier(table);
  }

  std::string targetTableName(const std::string& planName) const {
    for (std::size_t i = 0; i < plan_.tables.size(); ++i) {
      if (plan_.tables[i].name == planName) return tableNames_[i];
    }
    return planName;
  }

  std::string columnList(const TableDdl& t, const std::vector<std::size_t>& columns) const {
    std::string out;
    for (std::size_t c : columns) {
      if (!out.empty()) out += ", ";
      out += t.columnNames[c];
    }
    return out;
  }

  bool isSoleAutoNumberKey(const TablePlan& t) const {
    return !t.primaryKey.empty() && t.primaryKey[0].columns.size() == 1 && t.autoNumberColumn >= 0 &&
           t.primaryKey[0].columns[0] == static_cast<std::size_t>(t.autoNumberColumn);
  }

  std::string columnDefinition(const TablePlan& t, const TableDdl& d, std::size_t i) {
    const jet::ColumnDef& c = t.columns[i];
    std::string out = d.columnNames[i] + " " + (pg_ ? postgresType(c) : sqliteType(c));
    if (!pg_ && isText(c.type)) out += " COLLATE NOCASE";
    const bool identity = static_cast<int>(i) == t.autoNumberColumn;
    if (identity && pg_) {
      const std::uint64_t next = std::min<std::uint64_t>(std::uint64_t{t.autoNumberCounter} + 1, 2147483647);
      out += " GENERATED BY DEFAULT AS IDENTITY (START WITH " + std::to_string(next) + ")";
    } else if (identity && isSoleAutoNumberKey(t)) {
      out += " PRIMARY KEY AUTOINCREMENT";
    } else if (identity) {
      ddl_.notCarried.push_back("autonumber " + t.name + "." + t.columnNames[i] +
                                ": SQLite numbers new rows only in an INTEGER PRIMARY KEY; the values are carried");
    }
    if (c.required || c.type == DataType::Boolean) out += " NOT NULL";
    bool defaulted = false;
    if (!c.defaultValue.empty() && !identity) {
      const DefaultTranslation translation = translateDefault(c, ddl_.dialect);
      if (translation.sql) {
        out += " DEFAULT " + *translation.sql;
        defaulted = true;
      } else {
        ddl_.notCarried.push_back("default value " + jet::toUtf8(c.defaultValue) + " of " + t.name + "." +
                                  t.columnNames[i] + ": " + translation.reason);
      }
    }
    if (c.guidAutoNumber && c.type == DataType::Guid && !defaulted) {
      // A replication id left out of an insert gets a new random GUID, as in Jet.
      out += " DEFAULT " + (pg_ ? std::string("gen_random_uuid()") : randomGuidText());
    }
    // A Yes/No field left out of an insert is No in Jet.
    if (c.type == DataType::Boolean && !defaulted) out += pg_ ? " DEFAULT false" : " DEFAULT 0";
    const std::string& q = d.columnNames[i];
    if (c.type == DataType::Byte) out += " CHECK (" + q + " BETWEEN 0 AND 255)";
    if (c.type == DataType::Boolean && !pg_) out += " CHECK (" + q + " IN (0, 1))";
    if (isText(c.type) && !c.allowZeroLength) out += " CHECK (" + q + " <> '')";
    return out;
  }

  bool hasText(const TablePlan& t, const KeyPlan& key) const {
    return std::any_of(key.columns.begin(), key.columns.end(), [&](std::size_t c) { return isText(t.columns[c].type); });
  }

  // "col" DESC, lower("text") ... for an index's column list.
  std::string indexColumns(const TablePlan& t, const TableDdl& d, const KeyPlan& key, bool foldCase) const {
    std::string out;
    for (std::size_t k = 0; k < key.columns.size(); ++k) {
      const std::size_t c = key.columns[k];
      if (!out.empty()) out += ", ";
      out += foldCase && isText(t.columns[c].type) ? "lower(" + d.columnNames[c] + ")" : d.columnNames[c];
      if (key.descending[k]) out += " DESC";
    }
    return out;
  }

  std::string createIndex(const TablePlan& t, const TableDdl& d, const KeyPlan& key, bool unique, bool foldCase,
                          const std::string& suffix = {}) {
    std::string sql = unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ";
    sql += quoteIdentifier(names_.unique(d.targetName + "_" + key.name + suffix)) + " ON " + d.qualifiedName + " (" +
           indexColumns(t, d, key, foldCase) + ")";
    if (key.ignoreNulls && !unique) {
      std::string allNull;
      for (std::size_t c : key.columns) allNull += (allNull.empty() ? "" : " AND ") + d.columnNames[c] + " IS NULL";
      sql += " WHERE NOT (" + allNull + ")";
    }
    return sql;
  }

  std::string constraintName(const TableDdl& d, const std::string& name) { return quoteIdentifier(names_.unique(d.targetName + "_" + name)); }

  void postgresKeys(const TablePlan& t, TableDdl& d) {
    for (const KeyPlan& key : t.primaryKey) {
      d.afterLoad.push_back("ALTER TABLE " + d.qualifiedName + " ADD CONSTRAINT " + constraintName(d, key.name) +
                            " PRIMARY KEY (" + columnList(d, key.columns) + ")");
      if (hasText(t, key)) d.afterLoad.push_back(createIndex(t, d, key, true, true, "_nocase"));
    }
    for (const KeyPlan& key : t.uniqueKeys) {
      const bool text = hasText(t, key);
      d.afterLoad.push_back(createIndex(t, d, key, true, text, text ? "_nocase" : ""));
      if (text && key.referenced) {
        d.afterLoad.push_back("ALTER TABLE " + d.qualifiedName + " ADD CONSTRAINT " + constraintName(d, key.name) +
                              " UNIQUE (" + columnList(d, key.columns) + ")");
      }
    }
    for (const KeyPlan& key : t.indexes) d.afterLoad.push_back(createIndex(t, d, key, false, false));
  }

  std::string foreignKeyClause(const TableDdl& d, const ForeignKeyPlan& fk) const {
    const TablePlan* parent = nullptr;
    for (const TablePlan& p : plan_.tables) {
      if (p.name == fk.referencedTable) parent = &p;
    }
    std::string parentColumns;
    for (std::size_t c : fk.referencedColumns) {
      if (!parentColumns.empty()) parentColumns += ", ";
      parentColumns += quoteIdentifier(names_.fit(parent->columnNames[c]));
    }
    std::string sql = "FOREIGN KEY (" + columnList(d, fk.columns) + ") REFERENCES " +
                      qualify(targetTableName(fk.referencedTable)) + " (" + parentColumns + ")";
    if (fk.cascadeUpdates) sql += " ON UPDATE CASCADE";
    if (fk.cascadeDeletes) sql += " ON DELETE CASCADE";
    if (fk.cascadeNull) sql += " ON DELETE SET NULL";
    return sql;
  }

  TableDdl table(const TablePlan& t, const std::string& targetName) {
    TableDdl d;
    d.sourceName = t.name;
    d.targetName = targetName;
    d.qualifiedName = qualify(targetName);
    for (const std::string& column : t.columnNames) {
      const std::string name = names_.fit(column);
      if (name != column) ddl_.renamed.push_back("column " + t.name + "." + column + " is " + name);
      d.columnNames.push_back(quoteIdentifier(name));
    }
    d.drop = "DROP TABLE IF EXISTS " + d.qualifiedName + (pg_ ? " CASCADE" : "");
    std::vector<std::string> parts;
    for (std::size_t i = 0; i < t.columns.size(); ++i) parts.push_back(columnDefinition(t, d, i));
    if (pg_) {
      postgresKeys(t, d);
      for (const ForeignKeyPlan& fk : t.foreignKeys) {
        ddl_.foreignKeys.push_back("ALTER TABLE " + d.qualifiedName + " ADD CONSTRAINT " +
                                   quoteIdentifier(names_.fit(fk.name)) + " " + foreignKeyClause(d, fk));
      }
    } else {
      for (const KeyPlan& key : t.primaryKey) {
        if (!isSoleAutoNumberKey(t)) parts.push_back("PRIMARY KEY (" + columnList(d, key.columns) + ")");
      }
      for (const ForeignKeyPlan& fk : t.foreignKeys) {
        parts.push_back("CONSTRAINT " + quoteIdentifier(fk.name) + " " + foreignKeyClause(d, fk));
      }
      for (const KeyPlan& key : t.uniqueKeys) d.afterLoad.push_back(createIndex(t, d, key, true, false));
      for (const KeyPlan& key : t.indexes) d.afterLoad.push_back(createIndex(t, d, key, false, false));
      if (isSoleAutoNumberKey(t) && t.autoNumberCounter > 0) {
        // AUTOINCREMENT goes on after the larger of this and the largest key.
        const std::string n = std::to_string(t.autoNumberCounter);
        const std::string name = sqlStringLiteral(targetName);
        d.counters.push_back("INSERT INTO sqlite_sequence (name, seq) SELECT " + name + ", " + n +
                              " WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = " + name + ")");
        d.counters.push_back("UPDATE sqlite_sequence SET seq = " + n + " WHERE name = " + name + " AND seq < " + n);
      }
    }
    d.create = "CREATE TABLE " + d.qualifiedName + " (\n";
    for (std::size_t i = 0; i < parts.size(); ++i) d.create += "  " + parts[i] + (i + 1 < parts.size() ? ",\n" : "\n");
    d.create += ")";
    return d;
  }

  const SchemaPlan& plan_;
  Names names_;
  bool pg_;
  Ddl ddl_;
  std::vector<std::string> tableNames_;
};

}  // namespace

Ddl buildDdl(const SchemaPlan& plan, Dialect dialect, const DdlOptions& options) {
  return Printer(plan, dialect, options).run();
}

std::string ddlScript(const SchemaPlan& plan, const Ddl& ddl, const std::vector<ViewPlan>& views) {
  std::string out = std::string("-- ") + dialectName(ddl.dialect) + " DDL written by qbtool\n";
  std::vector<std::string> notes = plan.notCarried;
  notes.insert(notes.end(), ddl.notCarried.begin(), ddl.notCarried.end());
  for (const std::string& n : ddl.renamed) out += "-- Renamed: " + n + "\n";
  for (const std::string& n : notes) out += "-- Not carried: " + n + "\n";
  for (const ViewPlan& v : views) {
    if (!v.createView) out += "-- Not carried: query " + v.name + ": " + v.reason + "\n";
  }
  out += "\n";
  for (const std::string& s : ddl.before) out += s + ";\n\n";
  for (const TableDdl& t : ddl.tables) out += t.create + ";\n\n";
  for (const TableDdl& t : ddl.tables) {
    for (const std::string& s : t.afterLoad) out += s + ";\n";
    for (const std::string& s : t.counters) out += s + ";\n";
  }
  for (const std::string& s : ddl.foreignKeys) out += s + ";\n";
  for (const ViewPlan& v : views) {
    if (v.createView) out += "\n" + *v.createView + ";\n";
  }
  return out;
}

}  // namespace qbmigrate
