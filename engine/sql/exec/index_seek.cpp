// IndexSeek: key values to index ranges, the ranges walked in turn, each row
// read by its locator.
#include "sql/exec/index_seek.h"

#include <algorithm>

#include "jet/text.h"
#include "sql/exec/value_hash.h"
#include "value/value_ops.h"

namespace jet::sql {

namespace {

enum class Fit : std::uint8_t { Exact, Rounded, None };

// A key value in the key column's own type.
Fit fitKey(const Value& v, ValueKind column, Value& out) {
  if (v.isNull()) return Fit::None;
  if (v.kind() == column) {
    out = v;
    return Fit::Exact;
  }
  const KeyClass from = keyClassOf(v.kind());
  if (from != keyClassOf(column) || from != KeyClass::Number) return Fit::None;
  try {
    out = castTo(v, column);
    const auto c = compareValues(out, v);
    return c && *c == 0 ? Fit::Exact : Fit::Rounded;
  } catch (const std::exception&) {
    return Fit::None;
  }
}

}  // namespace

IndexSeek::IndexSeek(ExecContext& ctx, std::shared_ptr<Table> table, IndexKeyPlan key, std::size_t width,
                     std::vector<ColumnSlot> filterColumns, std::vector<ColumnSlot> recheckColumns, NodePtr consumed,
                     NodePtr residual, std::string residualText, std::vector<ColumnSlot> otherColumns, int rowIdSlot)
    : Operator(ctx, width),
      table_(std::move(table)),
      key_(std::move(key)),
      range_(*table_, key_.index),
      cursor_(*table_),
      row_(width),
      filterColumns_(std::move(filterColumns)),
      recheckColumns_(std::move(recheckColumns)),
      consumed_(std::move(consumed)),
      residual_(std::move(residual)),
      residualText_(std::move(residualText)),
      otherColumns_(std::move(otherColumns)),
      rowIdSlot_(rowIdSlot) {
  current_ = &row_;
  for (std::size_t c : range_.columns()) keyKinds_.push_back(kindOf(table_->columns()[c].type));
}

void IndexSeek::open() {
  const EvalEnv env = ctx_.envWithoutRow();
  prefixes_.clear();
  nextPrefix_ = 0;
  inRange_ = false;
  recheck_ = false;
  fallback_ = false;
  low_.reset();
  high_.reset();
  const std::size_t k = key_.equal.empty() ? 0 : key_.equal.front().size();
  for (const auto& alternative : key_.equal) {
    std::vector<Value> values;
    bool usable = true;
    for (std::size_t i = 0; i < alternative.size() && usable; ++i) {
      Value fitted;
      const Value v = alternative[i]->evaluate(env);
      switch (fitKey(v, keyKinds_[i], fitted)) {
        case Fit::Exact: values.push_back(std::move(fitted)); break;
        case Fit::Rounded: usable = false; break;  // equal to no stored value
        case Fit::None:
          if (!v.isNull()) fallback_ = true;  // a Null equals nothing; anything else: ask the rows
          usable = false;
          break;
      }
    }
    if (usable) prefixes_.push_back(std::move(values));
  }
  auto bound = [&](const NodePtr& node, bool inclusive, std::optional<KeyBound>& out) {
    if (!node) return true;
    const Value v = node->evaluate(env);
    if (v.isNull()) return false;  // compared with Null: no row
    Value fitted;
    switch (fitKey(v, keyKinds_[k], fitted)) {
      case Fit::Exact: out = KeyBound{std::move(fitted), inclusive}; return true;
      case Fit::Rounded: out = KeyBound{std::move(fitted), true}; recheck_ = true; return true;
      case Fit::None: fallback_ = true; return true;
    }
    return true;
  };
  const bool lowOk = bound(key_.low, key_.lowInclusive, low_);
  const bool highOk = bound(key_.high, key_.highInclusive, high_);
  if (key_.equal.empty()) prefixes_.push_back({});  // a range alone, or the whole index
  if (!lowOk || !highOk) prefixes_.clear();
  if (fallback_) {
    cursor_.rewind();
    return;
  }
  // Alternatives in key order, each once.
  std::sort(prefixes_.begin(), prefixes_.end(), [](const std::vector<Value>& a, const std::vector<Value>& b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
      const auto c = compareValues(a[i], b[i]);
      if (c && *c != 0) return *c < 0;
    }
    return false;
  });
  prefixes_.erase(std::unique(prefixes_.begin(), prefixes_.end(),
                              [](const std::vector<Value>& a, const std::vector<Value>& b) { return sameKeys(a, b); }),
                  prefixes_.end());
}

bool IndexSeek::startNextRange() {
  while (nextPrefix_ < prefixes_.size()) {
    const std::vector<Value>& prefix = prefixes_[nextPrefix_++];
    if (range_.seek(prefix, low_, high_)) return true;
  }
  return false;
}

bool IndexSeek::accept() {
  ctx_.charge();
  readColumns(cursor_, filterColumns_, row_);
  if ((recheck_ || fallback_) && consumed_) {
    // The rare way: the conditions the key stood for may read any column.
    readColumns(cursor_, recheckColumns_, row_);
    readColumns(cursor_, otherColumns_, row_);
    if (!passesOn(*consumed_, ctx_, row_)) return false;
    if (residual_ && !passesOn(*residual_, ctx_, row_)) return false;
  } else {
    if (residual_ && !passesOn(*residual_, ctx_, row_)) return false;
    readColumns(cursor_, otherColumns_, row_);
  }
  if (rowIdSlot_ >= 0) row_[static_cast<std::size_t>(rowIdSlot_)] = rowIdValue(cursor_.rowId());
  return true;
}

bool IndexSeek::next() {
  if (fallback_) {
    while (cursor_.next()) {
      if (accept()) return true;
    }
    return false;
  }
  for (;;) {
    if (!inRange_) {
      if (!startNextRange()) return false;
      inRange_ = true;
    }
    const bool readRows = recheck_ || !filterColumns_.empty() || !otherColumns_.empty() || rowIdSlot_ >= 0;
    while (range_.next()) {
      if (!readRows) {
        ctx_.charge();
        return true;
      }
      if (!cursor_.moveTo(range_.row())) continue;  // an entry without its row: the index is stale
      if (accept()) return true;
    }
    inRange_ = false;
  }
}

std::string IndexSeek::describe() const {
  std::string out = "Index seek on '" + toUtf8(table_->name()) + "' using index '" +
                    toUtf8(table_->indexes()[key_.index].name) + "' (" + key_.text + "; " +
                    std::to_string(filterColumns_.size() + otherColumns_.size()) + " of " +
                    std::to_string(table_->columns().size()) + " fields decoded" +
                    (filterColumns_.empty() && otherColumns_.empty() && rowIdSlot_ < 0 ? ", rows not read)" : ")");
  if (residual_) out += " where " + residualText_;
  return out;
}

}  // namespace jet::sql
