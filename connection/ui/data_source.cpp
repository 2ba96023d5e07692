// Data sources and links: binding, unbinding, and passing the dataset's
// changes on to the bound controls.
#include "connection/ui/data_source.h"

#include <algorithm>

#include "connection/data_set.h"

DataSource::~DataSource() {
  if (dataSet_) dataSet_->removeObserver(this);
  for (DataLink* link : links_) link->source_ = nullptr;
}

void DataSource::setDataSet(qb::DataSet* dataSet) {
  if (dataSet == dataSet_) return;
  movedInWalk_ = false;
  if (dataSet_) dataSet_->removeObserver(this);
  dataSet_ = dataSet;
  if (dataSet_) dataSet_->addObserver(this);
  tellLinks([](DataLink& link) { link.activeChanged(); });
}

std::exception_ptr DataSource::takeLinkError() {
  std::exception_ptr error = linkError_;
  linkError_ = nullptr;
  return error;
}

void DataSource::attach(DataLink* link) {
  if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void DataSource::detach(DataLink* link) {
  std::erase(links_, link);
}

template <class Tell>
void DataSource::tellLinks(Tell tell) {
  // A link may unbind itself or another one while being told.
  const std::vector<DataLink*> links = links_;
  for (DataLink* link : links) {
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
    try {
      tell(*link);
    } catch (...) {
      if (!linkError_) linkError_ = std::current_exception();
    }
  }
}

void DataSource::activeChanged(qb::DataSet&) {
  tellLinks([](DataLink& link) { link.activeChanged(); });
}

void DataSource::fieldListChanged(qb::DataSet&) {
  tellLinks([](DataLink& link) { link.fieldListChanged(); });
}

void DataSource::stateChanged(qb::DataSet&) {
  tellLinks([](DataLink& link) { link.stateChanged(); });
}

void DataSource::dataChanged(qb::DataSet&) {
  tellLinks([](DataLink& link) { link.rowsChanged(); });
}

void DataSource::recordMoved(qb::DataSet& dataSet) {
  if (dataSet.walking()) {
    movedInWalk_ = true;
    return;
  }
  tellLinks([](DataLink& link) { link.recordMoved(); });
}

void DataSource::walkEnded(qb::DataSet&) {
  if (!movedInWalk_) return;
  movedInWalk_ = false;
  tellLinks([](DataLink& link) { link.recordMoved(); });
}

void DataSource::fieldValueChanged(qb::DataSet&, qb::Field& field) {
  tellLinks([&field](DataLink& link) { link.fieldValueChanged(field); });
}

void DataSource::writePendingInput(qb::DataSet&) {
  // Errors here stop the operation that asked: they go to the dataset.
  const std::vector<DataLink*> links = links_;
  for (DataLink* link : links) {
    if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->writePendingInput();
  }
}

DataLink::~DataLink() {
  if (source_) source_->detach(this);
}

void DataLink::setDataSource(DataSource* source) {
  if (source == source_) return;
  if (source_) source_->detach(this);
  source_ = source;
  if (source_) source_->attach(this);
  activeChanged();
}

qb::DataSet* DataLink::dataSet() const {
  return source_ ? source_->dataSet() : nullptr;
}

bool DataLink::linkActive() const {
  const qb::DataSet* set = dataSet();
  return set && set->active();
}
