// CSV export of the current table.
#include "output/export_commands.h"

#include <QFile>

#include "connection/data_set.h"
#include "connection/ui/grid_columns.h"
#include "connection/value_text.h"
#include "output/csv_lines.h"
#include "output/export_file.h"
#include "ui_services/file_dialog.h"
#include "ui_services/prompts.h"
#include "ui_services/screen_cursor.h"

namespace qb {

void writeCsvRecords(DataSet& data, std::span<const Field* const> fields, const FormatSettings& settings,
                     ExportFile& file) {
  std::vector<std::u16string> values(fields.size());
  std::u16string line;
  while (!data.eof()) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      values[i] = csvText(fields[i]->value(), fields[i]->dataType(), settings);
    }
    file.writeLine(csvLine(values, line));
    data.next();
  }
}

void exportToCsv(DataSet& data, const GridColumns& columns, FileDialog& saveDialog, Prompts& prompts,
                 const FormatSettings& settings) {
  const std::optional<QString> chosen = saveDialog.execute(prompts);
  if (!chosen) return;
  {
    ExportFile file(QFile::encodeName(*chosen).toStdString());
    const DataSet::Walk walk(data);
    data.first();
    setBusyCursor();
    // Also when an error ends the export: the cursor comes back and the file
    // is closed with the lines written so far.
    NormalCursorAtExit normalCursor;
    writeCsvRecords(data, visibleFields(data, columns), settings, file);
    file.close();
  }
  prompts.messageBox(QStringLiteral("Export Complete"));
}

}  // namespace qb
