// What the browsing controls (grid cells, the record view's boxes, the memo)
// show for a field's value, and whether a person may type it. Binary and OLE
// values are bytes, not text: shown as their characters they are noise, and
// typed over they would be replaced by the typed characters. So these
// controls show a short description ("(OLE Object, 21 KB)", "(Binary, 16
// bytes)") and take no typing there; every other value shows its field's own
// text form. The text forms the export and the clipboard write are not these
// (value_text.h).
#pragma once

#include <QString>
#include <cstddef>

#include "connection/field_def.h"

namespace jet {
class Value;
}

namespace qb {

class Field;

// Binary columns: fixed and variable binary, and long binary (OLE objects).
// Controls show their values described and take no typing.
bool isBinaryFieldType(TFieldType type) noexcept;

// "(OLE Object, 21 KB)" for a long binary field, "(Binary, 16 bytes)" for the
// others: sizes below 1 KB in bytes, below 1 MB in whole KB (rounded), from
// there on in MB with one decimal.
QString binaryDescription(TFieldType type, std::size_t bytes);

// The description of a binary value; "" for Null.
QString describeBinaryValue(const jet::Value& value, TFieldType type);

// The field's value in the current record as a control shows it: the
// description for a binary field, otherwise the field's own text form.
QString displayText(const Field& field);

}  // namespace qb
