// DataSetObserver: what the windows bound to a dataset (grid, navigators,
// record view, memo window) are told when it changes.
//
// A dataset operation tells each observer about each kind of change at most
// once, after the operation has finished (also when it ended with an error
// after changing something), in this order: activeChanged, fieldListChanged,
// stateChanged, dataChanged, recordMoved. fieldValueChanged comes at once, as
// each value is set. When the dataset opens or closes, only activeChanged is
// sent: everything else is new then.
//
//   operation                      events
//   open, close                    activeChanged
//   moveField                      fieldListChanged
//   first/previous/next/last,      recordMoved, when the current record or the
//   moveTo, locate (found)         bof/eof flags changed; plus what the move
//                                  rule did (save: stateChanged + dataChanged;
//                                  dropping a record: stateChanged, dataChanged
//                                  for a new record)
//   insert, append                 stateChanged, dataChanged (the new row),
//                                  recordMoved
//   edit                           stateChanged
//   setting a field value          fieldValueChanged
//   save                           stateChanged, dataChanged
//   cancel                         stateChanged, dataChanged (values shown
//                                  revert); recordMoved when a new record went
//   deleteRecord                   dataChanged, recordMoved (stateChanged when
//                                  an edit was dropped)
//   filter or sort change          dataChanged, recordMoved (plus what
//                                  finishing an edit did)
//   the end of a walk              walkEnded (see DataSet::Walk): moves made
//                                  during a walk came with walking() true
//
// Observers must not throw. They may read the dataset from inside a callback
// but must not change it there.
#pragma once

namespace qb {

class DataSet;
class Field;

class DataSetObserver {
 public:
  virtual ~DataSetObserver() = default;

  // The dataset opened or closed. Field references taken before are invalid.
  virtual void activeChanged(DataSet& dataSet) { (void)dataSet; }
  // The field list changed (order or members). Field references stay valid.
  virtual void fieldListChanged(DataSet& dataSet) { (void)dataSet; }
  // The state (browse, edit, insert) changed.
  virtual void stateChanged(DataSet& dataSet) { (void)dataSet; }
  // Rows of the view changed: added, removed, reordered or rewritten.
  virtual void dataChanged(DataSet& dataSet) { (void)dataSet; }
  // Another record is current, or the bof/eof flags changed. During a walk
  // (dataSet.walking()) an observer may only note the move and show the
  // record once the walk has ended.
  virtual void recordMoved(DataSet& dataSet) { (void)dataSet; }
  // A walk over the records ended; the current record is where it stopped.
  virtual void walkEnded(DataSet& dataSet) { (void)dataSet; }
  // A value of the record being edited changed.
  virtual void fieldValueChanged(DataSet& dataSet, Field& field) {
    (void)dataSet;
    (void)field;
  }
  // The record being edited is about to be saved or dropped: an observer that
  // holds typed text not yet given to its field gives it now (by setting the
  // field). Sent by save and by every step that finishes an edit.
  virtual void writePendingInput(DataSet& dataSet) { (void)dataSet; }
};

}  // namespace qb
