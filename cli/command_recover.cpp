// qbtool recover: undoes a write that a crashed program left unfinished (or
// sets aside a journal that does not belong to the file) and says what it did.
// Every opener that can write does this by itself; the command does it on
// purpose, and fails where the file cannot be written.
#include "commands.h"
#include "jet/error.h"
#include "jet/text.h"

namespace qbtool {

int runRecover(const Arguments& args, OutputBuffer& out) {
  const std::string& path = args.operands().at(0);
  jet::OpenOptions options;
  if (auto password = args.value("--password")) options.password = jet::fromUtf8(*password);
  const auto db = jet::Database::open(path, options);
  std::vector<std::string> notices = db->takeNotices();
  if (db->isReadOnly()) {
    const bool pending = db->showsStateBeforeInterruptedWrite();
    throw jet::Error(jet::ErrorCode::ReadOnly,
                     "Cannot recover '" + path + "': the file cannot be written here (" + db->readOnlyReason() + ")" +
                         (pending ? "; its interrupted write was left as it is, with its journal" : ""));
  }
  if (notices.empty()) {
    out.write(path + ": nothing to recover (no write to it was left unfinished)\n");
    return 0;
  }
  for (const std::string& notice : notices) out.write(notice + "\n");
  return 0;
}

}  // namespace qbtool
