// Write scopes and the database's transactions.
#include "table/write_scope.h"

#include "catalog/database_impl.h"
#include "jet/error.h"

namespace jet {

void requireWritable(const DatabaseContext& db) {
  if (!db.owner) {
    throw Error(ErrorCode::ReadOnly, "Cannot write to '" + db.fileName + "': the database has been closed");
  }
  if (db.owner->readOnly) {
    throw Error(ErrorCode::ReadOnly,
                "Cannot write to '" + db.fileName + "': the database is read-only (" + db.owner->readOnlyReason + ")");
  }
  if (db.pager->broken()) {
    throw Error(ErrorCode::Io, "Cannot write to '" + db.fileName +
                                   "': an earlier write failed and could not be undone; close the database and open "
                                   "it again to recover it");
  }
}

WriteScope::WriteScope(DatabaseContext& db) : db_(db) {
  requireWritable(db);
  if (db.writeDepth > 0) {
    ++db.writeDepth;
    return;
  }
  if (db.userTransaction) {
    db.pager->beginStatement();
    statement_ = true;
  } else {
    db.pager->beginWrite();
  }
  outermost_ = true;
  ++db.writeDepth;
}

void WriteScope::commit() {
  if (!outermost_) {
    done_ = true;
    return;
  }
  Pager& pager = *db_.pager;
  if (statement_) {
    pager.releaseStatement();
    pager.spillIfNeeded();
  } else {
    pager.commitWrite();
    if (db_.owner) db_.owner->info.pageCount = pager.pageCount();
  }
  done_ = true;
}

WriteScope::~WriteScope() {
  --db_.writeDepth;
  if (!outermost_ || done_) return;
  // Undo, then read the cached state again. Nothing may escape a destructor: a
  // failure to undo leaves the pager broken, which every later write reports.
  Pager& pager = *db_.pager;
  try {
    if (statement_) {
      try {
        pager.rollbackStatement();
      } catch (const Error&) {
        // The statement could not be undone alone: the whole transaction goes.
        db_.userTransaction = false;
        pager.rollbackWrite();
      }
    } else {
      pager.rollbackWrite();
    }
  } catch (const Error&) {
  }
  if (db_.owner) db_.owner->reloadAfterRollback();
}

}  // namespace jet
