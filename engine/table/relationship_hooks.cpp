// The row writer's hooks for enforced relationships. Before a row is written:
//
//   insert, or update of a foreign key   the referenced row must exist (a key
//                                         with a Null part refers to nothing);
//   update of a referenced key            referencing rows follow (cascade
//                                         updates) or the update is refused;
//   delete of a referenced row            referencing rows go (cascade deletes),
//                                         lose their key (cascade to Null) or
//                                         the delete is refused.
//
// Cascades are ordinary row writes of the other tables, made inside the
// caller's write scope, so their own rules apply in turn and a refusal
// anywhere undoes the whole write. Keys are compared as the indexes compare
// them: by their index key bytes (text without regard to case, as in the
// General sort order).
#include <algorithm>
#include <string>

#include "format/index_key.h"
#include "jet/error.h"
#include "jet/text.h"
#include "table/relationship_rules.h"
#include "table/row_write_hooks.h"

namespace jet {

namespace {

// Cascades that lead from table to table further than this are a cycle.
constexpr int kMaxCascadeDepth = 64;

using Key = std::vector<Value>;
using KeyBytes = std::vector<std::uint8_t>;

Key keyOf(const std::vector<Value>& row, const std::vector<std::size_t>& columns) {
  Key key;
  key.reserve(columns.size());
  for (const std::size_t c : columns) key.push_back(row[c]);
  return key;
}

bool hasNull(const Key& key) {
  return std::any_of(key.begin(), key.end(), [](const Value& v) { return v.isNull(); });
}

// The key bytes `key` has in the referenced index (the index the keys of both
// sides are looked up in). Values that do not suit the column give no bytes.
KeyBytes bytesOf(const Key& key, const RelationshipRule& rule) {
  const Table::Impl& t = rule.referenced->impl();
  const IndexDef& index = t.indexes[rule.referencedIndex];
  KeyBytes out;
  try {
    for (std::size_t i = 0; i < key.size(); ++i) {
      const ColumnDef& c = t.columns[index.columns[i].column];
      KeyColumn column;
      column.type = c.type;
      column.ascending = index.columns[i].ascending;
      column.scale = c.scale;
      column.sortOrder = c.sortOrder;
      appendKeyColumn(key[i], column, out);
    }
  } catch (const Error& e) {
    if (e.code() != ErrorCode::InvalidArgument) throw;
    out.clear();
  }
  return out;
}

std::string valueText(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null:
      return "Null";
    case ValueKind::Boolean:
      return v.asBoolean() ? "True" : "False";
    case ValueKind::Byte:
      return std::to_string(v.asByte());
    case ValueKind::Integer:
      return std::to_string(v.asInteger());
    case ValueKind::Long:
      return std::to_string(v.asLong());
    case ValueKind::Currency:
      return v.asCurrency().toString();
    case ValueKind::Single:
      return std::to_string(v.asSingle());
    case ValueKind::Double:
      return std::to_string(v.asDouble());
    case ValueKind::DateTime:
      return toIsoString(v.asDateTime());
    case ValueKind::Text:
      return "'" + toUtf8(v.asText()) + "'";
    case ValueKind::Binary:
      return std::to_string(v.asBinary().size()) + " bytes";
    case ValueKind::Guid:
      return v.asGuid().toString();
    case ValueKind::Decimal:
      return v.asDecimal().toString();
  }
  return "?";
}

// "CustomerID = 5" or "(A, B) = (1, 'x')".
std::string describeKey(const Table::Impl& table, const std::vector<std::size_t>& columns, const Key& key) {
  if (columns.size() == 1) return toUtf8(table.columns[columns[0]].name) + " = " + valueText(key[0]);
  std::string names;
  std::string values;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    names += (i ? ", " : "") + toUtf8(table.columns[columns[i]].name);
    values += (i ? ", " : "") + valueText(key[i]);
  }
  return "(" + names + ") = (" + values + ")";
}

std::string relationshipName(const RelationshipRule& rule) {
  return "relationship '" + toUtf8(rule.name) + "'";
}

