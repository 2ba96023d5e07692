// Data links: how controls show a dataset. A DataSource stands between one
// dataset and the controls bound to it (the grid, a record navigator, a
// data-bound box or memo); each control holds a DataLink to a DataSource.
// The source observes its dataset and passes every change on to its links,
// so a control never registers with a dataset itself and follows the source
// when it is bound to another dataset.
//
//   dataset ──observer──> DataSource ──> DataLink (grid)
//                                    ──> DataLink (navigator)
//                                    ──> DataLink (record view box) ...
//
// Either side may go first: a source that goes away leaves its links unbound,
// a link that goes away leaves its source.
//
// While the dataset is walked (DataSet::Walk: an export, a printout), the
// source notes each move and tells its links once, when the walk ends, so
// that a walk over a million records does not scroll the grid a million
// times; the controls then show the record the walk stopped at.
#pragma once

#include <exception>
#include <vector>

#include "connection/data_set_observer.h"

namespace qb {
class DataSet;
class Field;
}  // namespace qb

class DataLink;

class DataSource final : private qb::DataSetObserver {
 public:
  DataSource() = default;
  ~DataSource() override;
  DataSource(const DataSource&) = delete;
  DataSource& operator=(const DataSource&) = delete;

  // The dataset shown (not owned; null: none). Binding another one tells every
  // link activeChanged, as if the dataset had opened or closed; binding the
  // same one again changes nothing.
  qb::DataSet* dataSet() const { return dataSet_; }
  void setDataSet(qb::DataSet* dataSet);

  // The first error a link raised while being told about a change, since the
  // last call; null when there was none. A link that cannot follow a change
  // (a box bound to a field the newly opened table lacks) raises its error
  // into the source rather than into the dataset, which must not see it; the
  // command that made the change takes it from here and reports it.
  std::exception_ptr takeLinkError();

 private:
  friend class DataLink;

  void attach(DataLink* link);
  void detach(DataLink* link);

  // Calls `tell` on every link still attached, keeping the first error.
  template <class Tell>
  void tellLinks(Tell tell);

  void activeChanged(qb::DataSet& dataSet) override;
  void fieldListChanged(qb::DataSet& dataSet) override;
  void stateChanged(qb::DataSet& dataSet) override;
  void dataChanged(qb::DataSet& dataSet) override;
  void recordMoved(qb::DataSet& dataSet) override;
  void walkEnded(qb::DataSet& dataSet) override;
  void fieldValueChanged(qb::DataSet& dataSet, qb::Field& field) override;
  void writePendingInput(qb::DataSet& dataSet) override;

  qb::DataSet* dataSet_ = nullptr;
  std::vector<DataLink*> links_;
  std::exception_ptr linkError_;
  bool movedInWalk_ = false;  // a move came during a walk and is not passed on yet
};

// The control's side of a binding. A control derives from DataLink (or holds
// one) and overrides the changes it shows. Each call but writePendingInput
// comes after the dataset operation has finished, once per kind of change, in
// the dataset observer's order (see data_set_observer.h); read the dataset
// through dataSet().
class DataLink {
 public:
  DataLink() = default;
  virtual ~DataLink();
  DataLink(const DataLink&) = delete;
  DataLink& operator=(const DataLink&) = delete;

  // The source this control is bound to (not owned; null: unbound). Binding
  // another source tells the control activeChanged.
  DataSource* dataSource() const { return source_; }
  void setDataSource(DataSource* source);

  // The dataset behind the source, or null.
  qb::DataSet* dataSet() const;
  // Whether the dataset behind the source is open.
  bool linkActive() const;

  // The dataset opened or closed, or the source now shows another dataset
  // (or none): everything shown is new. Field references are invalid.
  virtual void activeChanged() {}
  // The field list changed order or members.
  virtual void fieldListChanged() {}
  // The state (browse, edit, insert) changed.
  virtual void stateChanged() {}
  // Rows were added, removed, reordered or rewritten (the dataset's
  // dataChanged; named apart from the item views' function of that name).
  virtual void rowsChanged() {}
  // Another record is current, or the bof/eof flags changed.
  virtual void recordMoved() {}
  // A value of the record being edited changed.
  virtual void fieldValueChanged(qb::Field& field) { (void)field; }
  // The one call made in the middle of an operation: the record being edited
  // is about to be saved or dropped, and a control holding typed text gives
  // it to its field now. A text the field refuses may throw: the operation (a
  // save, a move) then stops with that error before anything changed. The
  // other calls must not throw to the dataset; what they raise is kept by the
  // source (takeLinkError).
  virtual void writePendingInput() {}

 private:
  friend class DataSource;
  DataSource* source_ = nullptr;
};
