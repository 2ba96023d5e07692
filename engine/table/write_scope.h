// One engine write — a row insert, update or delete, a schema change — happens
// inside a WriteScope and lands whole or not at all. Without an open
// transaction the scope is a transaction of its own (journaled, committed at
// the end); inside a transaction it is a statement that, should it fail, is
// undone alone. A scope opened while another is open joins it: only the
// outermost one commits or undoes. Whatever is undone, the cached state of the
// database and its tables (catalog, definitions, counters) is read again.
//
//   WriteScope scope(*db);   // throws ReadOnly when the database cannot be written
//   ... change pages ...
//   scope.commit();          // an exception before this undoes everything
#pragma once

#include "table/database_context.h"

namespace jet {

class WriteScope {
 public:
  explicit WriteScope(DatabaseContext& db);
  ~WriteScope();
  WriteScope(const WriteScope&) = delete;
  WriteScope& operator=(const WriteScope&) = delete;

  void commit();

 private:
  DatabaseContext& db_;
  bool outermost_ = false;
  bool statement_ = false;
  bool done_ = false;
};

// Throws ReadOnly (with the reason) when the database cannot be written.
void requireWritable(const DatabaseContext& db);

}  // namespace jet
