// qbtool create: a new, blank database file (never over an existing one).
#include "commands.h"
#include "jet/text.h"

namespace qbtool {

int runCreate(const Arguments& args, OutputBuffer& out) {
  const std::string& path = args.operands().at(0);
  jet::CreateOptions options;
  if (auto password = args.value("--password")) options.password = jet::fromUtf8(*password);
  jet::Database::create(path, options);
  out.write("database '" + path + "' created\n");
  return 0;
}

}  // namespace qbtool
