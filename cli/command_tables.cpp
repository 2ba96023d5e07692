// qbtool tables: the names a user can open, in the program's order.
#include "commands.h"

namespace qbtool {

namespace {

std::string_view kindLabel(jet::TableKind kind) {
  switch (kind) {
    case jet::TableKind::SystemTable: return "SYSTEM TABLE";
    case jet::TableKind::Table: return "TABLE";
    case jet::TableKind::View: return "VIEW";
  }
  return "";
}

}  // namespace

int runTables(const Arguments& args, OutputBuffer& out) {
  const auto db = openDatabase(args);
  const bool withKind = args.has("--long") || args.has("-l");
  for (const jet::TableListEntry& entry : db->listTables(args.has("--system"))) {
    if (withKind) {
      out.write(kindLabel(entry.kind));
      out.put('\t');
    }
    writeText(out, entry.name);
    out.put('\n');
  }
  return 0;
}

}  // namespace qbtool
