// qbtool queries: every saved query as an SQL comment line with its name and
// kind, followed by its SQL text and a blank line.
#include "commands.h"

namespace qbtool {

int runQueries(const Arguments& args, OutputBuffer& out) {
  const auto db = openDatabase(args);
  for (const jet::SavedQuery& query : db->savedQueries()) {
    out.write("-- ");
    writeText(out, query.name);
    out.write(": ");
    out.write(jet::queryKindName(query.kind));
    if (query.kind == jet::QueryKind::Unknown) out.write(" (its definition cannot be read)");
    out.put('\n');
    if (!query.sql.empty()) {
      writeText(out, query.sql);
      out.put('\n');
    }
    out.put('\n');
  }
  return 0;
}

}  // namespace qbtool
