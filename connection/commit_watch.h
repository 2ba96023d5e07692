// CommitWatch: whether the database changed since a row source last looked —
// a commit of another program on the same file, or one made through another
// object of this program (a second dataset on the same table, a statement of
// the query window, a table created or dropped). A source's own writes do not
// count as changes it has to follow.
#pragma once

#include <cstdint>

namespace jet {
class Database;
}

namespace qb {

class CommitWatch {
 public:
  explicit CommitWatch(jet::Database& database);

  // Looks for other programs' commits (a read of the file's commit stamp),
  // then answers whether any commit, theirs or this program's, came since
  // the last look.
  bool changed();

  // Around a write of the watcher's own: the commits it makes are taken as
  // seen; what others committed before or during it still counts.
  class OwnWrite {
   public:
    explicit OwnWrite(CommitWatch& watch);
    ~OwnWrite();
    OwnWrite(const OwnWrite&) = delete;
    OwnWrite& operator=(const OwnWrite&) = delete;

   private:
    CommitWatch& watch_;
    std::uint64_t ownCommitsBefore_;
  };

 private:
  // Every commit this opener knows of: other programs' it noticed and its own.
  std::uint64_t commitsKnown() const;

  jet::Database& database_;
  std::uint64_t seen_;
};

}  // namespace qb
