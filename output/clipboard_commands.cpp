// Clipboard copies of the current table's values.
#include "output/clipboard_commands.h"

#include "connection/data_set.h"
#include "connection/ui/grid_columns.h"
#include "connection/value_text.h"
#include "output/clipboard_text.h"
#include "ui_services/screen_cursor.h"

namespace qb {

namespace {

std::u16string textOf(const Field& field, const FormatSettings& settings) {
  return fieldText(field.value(), field.dataType(), settings);
}

const Field& selectedField(const DataSet& data, const GridColumns& columns) {
  return data.fieldByName(columns.fieldName(columns.selected()).toStdU16String());
}

}  // namespace

ClipboardText columnText(DataSet& data, const Field& field, const FormatSettings& settings) {
  ClipboardText text;
  const DataSet::Walk walk(data);
  data.first();
  while (!data.eof()) {
    text.addLine(textOf(field, settings));
    data.next();
  }
  return text;
}

ClipboardText rowText(const DataSet& data, const GridColumns& columns, const FormatSettings& settings) {
  ClipboardText text;
  for (int position = 0; position < columns.count(); ++position) {
    text.addLine(textOf(data.fieldByName(columns.fieldName(position).toStdU16String()), settings));
  }
  return text;
}

void copyColumn(DataSet& data, const GridColumns& columns, const FormatSettings& settings) {
  if (!data.active()) return;
  setBusyCursor();
  NormalCursorAtExit normalCursor;
  columnText(data, selectedField(data, columns), settings).putOnClipboard();
}

void copyRow(const DataSet& data, const GridColumns& columns, const FormatSettings& settings) {
  if (!data.active()) return;
  setBusyCursor();
  NormalCursorAtExit normalCursor;
  rowText(data, columns, settings).putOnClipboard();
}

void copyFieldValue(const DataSet& data, const GridColumns& columns, const FormatSettings& settings) {
  if (!data.active()) return;
  ClipboardText text;
  text.addLine(textOf(selectedField(data, columns), settings));
  text.putOnClipboard();
  setNormalCursor();
}

}  // namespace qb
