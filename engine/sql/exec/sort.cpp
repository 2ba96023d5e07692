// Sort: rows and key values held, an index array sorted stably.
#include "sql/exec/sort.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "jet/collation.h"
#include "sql/exec/limit.h"

namespace jet::sql {

Sort::Sort(ExecContext& ctx, OperatorPtr input, std::vector<OrderSpec> keys, std::optional<double> top, bool percent,
           std::string text)
    : Operator(ctx, input->width()), input_(std::move(input)), keys_(std::move(keys)), top_(top), percent_(percent),
      text_(std::move(text)) {
  for (const OrderSpec& k : keys_) {
    descending_.push_back(k.descending);
    inRow_.push_back(k.slot.has_value());
    keyAt_.push_back(k.slot ? *k.slot : computedPerRow_++);
  }
}

const Value& Sort::keyOf(std::size_t row, std::size_t key) const {
  return inRow_[key] ? rows_[row * width_ + keyAt_[key]] : computed_[row * computedPerRow_ + keyAt_[key]];
}

void Sort::open() {
  input_->open();
  rows_.clear();
  computed_.clear();
  order_.clear();
  position_ = 0;
  std::size_t count = 0;
  std::size_t width = 0;
  while (input_->next()) {
    const Row& row = input_->row();
    if (count == 0) width = row.size();
    if (computedPerRow_ > 0) {
      const RowSpan span(row);
      const EvalEnv env = ctx_.env(span);
      for (std::size_t i = 0; i < keys_.size(); ++i) {
        if (!inRow_[i]) computed_.push_back(keys_[i].node->evaluate(env));
      }
    }
    rows_.insert(rows_.end(), row.begin(), row.begin() + static_cast<std::ptrdiff_t>(std::min(width, row.size())));
    rows_.resize((count + 1) * width);
    ++count;
  }
  width_ = width;
  row_.resize(width);
  order_.resize(count);
  const std::size_t keep = !top_ ? count : (percent_ ? percentOf(count, *top_) : static_cast<std::size_t>(*top_));
  if (normalize(count)) {
    std::stable_sort(entries_.begin(), entries_.end(),
                     [&](const Entry& a, const Entry& b) { return compareEntries(a, b) < 0; });
    for (std::uint32_t i = 0; i < count; ++i) order_[i] = entries_[i].row;
    limit_ = withTies(count, keep, [&](std::size_t last, std::size_t n) {
      return compareEntries(entries_[last], entries_[n]) == 0;
    });
    entries_ = {};
    arena_ = {};
  } else {
    for (std::uint32_t i = 0; i < order_.size(); ++i) order_[i] = i;
    std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) { return compareRows(a, b) < 0; });
    limit_ = withTies(count, keep, [&](std::size_t last, std::size_t n) { return compareRows(order_[last], order_[n]) == 0; });
  }
  if (!top_) limit_ = count;
  computed_ = {};
}

// Two rows by their key values (the way when their keys are not all of one class).
int Sort::compareRows(std::uint32_t a, std::uint32_t b) const {
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    const Value& x = keyOf(a, i);
    const Value& y = keyOf(b, i);
    int c = 0;
    if (x.kind() == ValueKind::Text && y.kind() == ValueKind::Text) {
      c = compareSortValues(sortValue(x), sortValue(y));
    } else {
      c = compareForSort(x, y);
    }
    if (c != 0) return descending_[i] ? -c : c;
  }
  return 0;
}

// Byte strings compared: the inline prefix first, then the rest; strings
// equal as bytes by the values themselves when doubles could round them.
int Sort::compareEntries(const Entry& a, const Entry& b) const {
  if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
  const std::size_t n = std::min(a.length, b.length);
  const int c = n > 8 ? std::memcmp(arena_.data() + a.offset + 8, arena_.data() + b.offset + 8, n - 8) : 0;
  if (c != 0) return c;
  if (a.length != b.length) return a.length < b.length ? -1 : 1;
  return exact_ ? compareRows(a.row, b.row) : 0;
}

// Byte strings need every key to hold values of one class (a text compared
// with a number is read as a number, which bytes cannot show).
bool Sort::normalize(std::size_t count) {
  const std::size_t k = keys_.size();
  std::vector<int> classes(k, 0);
  exact_ = false;
  for (std::size_t r = 0; r < count; ++r) {
    for (std::size_t i = 0; i < k; ++i) {
      const Value& v = keyOf(r, i);
      exact_ = exact_ || v.kind() == ValueKind::Currency || v.kind() == ValueKind::Decimal;
      const int c = normalizedClass(v);
      if (c == 3 || (c != 0 && classes[i] != 0 && c != classes[i])) return false;
      if (c != 0) classes[i] = c;
    }
  }
  entries_.resize(count);
  arena_.clear();
  SortValue scratch;
  for (std::uint32_t r = 0; r < count; ++r) {
    const std::size_t start = arena_.size();
    for (std::size_t i = 0; i < k; ++i) {
      const Value& v = keyOf(r, i);
      scratch.value = v;
      scratch.textKey.clear();
      if (v.kind() == ValueKind::Text) appendTextSortKey(v.asText(), scratch.textKey);
      if (!appendNormalizedKey(scratch, descending_[i], arena_)) return false;
    }
    if (arena_.size() > 0xFFFFFFFFu) return false;
    Entry e;
    e.offset = static_cast<std::uint32_t>(start);
    e.length = static_cast<std::uint32_t>(arena_.size() - start);
    e.row = r;
    for (std::size_t b = 0; b < 8; ++b) {
      e.prefix = e.prefix << 8 | (b < e.length ? static_cast<unsigned char>(arena_[start + b]) : 0u);
    }
    entries_[r] = e;
  }
  return true;
}

bool Sort::next() {
  if (position_ >= limit_) return false;
  // Each row is given once: its values move out of the array.
  const std::size_t at = std::size_t{order_[position_++]} * width_;
  for (std::size_t i = 0; i < width_; ++i) row_[i] = std::move(rows_[at + i]);
  current_ = &row_;
  return true;
}

std::string Sort::describe() const {
  std::string out = "Sort by " + text_;
  if (top_) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", *top_);
    out += std::string(", first ") + buf + (percent_ ? " percent" : "") + " with ties";
  }
  return out;
}

}  // namespace jet::sql