class RelationshipHooks final : public RowWriteHooks {
 public:
  void beforeInsert(Table::Impl& table, const std::vector<Value>& row) override {
    for (const RelationshipRule& rule : relationshipRulesOf(table)) {
      if (&rule.referencing->impl() == &table) requireReferencedRow(rule, row);
    }
  }

  void beforeUpdate(Table::Impl& table, RowId id, const std::vector<Value>& before,
                    const std::vector<Value>& after) override {
    for (const RelationshipRule& rule : relationshipRulesOf(table)) {
      if (&rule.referenced->impl() == &table) followReferencedKey(rule, id, before, after);
      if (&rule.referencing->impl() == &table) {
        const Key was = keyOf(before, rule.referencingColumns);
        const Key now = keyOf(after, rule.referencingColumns);
        if (bytesOf(was, rule) != bytesOf(now, rule)) requireReferencedRow(rule, after);
      }
    }
  }

  void beforeDelete(Table::Impl& table, RowId id, const std::vector<Value>& row) override {
    for (const RelationshipRule& rule : relationshipRulesOf(table)) {
      if (&rule.referenced->impl() == &table) releaseReferencingRows(rule, id, row);
    }
  }

 private:
  // A key being given to referencing rows while their referenced row still
  // has its old one (a cascading update): those rows need not find it yet.
  struct PendingKey {
    const Table::Impl* referencing;
    std::size_t index;
    KeyBytes key;
  };

  class Depth {
   public:
    explicit Depth(int& depth) : depth_(depth) {
      if (++depth_ > kMaxCascadeDepth) {
        --depth_;
        throw Error(ErrorCode::Constraint, "The relationships cascade through more than " +
                                               std::to_string(kMaxCascadeDepth) +
                                               " tables; they form a cycle that cannot be followed");
      }
    }
    ~Depth() { --depth_; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;

   private:
    int& depth_;
  };

  // Rows a write on the way is about (the row being deleted or re-keyed, and
  // those its cascades are at): a cascade never comes back to them.
  struct BusyRow {
    const Table::Impl* table;
    RowId id;
  };

  class Busy {
   public:
    Busy(std::vector<BusyRow>& rows, const Table::Impl& table, RowId id) : rows_(rows) {
      rows_.push_back(BusyRow{&table, id});
    }
    ~Busy() { rows_.pop_back(); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    std::vector<BusyRow>& rows_;
  };

  bool isBusy(const Table::Impl& table, RowId id) const {
    return std::any_of(busy_.begin(), busy_.end(),
                       [&](const BusyRow& b) { return b.table == &table && b.id == id; });
  }

  // The first row of the rule's `table` side whose key (its `columns`, in
  // index `index`) is `key`, leaving out busy rows.
  std::optional<RowId> findRow(const std::shared_ptr<Table>& table, std::size_t index, const Key& key,
                               const KeyBytes& bytes, const RelationshipRule& rule,
                               const std::vector<std::size_t>& columns) const {
    try {
      const std::optional<RowId> found = table->findRow(index, key);
      if (!found || !isBusy(table->impl(), *found)) return found;
    } catch (const Error& e) {
      if (e.code() != ErrorCode::Unsupported) throw;
    }
    // Without an index search (or when the first match is busy): every row.
    std::optional<RowId> match;
    table->scan([&](RowId id, const std::vector<Value>& values) {
      if (isBusy(table->impl(), id) || bytesOf(keyOf(values, columns), rule) != bytes) return true;
      match = id;
      return false;
    });
    return match;
  }

  void requireReferencedRow(const RelationshipRule& rule, const std::vector<Value>& row) {
    const Key key = keyOf(row, rule.referencingColumns);
    if (hasNull(key)) return;
    const KeyBytes bytes = bytesOf(key, rule);
    const Table::Impl& referencing = rule.referencing->impl();
    for (const PendingKey& p : pending_) {
      if (p.referencing == &referencing && p.index == rule.referencingIndex && p.key == bytes) return;
    }
    // A row may refer to itself.
    if (rule.referencing == rule.referenced && bytesOf(keyOf(row, rule.referencedColumns), rule) == bytes)
      return;
    if (!bytes.empty() &&
        findRow(rule.referenced, rule.referencedIndex, key, bytes, rule, rule.referencedColumns)) {
      return;
    }
    throw Error(ErrorCode::Constraint, "Cannot add or change the row of " + referencing.describe() + ": " +
                                           relationshipName(rule) + " needs a row of " +
                                           rule.referenced->impl().describe() + " with " +
                                           describeKey(rule.referenced->impl(), rule.referencedColumns, key) +
                                           ", and there is none");
  }

