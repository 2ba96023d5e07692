// IndexJoin: one index seek per outer row.
#include "sql/exec/index_join.h"

#include <algorithm>

#include "jet/text.h"
#include "value/value_ops.h"

namespace jet::sql {

IndexJoin::IndexJoin(ExecContext& ctx, OperatorPtr outer, std::shared_ptr<Table> inner, std::size_t index,
                     std::vector<NodePtr> keys, std::size_t innerWidth, std::vector<ColumnSlot> filterColumns,
                     NodePtr filter, std::vector<ColumnSlot> otherColumns, int rowIdSlot, JoinType type, std::string text)
    : Operator(ctx, outer->width() + innerWidth),
      outer_(std::move(outer)),
      inner_(std::move(inner)),
      index_(index),
      range_(*inner_, index),
      cursor_(*inner_),
      keys_(std::move(keys)),
      innerWidth_(innerWidth),
      filterColumns_(std::move(filterColumns)),
      filter_(std::move(filter)),
      otherColumns_(std::move(otherColumns)),
      rowIdSlot_(rowIdSlot),
      type_(type),
      text_(std::move(text)),
      row_(width_) {
  current_ = &row_;
  for (std::size_t c : range_.columns()) keyKinds_.push_back(kindOf(inner_->columns()[c].type));
}

void IndexJoin::open() {
  outer_->open();
  active_ = false;
  seeking_ = false;
}

bool IndexJoin::startOuterRow() {
  const Row& outer = outer_->row();
  std::copy(outer.begin(), outer.end(), row_.begin());
  const RowSpan span(outer);
  const EvalEnv env = ctx_.env(span);
  std::vector<Value> prefix;
  prefix.reserve(keys_.size());
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    Value v = keys_[i]->evaluate(env);
    if (v.isNull()) return false;
    if (v.kind() != keyKinds_[i]) {
      try {
        Value cast = castTo(v, keyKinds_[i]);
        const auto c = compareValues(cast, v);
        if (!c || *c != 0) return false;  // equal to no stored value
        v = std::move(cast);
      } catch (const std::exception&) {
        return false;
      }
    }
    prefix.push_back(std::move(v));
  }
  return range_.seek(prefix, std::nullopt, std::nullopt);
}

bool IndexJoin::next() {
  for (;;) {
    if (active_) {
      while (seeking_ && range_.next()) {
        ctx_.charge();
        if (!cursor_.moveTo(range_.row())) continue;
        readColumns(cursor_, filterColumns_, row_);
        if (filter_ && !passesOn(*filter_, ctx_, row_)) continue;
        readColumns(cursor_, otherColumns_, row_);
        if (rowIdSlot_ >= 0) row_[static_cast<std::size_t>(rowIdSlot_)] = rowIdValue(cursor_.rowId());
        matched_ = true;
        return true;
      }
      active_ = false;
      if (type_ == JoinType::LeftOuter && !matched_) {
        const std::size_t outerWidth = outer_->width();
        std::fill(row_.begin() + static_cast<std::ptrdiff_t>(outerWidth), row_.end(), Value());
        return true;
      }
    }
    if (!outer_->next()) return false;
    ctx_.charge();
    active_ = true;
    matched_ = false;
    seeking_ = startOuterRow();
  }
}

std::string IndexJoin::describe() const {
  return std::string(type_ == JoinType::LeftOuter ? "Index left outer join" : "Index join") + " into '" +
         toUtf8(inner_->name()) + "' using index '" + toUtf8(inner_->indexes()[index_].name) + "' on " + text_ +
         (filter_ ? " (with a condition)" : "");
}

}  // namespace jet::sql
