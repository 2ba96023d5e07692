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
//
// Rows a cascade deletes are queued and deleted one after another by the
// delete that started it, not from inside each other's hooks: a hierarchy
// kept in one table (an employee's manager, a part's assembly) may be
// thousands of rows deep. A row being written or queued is never found again
// by a cascade, so a cycle of rows (two that refer to each other, one that
// refers to itself) ends where it started.
#include <algorithm>
#include <deque>
#include <set>
#include <string>
#include <utility>

#include "format/index_key.h"
#include "jet/error.h"
#include "jet/text.h"
#include "table/relationship_rules.h"
#include "table/row_write_hooks.h"

namespace jet {

namespace {

// Cascading updates that lead from table to table further than this are a
// cycle (deletes are queued and do not nest).
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
                    std::vector<Value>& after) override {
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
    const Busy busy(busy_, table, id);
    for (const RelationshipRule& rule : relationshipRulesOf(table)) {
      if (&rule.referenced->impl() == &table) releaseReferencingRows(rule, row);
    }
    // The delete that started the cascade deletes what it queued, while its
    // own row is still marked busy (a cycle would lead back to it).
    if (!draining_) deleteQueuedRows();
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

  using RowKey = std::pair<const Table::Impl*, RowId>;

  // A row a cascade will delete.
  struct Doomed {
    std::shared_ptr<Table> table;
    RowId id;
  };

  // Busy rows, and rows queued for deletion: no cascade takes them again and
  // no row may come to refer to them.
  bool isTaken(const Table::Impl& table, RowId id) const {
    return doomedSet_.count(RowKey{&table, id}) != 0 ||
           std::any_of(busy_.begin(), busy_.end(),
                       [&](const BusyRow& b) { return b.table == &table && b.id == id; });
  }

  // The rows of the rule's `table` side whose key (its `columns`, in index
  // `index`) is `key`, leaving out taken rows.
  std::vector<RowId> findRows(const std::shared_ptr<Table>& table, std::size_t index, const Key& key,
                              const KeyBytes& bytes, const RelationshipRule& rule,
                              const std::vector<std::size_t>& columns) const {
    std::vector<RowId> out;
    try {
      for (const RowId id : table->findRows(index, key)) {
        if (!isTaken(table->impl(), id)) out.push_back(id);
      }
      return out;
    } catch (const Error& e) {
      if (e.code() != ErrorCode::Unsupported) throw;
    }
    // Without an index search: every row.
    table->scan([&](RowId id, const std::vector<Value>& values) {
      if (!isTaken(table->impl(), id) && bytesOf(keyOf(values, columns), rule) == bytes) out.push_back(id);
      return true;
    });
    return out;
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
        !findRows(rule.referenced, rule.referencedIndex, key, bytes, rule, rule.referencedColumns).empty()) {
      return;
    }
    throw Error(ErrorCode::Constraint, "Cannot add or change the row of " + referencing.describe() + ": " +
                                           relationshipName(rule) + " needs a row of " +
                                           rule.referenced->impl().describe() + " with " +
                                           describeKey(rule.referenced->impl(), rule.referencedColumns, key) +
                                           ", and there is none");
  }

  std::string updateRefused(const RelationshipRule& rule, const Key& was) const {
    const Table::Impl& referenced = rule.referenced->impl();
    return "Cannot change " + describeKey(referenced, rule.referencedColumns, was) + " in " + referenced.describe() +
           ": rows of " + rule.referencing->impl().describe() + " refer to it through " + relationshipName(rule) +
           ", which does not cascade updates";
  }

