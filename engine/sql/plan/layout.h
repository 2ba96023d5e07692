// Layout: which slot of an operator's rows holds which source column (or a
// source's row locator), so expressions can be compiled against any point of
// a plan.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "sql/plan/logical_plan.h"

namespace jet::sql {

class Layout {
 public:
  std::size_t width() const { return width_; }
  void setWidth(std::size_t width) { width_ = width; }
  std::optional<std::size_t> slotOf(ColumnRef ref) const {
    for (const auto& [r, slot] : entries_) {
      if (r == ref) return slot;
    }
    return std::nullopt;
  }
  // A new slot for `ref` at the end.
  std::size_t add(ColumnRef ref) {
    entries_.emplace_back(ref, width_);
    return width_++;
  }
  void map(ColumnRef ref, std::size_t slot) { entries_.emplace_back(ref, slot); }
  // The slots of `right` after these (as a join's rows have them).
  void append(const Layout& right) {
    for (const auto& [r, slot] : right.entries_) entries_.emplace_back(r, slot + width_);
    width_ += right.width_;
  }
  const std::vector<std::pair<ColumnRef, std::size_t>>& entries() const { return entries_; }

 private:
  std::vector<std::pair<ColumnRef, std::size_t>> entries_;
  std::size_t width_ = 0;
};

}  // namespace jet::sql
