// HashJoin: build, then probe one row at a time.
#include "sql/exec/hash_join.h"

#include <algorithm>

namespace jet::sql {

void joinRows(const Row& left, const Row* right, std::size_t rightWidth, Row& out) {
  std::copy(left.begin(), left.end(), out.begin());
  if (right != nullptr) {
    std::copy(right->begin(), right->end(), out.begin() + static_cast<std::ptrdiff_t>(left.size()));
  } else {
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(left.size()),
              out.begin() + static_cast<std::ptrdiff_t>(left.size() + rightWidth), Value());
  }
}

HashJoin::HashJoin(ExecContext& ctx, OperatorPtr left, OperatorPtr right, std::vector<NodePtr> leftKeys,
                   std::vector<NodePtr> rightKeys, NodePtr residual, JoinType type, bool buildLeft, std::string text)
    : Operator(ctx, left->width() + right->width()),
      left_(std::move(left)),
      right_(std::move(right)),
      leftKeys_(std::move(leftKeys)),
      rightKeys_(std::move(rightKeys)),
      residual_(std::move(residual)),
      type_(type),
      buildLeft_(buildLeft && type == JoinType::Inner),
      text_(std::move(text)),
      leftWidth_(left_->width()),
      rightWidth_(right_->width()),
      probeKey_(leftKeys_.size()),
      row_(width_) {
  current_ = &row_;
}

void HashJoin::open() {
  Operator& build = buildLeft_ ? *left_ : *right_;
  const std::vector<NodePtr>& buildKeys = buildLeft_ ? leftKeys_ : rightKeys_;
  index_.clear();
  groupKeys_.clear();
  groupFirst_.clear();
  groupLast_.clear();
  built_.clear();
  rowNext_.clear();
  build.open();
  Row key(buildKeys.size());
  while (build.next()) {
    ctx_.charge();
    const RowSpan span(build.row());
    const EvalEnv env = ctx_.env(span);
    bool hasNull = false;
    for (std::size_t i = 0; i < buildKeys.size(); ++i) {
      key[i] = buildKeys[i]->evaluate(env);
      hasNull = hasNull || key[i].isNull();
    }
    if (hasNull) continue;
    const std::size_t h = hashValues(key);
    std::uint32_t g = index_.find(h, [&](std::uint32_t id) { return sameKeys(groupKeys_[id], key); });
    const auto id = static_cast<std::uint32_t>(built_.size());
    if (g == KeyIndex::kEnd) {
      g = static_cast<std::uint32_t>(groupKeys_.size());
      index_.insert(h, g);
      groupKeys_.push_back(key);
      groupFirst_.push_back(id);
      groupLast_.push_back(id);
    } else {
      rowNext_[groupLast_[g]] = id;
      groupLast_[g] = id;
    }
    built_.push_back(build.row());
    rowNext_.push_back(KeyIndex::kEnd);
  }
  (buildLeft_ ? *right_ : *left_).open();
  probing_ = false;
}

bool HashJoin::emitFrom(std::uint32_t id) {
  const Row& probe = (buildLeft_ ? *right_ : *left_).row();
  for (; id != KeyIndex::kEnd; id = rowNext_[id]) {
    if (buildLeft_) {
      joinRows(built_[id], &probe, rightWidth_, row_);
    } else {
      joinRows(probe, &built_[id], rightWidth_, row_);
    }
    if (residual_ && !passesOn(*residual_, ctx_, row_)) continue;
    nextMatch_ = rowNext_[id];
    matched_ = true;
    return true;
  }
  nextMatch_ = KeyIndex::kEnd;
  return false;
}

bool HashJoin::next() {
  Operator& probe = buildLeft_ ? *right_ : *left_;
  const std::vector<NodePtr>& probeKeys = buildLeft_ ? rightKeys_ : leftKeys_;
  for (;;) {
    if (probing_) {
      if (!probeNull_ && emitFrom(nextMatch_)) return true;
      probing_ = false;
      if (type_ == JoinType::LeftOuter && !matched_) {
        joinRows(probe.row(), nullptr, rightWidth_, row_);
        return true;
      }
    }
    if (!probe.next()) return false;
    ctx_.charge();
    const RowSpan span(probe.row());
    const EvalEnv env = ctx_.env(span);
    probeNull_ = false;
    for (std::size_t i = 0; i < probeKeys.size(); ++i) {
      probeKey_[i] = probeKeys[i]->evaluate(env);
      probeNull_ = probeNull_ || probeKey_[i].isNull();
    }
    probing_ = true;
    matched_ = false;
    if (!probeNull_) {
      const std::uint32_t g =
          index_.find(hashValues(probeKey_), [&](std::uint32_t id) { return sameKeys(groupKeys_[id], probeKey_); });
      nextMatch_ = g == KeyIndex::kEnd ? KeyIndex::kEnd : groupFirst_[g];
    }
  }
}

std::string HashJoin::describe() const {
  std::string out = type_ == JoinType::LeftOuter ? "Hash left outer join on " : "Hash join on ";
  out += text_;
  out += buildLeft_ ? " (hash table of the first input)" : " (hash table of the second input)";
  return out;
}

}  // namespace jet::sql
