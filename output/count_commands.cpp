// Record count, visual count and record size.
#include "output/count_commands.h"

#include "connection/data_set.h"
#include "ui_services/prompts.h"
#include "ui_services/screen_cursor.h"

namespace qb {

std::size_t visualCount(DataSet& data) {
  std::size_t count = 0;
  const DataSet::Walk walk(data);
  data.first();
  while (!data.eof()) {
    ++count;
    data.next();
  }
  data.first();
  return count;
}

void showRecordCount(const DataSet& data, Prompts& prompts) {
  prompts.messageBox(QStringLiteral("Count: ") + QString::number(data.recordCount()));
}

void showVisualCount(DataSet& data, Prompts& prompts) {
  std::size_t count = 0;
  {
    setBusyCursor();
    NormalCursorAtExit normalCursor;
    count = visualCount(data);
  }
  prompts.messageBox(QStringLiteral("Count=") + QString::number(count));
}

void showRecordSize(const DataSet& data, Prompts& prompts) {
  prompts.messageBox(QStringLiteral("Size: ") + QString::number(data.recordSize()));
}

}  // namespace qb
