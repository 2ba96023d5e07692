// TopN: the first n rows in the order of the keys (and the rows whose keys
// equal the n-th row's, as Jet's TOP keeps ties) with a bounded heap: memory
// for n rows and their ties, however long the input.
#pragma once

#include <string>
#include <vector>

#include "sql/exec/sort.h"

namespace jet::sql {

class TopN final : public Operator {
 public:
  TopN(ExecContext& ctx, OperatorPtr input, std::vector<OrderSpec> keys, std::size_t n, std::string text);
  void open() override;
  bool next() override;
  std::string describe() const override;
  std::vector<const Operator*> inputs() const override { return {input_.get()}; }

 private:
  struct Entry {
    Row keys;
    Row row;
    std::uint64_t sequence = 0;
  };
  int compare(const Entry& a, const Entry& b) const;  // keys, then input order

  OperatorPtr input_;
  std::vector<OrderSpec> keys_;
  std::vector<bool> descending_;
  std::size_t n_;
  std::string text_;
  std::vector<Entry> heap_;  // the n best so far; the worst of them on top
  std::vector<Entry> ties_;  // rows after them with the worst one's keys
  std::vector<Entry> result_;
  std::size_t position_ = 0;
};

}  // namespace jet::sql