  void followReferencedKey(const RelationshipRule& rule, RowId id, const std::vector<Value>& before,
                           const std::vector<Value>& after) {
    const Key was = keyOf(before, rule.referencedColumns);
    const Key now = keyOf(after, rule.referencedColumns);
    const KeyBytes wasBytes = bytesOf(was, rule);
    const KeyBytes nowBytes = bytesOf(now, rule);
    if (hasNull(was) || wasBytes == nowBytes) return;
    const Table::Impl& referenced = rule.referenced->impl();
    const Busy busy(busy_, referenced, id);
    std::optional<RowId> child =
        findRow(rule.referencing, rule.referencingIndex, was, wasBytes, rule, rule.referencingColumns);
    if (!child) return;
    if (!rule.cascadeUpdates) {
      throw Error(ErrorCode::Constraint,
                  "Cannot change " + describeKey(referenced, rule.referencedColumns, was) + " in " +
                      referenced.describe() + ": rows of " + rule.referencing->impl().describe() +
                      " refer to it through " + relationshipName(rule) + ", which does not cascade updates");
    }
    const Depth depth(depth_);
    pending_.push_back(PendingKey{&rule.referencing->impl(), rule.referencingIndex, nowBytes});
    try {
      for (; child; child = findRow(rule.referencing, rule.referencingIndex, was, wasBytes, rule,
                                    rule.referencingColumns)) {
        std::vector<Value> values = rule.referencing->readRow(*child);
        for (std::size_t i = 0; i < now.size(); ++i) values[rule.referencingColumns[i]] = now[i];
        rule.referencing->impl().updateRow(*child, values);
      }
    } catch (...) {
      pending_.pop_back();
      throw;
    }
    pending_.pop_back();
  }

  void releaseReferencingRows(const RelationshipRule& rule, RowId id, const std::vector<Value>& row) {
    const Key key = keyOf(row, rule.referencedColumns);
    if (hasNull(key)) return;
    const KeyBytes bytes = bytesOf(key, rule);
    const Table::Impl& referenced = rule.referenced->impl();
    const Busy busy(busy_, referenced, id);
    std::optional<RowId> child =
        findRow(rule.referencing, rule.referencingIndex, key, bytes, rule, rule.referencingColumns);
    if (!child) return;
    if (!rule.cascadeDeletes && !rule.cascadeNull) {
      throw Error(ErrorCode::Constraint, "Cannot delete the row of " + referenced.describe() + " with " +
                                             describeKey(referenced, rule.referencedColumns, key) +
                                             ": rows of " + rule.referencing->impl().describe() +
                                             " refer to it through " + relationshipName(rule) +
                                             ", which does not cascade deletes");
    }
    const Depth depth(depth_);
    for (; child; child = findRow(rule.referencing, rule.referencingIndex, key, bytes, rule,
                                  rule.referencingColumns)) {
      if (rule.cascadeDeletes) {
        rule.referencing->impl().deleteRow(*child);
      } else {
        std::vector<Value> values = rule.referencing->readRow(*child);
        for (const std::size_t c : rule.referencingColumns) values[c] = Value();
        rule.referencing->impl().updateRow(*child, values);
      }
    }
  }

  std::vector<PendingKey> pending_;
  std::vector<BusyRow> busy_;
  int depth_ = 0;
};

}  // namespace

std::string describeRelationshipKey(const Table::Impl& table, const std::vector<std::size_t>& columns,
                                    const std::vector<Value>& key) {
  return describeKey(table, columns, key);
}

std::unique_ptr<RowWriteHooks> makeRelationshipHooks() {
  return std::make_unique<RelationshipHooks>();
}

}  // namespace jet
