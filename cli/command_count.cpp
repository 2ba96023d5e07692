// qbtool count: the number of rows present in a table, found by walking its
// data pages (the count stored in the definition can be stale).
#include "commands.h"
#include "jet/table.h"

namespace qbtool {

int runCount(const Arguments& args, OutputBuffer& out) {
  const auto db = openDatabase(args);
  const auto table = openTable(*db, args.operands().at(1));
  out.write(std::to_string(table->rowIds().size()));
  out.put('\n');
  return 0;
}

}  // namespace qbtool