  void followReferencedKey(const RelationshipRule& rule, RowId id, const std::vector<Value>& before,
                           std::vector<Value>& after) {
    const Key was = keyOf(before, rule.referencedColumns);
    const Key now = keyOf(after, rule.referencedColumns);
    const KeyBytes wasBytes = bytesOf(was, rule);
    const KeyBytes nowBytes = bytesOf(now, rule);
    if (hasNull(was) || wasBytes == nowBytes) return;
    const Table::Impl& referenced = rule.referenced->impl();
    // The row itself, when it refers to its own old key and this write leaves
    // that reference as it was: it follows its key as any other row would.
    const bool selfReference = rule.referencing == rule.referenced &&
                               bytesOf(keyOf(after, rule.referencingColumns), rule) == wasBytes;
    std::vector<RowId> children;
    {
      const Busy busy(busy_, referenced, id);
      children = findRows(rule.referencing, rule.referencingIndex, was, wasBytes, rule, rule.referencingColumns);
      if ((!children.empty() || selfReference) && !rule.cascadeUpdates) {
        throw Error(ErrorCode::Constraint, updateRefused(rule, was));
      }
      if (!children.empty()) {
        const Depth depth(depth_);
        pending_.push_back(PendingKey{&rule.referencing->impl(), rule.referencingIndex, nowBytes});
        try {
          for (const RowId child : children) {
            std::vector<Value> values = rule.referencing->readRow(child);
            // An earlier row's cascade may have changed this one already.
            if (bytesOf(keyOf(values, rule.referencingColumns), rule) != wasBytes) continue;
            for (std::size_t i = 0; i < now.size(); ++i) values[rule.referencingColumns[i]] = now[i];
            rule.referencing->impl().updateRow(child, values);
          }
        } catch (...) {
          pending_.pop_back();
          throw;
        }
        pending_.pop_back();
      }
    }
    if (selfReference) {
      for (std::size_t i = 0; i < now.size(); ++i) after[rule.referencingColumns[i]] = now[i];
    }
  }

  void releaseReferencingRows(const RelationshipRule& rule, const std::vector<Value>& row) {
    const Key key = keyOf(row, rule.referencedColumns);
    if (hasNull(key)) return;
    const KeyBytes bytes = bytesOf(key, rule);
    const Table::Impl& referenced = rule.referenced->impl();
    const std::vector<RowId> children =
        findRows(rule.referencing, rule.referencingIndex, key, bytes, rule, rule.referencingColumns);
    if (children.empty()) return;
    if (!rule.cascadeDeletes && !rule.cascadeNull) {
      throw Error(ErrorCode::Constraint, "Cannot delete the row of " + referenced.describe() + " with " +
                                             describeKey(referenced, rule.referencedColumns, key) +
                                             ": rows of " + rule.referencing->impl().describe() +
                                             " refer to it through " + relationshipName(rule) +
                                             ", which does not cascade deletes");
    }
    if (rule.cascadeDeletes) {
      for (const RowId child : children) {
        if (doomedSet_.insert(RowKey{&rule.referencing->impl(), child}).second) {
          doomed_.push_back(Doomed{rule.referencing, child});
        }
      }
      return;
    }
    const Depth depth(depth_);
    for (const RowId child : children) {
      std::vector<Value> values = rule.referencing->readRow(child);
      if (bytesOf(keyOf(values, rule.referencingColumns), rule) != bytes) continue;
      for (const std::size_t c : rule.referencingColumns) values[c] = Value();
      rule.referencing->impl().updateRow(child, values);
    }
  }

  // Deletes the queued rows, each with its own hooks (which queue the rows it
  // takes along), until none is left.
  void deleteQueuedRows() {
    draining_ = true;
    try {
      while (!doomed_.empty()) {
        const Doomed next = doomed_.front();
        doomed_.pop_front();
        doomedSet_.erase(RowKey{&next.table->impl(), next.id});
        next.table->impl().deleteRow(next.id);
      }
    } catch (...) {
      doomed_.clear();
      doomedSet_.clear();
      draining_ = false;
      throw;
    }
    draining_ = false;
  }

  std::vector<PendingKey> pending_;
  std::vector<BusyRow> busy_;
  std::deque<Doomed> doomed_;
  std::set<RowKey> doomedSet_;
  bool draining_ = false;
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
