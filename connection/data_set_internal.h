// Parts of DataSet private to its implementation files: the row cache and the
// Notifier, which gathers the changes of one operation and tells the observers
// about each kind once when the outermost operation ends.
#pragma once

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <vector>

#include "connection/data_set.h"

namespace qb {

// Rows kept decoded for display; the cache starts over when it is full.
inline constexpr std::size_t kCachedRows = 1024;

struct DataSet::Cache {
  std::unordered_map<std::uint32_t, std::vector<jet::Value>> rows;
};

// Changes an operation flags explicitly; the others (open/close, state,
// current record) are found by comparing before and after.
enum DataSetChange : unsigned {
  kFieldsChanged = 1,
  kDataChanged = 2,
};

// One operation's notifications: what the dataset looked like when the
// outermost operation began, and what it flagged; observers hear about each
// kind of change once, when that operation ends.
class DataSet::Notifier {
 public:
  explicit Notifier(DataSet& dataSet) : dataSet_(dataSet), outer_(dataSet.notifier_ == nullptr) {
    if (!outer_) return;
    dataSet_.notifier_ = this;
    before_ = snapshot();
  }

  ~Notifier() {
    if (!outer_) return;
    dataSet_.notifier_ = nullptr;
    try {
      flush();
    } catch (...) {
      // Observers must not throw; one that does cannot stop the operation.
    }
  }

  Notifier(const Notifier&) = delete;
  Notifier& operator=(const Notifier&) = delete;

  void flag(unsigned change) { changes_ |= change; }

 private:
  struct Snapshot {
    bool active = false;
    DataSetState state = DataSetState::Inactive;
    std::optional<std::size_t> row;
    std::uint32_t record = 0;
    bool newRecord = false;
    bool bof = true;
    bool eof = true;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
  };

  Snapshot snapshot() const {
    Snapshot s;
    s.active = dataSet_.active();
    s.state = dataSet_.state_;
    s.row = dataSet_.currentRow();
    s.newRecord = dataSet_.state_ == DataSetState::Insert;
    if (!s.newRecord && dataSet_.position_) s.record = dataSet_.view()[*dataSet_.position_].value;
    s.bof = dataSet_.bof_;
    s.eof = dataSet_.eof_;
    return s;
  }

  void flush() {
    const Snapshot after = snapshot();
    DataSet& d = dataSet_;
    if (after.active != before_.active) {
      d.tellObservers([&](DataSetObserver& o) { o.activeChanged(d); });
      return;
    }
    if (!after.active) return;
    if ((changes_ & kFieldsChanged) != 0) d.tellObservers([&](DataSetObserver& o) { o.fieldListChanged(d); });
    if (after.state != before_.state) d.tellObservers([&](DataSetObserver& o) { o.stateChanged(d); });
    if ((changes_ & kDataChanged) != 0) d.tellObservers([&](DataSetObserver& o) { o.dataChanged(d); });
    Snapshot movedBefore = before_;
    movedBefore.state = after.state;
    movedBefore.active = after.active;
    if (!(movedBefore == after)) d.tellObservers([&](DataSetObserver& o) { o.recordMoved(d); });
  }

  DataSet& dataSet_;
  bool outer_;
  Snapshot before_;
  unsigned changes_ = 0;
};

}  // namespace qb
