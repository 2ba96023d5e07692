// CommitWatch: counting the commits one opener of a file knows of.
#include "connection/commit_watch.h"

#include "jet/database.h"

namespace qb {

CommitWatch::CommitWatch(jet::Database& database) : database_(database), seen_(commitsKnown()) {}

std::uint64_t CommitWatch::commitsKnown() const {
  // The commits of this opener are the ones that took its commit lock; a
  // write refused before it touched the file takes none.
  return database_.changesByOthers() + database_.lockStats().commits;
}

bool CommitWatch::changed() {
  database_.followChanges();
  const std::uint64_t now = commitsKnown();
  const bool changed = now != seen_;
  seen_ = now;
  return changed;
}

CommitWatch::OwnWrite::OwnWrite(CommitWatch& watch)
    : watch_(watch), ownCommitsBefore_(watch.database_.lockStats().commits) {}

CommitWatch::OwnWrite::~OwnWrite() {
  watch_.seen_ += watch_.database_.lockStats().commits - ownCommitsBefore_;
}

}  // namespace qb
