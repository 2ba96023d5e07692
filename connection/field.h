// Field: one column of an open dataset, as seen through its current record.
// Fields exist while the dataset is open; the dataset owns them and destroys
// them when it closes (observers hear activeChanged first).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "connection/field_def.h"
#include "jet/value.h"

namespace qb {

class DataSet;

class Field {
 public:
  Field(DataSet& dataSet, FieldDef def, std::size_t index);
  Field(const Field&) = delete;
  Field& operator=(const Field&) = delete;

  DataSet& dataSet() const { return dataSet_; }
  const FieldDef& def() const { return def_; }

  const std::u16string& fieldName() const { return def_.name; }
  TFieldType dataType() const { return def_.dataType; }
  int size() const { return def_.size; }
  // Position of the field's definition, from 1 (does not follow moveField).
  int fieldNo() const { return def_.fieldNo; }
  // Position in the dataset's field list, from 0 (follows moveField).
  std::size_t index() const { return index_; }
  // Characters the values need on screen (see displayWidthOf).
  int displayWidth() const { return displayWidthOf(def_.dataType, def_.size); }
  // Numbers are shown and printed right-aligned, everything else left-aligned.
  bool alignRight() const { return isNumericFieldType(def_.dataType); }
  // The engine fills an autonumber itself, and a query computes its computed
  // columns; setting either is refused.
  bool readOnly() const { return def_.autoIncrement || def_.computed; }
  bool required() const { return def_.required; }

  // The value in the current record: the edit buffer while editing or
  // inserting, Null on an empty dataset.
  jet::Value value() const;
  bool isNull() const { return value().isNull(); }

  // Sets the value in the record being edited or inserted (the engine converts
  // it to the column's type when the record is saved). Errors (jet::Error,
  // prefixed with the dataset's name): "Dataset not in edit or insert mode"
  // outside those states, "Field 'X' cannot be modified" for an autonumber or
  // a computed column.
  void setValue(jet::Value value);
  void clear() { setValue(jet::Value()); }

  // The field's own text form of the current value (value_text.h), with the
  // dataset's format settings. Used for display and the clipboard.
  std::u16string text() const;
  // Sets the value from text typed by a person: "" is Null; text and memo
  // fields take the text as it is; binary fields take its characters as
  // bytes; other types convert as a person would type them (valueFromUserText:
  // numbers with the user's decimal separator, dates in the order of the short
  // date pattern). A text that does not convert fails with
  // "'abc' is not a valid value for field 'Qty'" (no prefix).
  void setText(std::u16string_view text);

  // The general conversion of the current value (value_text.h): the text the
  // CSV export writes. Throws for binary fields holding a value.
  std::u16string csvText() const;

 private:
  friend class DataSet;
  DataSet& dataSet_;
  FieldDef def_;
  std::size_t index_;
};

}  // namespace qb
