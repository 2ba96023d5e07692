// Sort: the whole input in the order of its keys, equal keys keeping their
// input order. With a row count (TOP n after a sort that must see every row,
// or TOP n PERCENT) it gives that many rows and every row after them whose
// keys equal the last one's, as Jet's TOP keeps ties.
//
// Keys are compared as byte strings made once per row (texts' sort keys,
// numbers' bits), most comparisons on their first 8 bytes, kept in the sort's
// own array.
//
// Memory: every input row is held, its values in one array (48 bytes a value,
// text and memo contents besides), keys that are not values of the row too,
// plus about 40 bytes a row for its key bytes and place in the order.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sql/exec/operator.h"
#include "sql/exec/row_order.h"

namespace jet::sql {

struct OrderSpec {
  NodePtr node;  // the key, over the input row
  bool descending = false;
  std::optional<std::size_t> slot;  // the key is this value of the row (then not held twice)
};

class Sort final : public Operator {
 public:
  // `top`: keep that many rows (and ties), or that percentage when `percent`.
  Sort(ExecContext& ctx, OperatorPtr input, std::vector<OrderSpec> keys, std::optional<double> top, bool percent,
       std::string text);
  void open() override;
  bool next() override;
  std::string describe() const override;
  std::vector<const Operator*> inputs() const override { return {input_.get()}; }

 private:
  OperatorPtr input_;
  std::vector<OrderSpec> keys_;
  std::vector<bool> descending_;
  std::optional<double> top_;
  bool percent_;
  std::string text_;
  const Value& keyOf(std::size_t row, std::size_t key) const;

  std::vector<Value> rows_;       // width_ values per row
  std::vector<Value> computed_;   // per row, the keys that are not row slots
  std::vector<std::size_t> keyAt_;  // where key i is: a row slot, or an index into computed_ ...
  std::vector<bool> inRow_;         // ... as this says
  std::size_t computedPerRow_ = 0;
  // With normalized keys: each row's keys as one byte string in `arena_`,
  // its first 8 bytes in the entry itself.
  struct Entry {
    std::uint64_t prefix = 0;
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    std::uint32_t row = 0;
  };
  bool normalize(std::size_t count);
  int compareEntries(const Entry& a, const Entry& b) const;
  int compareRows(std::uint32_t a, std::uint32_t b) const;
  std::vector<Entry> entries_;
  std::string arena_;
  bool exact_ = false;  // keys hold Currency or Decimal values, which doubles may round
  std::vector<std::uint32_t> order_;
  Row row_;
  std::size_t limit_ = 0;
  std::size_t position_ = 0;
};

// How many of `count` sorted rows TOP keeps with its ties: `keep` rows, then
// those equal to the last kept by `same`.
template <typename Same>
std::size_t withTies(std::size_t count, std::size_t keep, Same same) {
  if (keep == 0) return 0;
  if (keep >= count) return count;
  std::size_t n = keep;
  while (n < count && same(keep - 1, n)) ++n;
  return n;
}

}  // namespace jet::sql
