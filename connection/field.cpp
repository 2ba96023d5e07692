// Field: values of the current record, read and set, and their text forms.
#include "connection/field.h"

#include "connection/data_set.h"
#include "connection/value_text.h"
#include "jet/error.h"
#include "jet/text.h"

namespace qb {

Field::Field(DataSet& dataSet, FieldDef def, std::size_t index)
    : dataSet_(dataSet), def_(std::move(def)), index_(index) {}

jet::Value Field::value() const {
  return dataSet_.currentValue(*this);
}

void Field::setValue(jet::Value value) {
  dataSet_.setBufferValue(*this, std::move(value));
}

std::u16string Field::text() const {
  return fieldText(value(), def_.dataType, dataSet_.formatSettings());
}

std::u16string Field::csvText() const {
  return qb::csvText(value(), def_.dataType, dataSet_.formatSettings());
}

void Field::setText(std::u16string_view text) {
  dataSet_.checkEditing();
  if (text.empty()) {
    setValue(jet::Value());
    return;
  }
  switch (def_.columnType) {
    case jet::DataType::Text:
    case jet::DataType::Memo:
      setValue(jet::Value::text(std::u16string(text)));
      return;
    case jet::DataType::Binary:
    case jet::DataType::Ole:
    case jet::DataType::Unknown0D:
    case jet::DataType::Unknown11:
      setValue(jet::Value::binary(textAsBytes(text)));
      return;
    default:
      break;
  }
  std::optional<jet::Value> converted = valueFromUserText(text, def_.columnType, dataSet_.formatSettings());
  if (!converted) {
    throw jet::Error(
        jet::ErrorCode::InvalidArgument,
        "'" + jet::toUtf8(text) + "' is not a valid value for field '" + jet::toUtf8(def_.name) + "'");
  }
  setValue(std::move(*converted));
}

}  // namespace qb
