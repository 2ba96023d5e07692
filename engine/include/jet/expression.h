// Expressions over a table's rows in the Access (Jet) dialect, and what the
// data-access layer builds from them: dataset filters and sort orders. (The
// typed values Locate searches for come from jet/value_text.h.)
//
// Text is compared without regard to case; Null follows Jet's three-valued
// logic (a comparison with Null is Null, a filter passes a row only when its
// expression is True). Numbers promote as Jet's variant arithmetic does: an
// integer result that overflows its type widens (Byte -> Integer -> Long ->
// Double); Currency and Decimal results that overflow raise an "Overflow" error.
//
// Errors are jet::Error: ErrorCode::Syntax for texts that do not parse or name
// something unknown, ErrorCode::InvalidArgument for values that do not fit
// (type mismatch, division by zero, overflow). Messages end with where it
// happened: "Unknown field 'Sate' in filter at position 1" (1-based character
// position in the text).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/value.h"
#include "jet/value_text.h"

namespace jet {

// A column an expression may name: matched without regard to case.
struct ExpressionColumn {
  std::u16string name;
  DataType type = DataType::Text;
};

// The row an expression is evaluated on: the value of each column by position
// in the column list the expression was bound to.
class RowValues {
 public:
  virtual ~RowValues() = default;
  virtual const Value& value(std::size_t column) const = 0;
};

// RowValues over values held in order, e.g. a row read with Table::readRow.
class RowSpan final : public RowValues {
 public:
  explicit RowSpan(std::span<const Value> values) : values_(values) {}
  const Value& value(std::size_t column) const override { return values_[column]; }

 private:
  std::span<const Value> values_;
};

struct ExpressionOptions {
  // Now(), Date() and Time() read this clock; when empty, the local time of day.
  std::function<DateTime()> clock;
};

// A parsed and bound expression, evaluated for one row at a time. Copies share
// the compiled form; evaluation does not change it.
class Expression {
 public:
  // Parses `text` and binds its names against `columns`. Throws jet::Error.
  static Expression parse(std::u16string_view text, std::span<const ExpressionColumn> columns = {},
                          ExpressionOptions options = {});

  Value evaluate(const RowValues& row) const;
  Value evaluate() const;  // for expressions that name no column

  // The compiled form (private to the engine).
  struct Compiled;

 private:
  explicit Expression(std::shared_ptr<const Compiled> compiled) : compiled_(std::move(compiled)) {}
  std::shared_ptr<const Compiled> compiled_;
  friend class Filter;
};

// A dataset filter: the expression dialect plus BLANK (an empty value: Null, or
// for text also ""), where "Field = BLANK" and "Field = Null" select empty values
// and "Field <> BLANK" / "Field <> Null" the others. Text literals compared with a
// number, date, Boolean or GUID field are converted to the field's type when the
// filter is bound, so evaluation does no conversion work per row.
class Filter {
 public:
  Filter() = default;  // the empty filter: every row passes

  // An empty or all-blank `text` gives the empty filter. Throws jet::Error:
  // "Unknown field 'Sate' in filter at position 1".
  static Filter parse(std::u16string_view text, std::span<const ExpressionColumn> columns,
                      ExpressionOptions options = {});

  bool isEmpty() const { return !compiled_; }
  // True when the expression is True for the row (Null and False do not pass).
  // Throws jet::Error for a value the expression cannot work with.
  bool matches(const RowValues& row) const;
  // Columns the expression reads, ascending (empty for the empty filter).
  const std::vector<std::size_t>& columnsUsed() const;

 private:
  std::shared_ptr<const Expression::Compiled> compiled_;
};

struct SortKey {
  std::size_t column = 0;
  bool descending = false;
  friend bool operator==(const SortKey&, const SortKey&) = default;
};

// Parses a dataset sort: "Field [ASC|DESC], ..." with names bare or in brackets
// and ASC/DESC in any case. An empty or all-blank text is the natural order (no
// keys). Throws jet::Error (Syntax): "Unknown field 'Nmae' in sort at position 1".
std::vector<SortKey> parseSort(std::u16string_view text, std::span<const ExpressionColumn> columns);

}  // namespace jet
