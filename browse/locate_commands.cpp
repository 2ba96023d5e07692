// Search Value and Goto Column.
#include "browse/locate_commands.h"

#include <QScopeGuard>

#include "browse/goto_column_dialog.h"
#include "browse/locate_dialog.h"
#include "connection/ui/grid_columns.h"
#include "ui_services/prompts.h"
#include "ui_services/screen_cursor.h"

namespace qb {

namespace {

char16_t foldAsciiCase(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

}  // namespace

void searchValue(TfrmSearch& dialog, DataSet& data, const GridColumns& columns, Prompts& prompts) {
  dialog.setSubject(&data, &columns);
  const auto forget = qScopeGuard([&] { dialog.setSubject(nullptr, nullptr); });
  prompts.execModal(dialog);
}

void gotoColumn(TfrmSelectField& dialog, GridColumns& columns, Prompts& prompts) {
  dialog.setColumns(&columns);
  const auto forget = qScopeGuard([&] { dialog.setColumns(nullptr); });
  prompts.execModal(dialog);
}

QStringList fieldNamesOf(const DataSet& data) {
  QStringList names;
  for (std::size_t i = 0; i < data.fieldCount(); ++i) {
    names.append(QString::fromStdU16String(data.field(i).fieldName()));
  }
  return names;
}

bool locateRecord(DataSet& data, const QString& field, const QString& value, LocateOptions options) {
  setBusyCursor();
  const NormalCursorAtExit restore;
  return data.locate(field.toStdU16String(), value.toStdU16String(), options);
}

bool sameTitle(const QString& a, const QString& b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (foldAsciiCase(a[i].unicode()) != foldAsciiCase(b[i].unicode())) return false;
  }
  return true;
}

bool moveToColumnTitled(GridColumns& columns, const QString& title) {
  bool found = false;
  for (int i = 0; i < columns.count(); ++i) {
    const QString name = columns.fieldName(i);
    if (name.isEmpty() || !sameTitle(name, title)) continue;
    columns.select(i);
    found = true;
  }
  return found;
}

}  // namespace qb
