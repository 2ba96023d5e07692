// The database an INSERT INTO or SELECT ... INTO writes to: the one the
// statement runs in, or the file its IN 'other.mdb' clause names. A relative
// name is taken from the folder of the statement's own database. The other
// file is opened
// for writing when the statement is prepared and kept open while the
// statement lives; its rows land in one transaction of their own, so a
// refused row leaves that file as it was.
#pragma once

#include <memory>
#include <string>

#include "jet/database.h"

namespace jet::sql {

class TargetDatabase {
 public:
  // `file` empty (or naming the statement's own database): writes go to `db`.
  // NotFound when the file does not exist, ReadOnly when it cannot be
  // written, the opening error otherwise; each names the file.
  TargetDatabase(Database& db, const std::u16string& file, std::size_t position);

  Database& get() const { return *target_; }
  bool isOther() const { return other_ != nullptr; }

  // Runs `write` so that what it writes to the target lands whole or not at
  // all. In the statement's own database the statement's write scope already
  // does that; another database gets a transaction of its own.
  template <typename Write>
  auto write(Write&& write) const {
    if (!other_) return write();
    other_->beginTransaction();
    try {
      auto result = write();
      other_->commitTransaction();
      return result;
    } catch (...) {
      if (other_->inTransaction()) other_->rollbackTransaction();
      throw;
    }
  }

 private:
  std::unique_ptr<Database> other_;
  Database* target_;
};

}  // namespace jet::sql
