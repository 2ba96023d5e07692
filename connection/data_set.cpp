// DataSet: the state machine, moves, editing, positions, fields and observer
// notification. Filter, sort and locate live in data_set_view.cpp.
#include "connection/data_set.h"

#include <algorithm>

#include "connection/connection.h"
#include "connection/data_set_internal.h"
#include "connection/value_text.h"
#include "jet/error.h"
#include "jet/text.h"

namespace qb {

namespace {

// What a record buffer costs per field, and its fixed part.
constexpr int kRecordBufferBase = 25;
constexpr int kRecordBufferPerField = 16;

}  // namespace

const char* dataSetStateName(DataSetState state) noexcept {
  switch (state) {
    case DataSetState::Inactive:
      return "Inactive";
    case DataSetState::Browse:
      return "Browse";
    case DataSetState::Edit:
      return "Edit";
    case DataSetState::Insert:
      return "Insert";
  }
  return "Inactive";
}

DataSet::DataSet(std::string name) : name_(std::move(name)), cache_(std::make_unique<Cache>()) {}

DataSet::~DataSet() {
  if (connection_) connection_->detach(this);
}

void DataSet::fail(const std::string& text) const {
  throw jet::Error(jet::ErrorCode::InvalidArgument, name_ + ": " + text);
}

void DataSet::setConnection(Connection* connection) {
  if (connection == connection_) return;
  if (active()) {
    if (connection != nullptr) fail("Cannot perform this operation on an open dataset");
    close();
  }
  if (connection_) connection_->detach(this);
  connection_ = connection;
  if (connection_) connection_->attach(this);
}

// ---- Opening and closing --------------------------------------------------------

void DataSet::setActive(bool active) {
  if (active == this->active()) return;
  Notifier notifier(*this);
  if (active) {
    doOpen();
  } else {
    doClose();
  }
}

void DataSet::doOpen() {
  std::unique_ptr<RowSource> source = openSource();
  std::vector<FieldDef> defs = fieldDefsOf(source->columns());
  for (FieldDef& def : defs) def.computed = source->columnReadOnly(def.column);

  // The view comes first: a filter that does not fit the source leaves the
  // dataset closed, with the definitions of the last open.
  source_ = std::move(source);
  std::vector<jet::RowId> rows;
  try {
    rows = filteredRows();
  } catch (...) {
    source_.reset();
    throw;
  }

  natural_ = std::move(rows);
  sorted_.clear();
  sortKeys_.clear();
  sort_.clear();
  fieldDefs_ = std::move(defs);
  recordSize_ = kRecordBufferBase + kRecordBufferPerField * static_cast<int>(fieldDefs_.size());
  buildFields();
  cache_->rows.clear();
  state_ = DataSetState::Browse;
  goFirst();
}

void DataSet::doClose() {
  state_ = DataSetState::Inactive;
  source_.reset();
  std::vector<jet::RowId>().swap(natural_);
  std::vector<jet::RowId>().swap(sorted_);
  sortKeys_.clear();
  sort_.clear();
  fields_.clear();
  buffer_.clear();
  modified_ = false;
  position_.reset();
  beforeInsert_.reset();
  bof_ = eof_ = true;
  cache_->rows.clear();
}

void DataSet::buildFields() {
  fields_.clear();
  fields_.reserve(fieldDefs_.size());
  for (const FieldDef& def : fieldDefs_)
    fields_.push_back(std::make_unique<Field>(*this, def, fields_.size()));
}

bool DataSet::canModify() const {
  return active() && source_->canModify();
}

std::string DataSet::readOnlyReason() const {
  return active() ? source_->readOnlyReason() : std::string();
}

void DataSet::checkActive() const {
  if (!active()) fail("Cannot perform this operation on a closed dataset");
}

void DataSet::checkCanModify() const {
  if (source_->canModify()) return;
  const std::string refusal = source_->refusedChangeMessage();
  if (!refusal.empty()) throw jet::Error(jet::ErrorCode::InvalidArgument, refusal);
  fail("Cannot modify a read-only dataset");
}

void DataSet::checkEditing() const {
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
    fail("Dataset not in edit or insert mode");
}

// ---- The move rule and moves ----------------------------------------------------

void DataSet::tellObservers(const std::function<void(DataSetObserver&)>& call) {
  const std::vector<DataSetObserver*> observers = observers_;
  for (DataSetObserver* o : observers) {
    if (std::find(observers_.begin(), observers_.end(), o) != observers_.end()) call(*o);
  }
}

void DataSet::askForPendingInput() {
  tellObservers([&](DataSetObserver& o) { o.writePendingInput(*this); });
}

void DataSet::checkBrowseMode() {
  checkActive();
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
  askForPendingInput();
  if (modified_) {
    postRecord();
  } else {
    dropRecord();
  }
}

void DataSet::setCurrent(std::optional<std::size_t> position, bool bof, bool eof) {
  position_ = position;
  bof_ = bof;
  eof_ = eof;
}

void DataSet::goFirst() {
  const bool empty = view().empty();
  setCurrent(empty ? std::nullopt : std::optional<std::size_t>(0), true, empty);
}

void DataSet::first() {
  Notifier notifier(*this);
  checkBrowseMode();
  goFirst();
}

void DataSet::last() {
  Notifier notifier(*this);
  checkBrowseMode();
  const std::size_t size = view().size();
  setCurrent(size == 0 ? std::nullopt : std::optional<std::size_t>(size - 1), size == 0, true);
}

void DataSet::next() {
  Notifier notifier(*this);
  checkBrowseMode();
  if (eof_) return;
  if (position_ && *position_ + 1 < view().size()) {
    setCurrent(*position_ + 1, false, false);
  } else {
    setCurrent(position_, false, true);
  }
}

void DataSet::previous() {
  Notifier notifier(*this);
  checkBrowseMode();
  if (bof_) return;
  if (position_ && *position_ > 0) {
    setCurrent(*position_ - 1, false, false);
  } else {
    setCurrent(position_, true, false);
  }
}

void DataSet::moveTo(std::size_t row) {
  Notifier notifier(*this);
  checkActive();
  const bool inserting = state_ == DataSetState::Insert;
  if (inserting && row == insertRow_) return;
  if (!inserting && position_ && row == *position_) return;
  const std::size_t viewBefore = view().size();
  checkBrowseMode();
  // Dropping a new record shifts the rows after it up by one; saving it keeps
  // every display row where it was.
  if (inserting && view().size() == viewBefore && row > insertRow_) --row;
  const std::size_t size = view().size();
  if (size == 0) return;
  setCurrent(std::min(row, size - 1), false, false);
}

// ---- Editing --------------------------------------------------------------------

void DataSet::insert() {
  Notifier notifier(*this);
  checkBrowseMode();
  checkCanModify();
  beforeInsert_ = position_;
  enterInsert(position_.value_or(0));
}

void DataSet::append() {
  Notifier notifier(*this);
  checkBrowseMode();
  checkCanModify();
  const std::size_t size = view().size();
  beforeInsert_ = size == 0 ? std::nullopt : std::optional<std::size_t>(size - 1);
  enterInsert(size);
}

void DataSet::enterInsert(std::size_t displayRow) {
  buffer_.assign(source_->columns().size(), jet::Value());
  modified_ = false;
  insertRow_ = displayRow;
  state_ = DataSetState::Insert;
  bof_ = eof_ = false;
  notifier_->flag(kDataChanged);
}

void DataSet::edit() {
  Notifier notifier(*this);
  if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) return;
  checkActive();
  if (view().empty()) {
    insert();
    return;
  }
  checkCanModify();
  enterEdit();
}

void DataSet::enterEdit() {
  buffer_ = cachedRow(view()[*position_]);
  editedFrom_ = buffer_;
  modified_ = false;
  state_ = DataSetState::Edit;
}

void DataSet::save() {
  Notifier notifier(*this);
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
  askForPendingInput();
  postRecord();
}

void DataSet::postRecord() {
  // Write a copy: the engine converts the values in place, and a refused write
  // must leave the typed values as they were.
  std::vector<jet::Value> values = buffer_;
  if (state_ == DataSetState::Insert) {
    const jet::RowId id = source_->insertRow(values);
    if (sortKeys_.empty()) {
      natural_.insert(natural_.begin() + static_cast<std::ptrdiff_t>(insertRow_), id);
    } else {
      sorted_.insert(sorted_.begin() + static_cast<std::ptrdiff_t>(insertRow_), id);
      natural_.push_back(id);
    }
    cache_->rows.erase(id.value);
    position_ = insertRow_;
  } else {
    const jet::RowId id = view()[*position_];
    checkEditedRowUnchanged();
    source_->updateRow(id, values);
    cache_->rows.erase(id.value);
  }
  buffer_.clear();
  modified_ = false;
  state_ = DataSetState::Browse;
  notifier_->flag(kDataChanged);
}

void DataSet::cancel() {
  Notifier notifier(*this);
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
  dropRecord();
}

void DataSet::dropRecord() {
  if (state_ == DataSetState::Insert) {
    const bool empty = view().empty();
    setCurrent(beforeInsert_, empty, empty);
    beforeInsert_.reset();
  }
  buffer_.clear();
  modified_ = false;
  state_ = DataSetState::Browse;
  notifier_->flag(kDataChanged);
}

void DataSet::deleteRecord() {
  Notifier notifier(*this);
  checkActive();
  if (state_ == DataSetState::Insert) {
    dropRecord();
    return;
  }
  if (view().empty()) fail("Cannot perform this operation on an empty dataset");
  checkCanModify();
  const std::size_t position = *position_;
  const jet::RowId id = view()[position];
  source_->deleteRow(id);

  buffer_.clear();
  modified_ = false;
  state_ = DataSetState::Browse;
  if (sortKeys_.empty()) {
    natural_.erase(natural_.begin() + static_cast<std::ptrdiff_t>(position));
  } else {
    sorted_.erase(sorted_.begin() + static_cast<std::ptrdiff_t>(position));
    std::erase(natural_, id);
  }
  cache_->rows.erase(id.value);
  const std::size_t size = view().size();
  if (size == 0) {
    setCurrent(std::nullopt, true, true);
  } else {
    setCurrent(std::min(position, size - 1), false, false);
  }
  notifier_->flag(kDataChanged);
}

// ---- Positions and rows -----------------------------------------------------------

std::span<const jet::RowId> DataSet::view() const {
  return sortKeys_.empty() ? natural_ : sorted_;
}

std::size_t DataSet::recordCount() const {
  checkActive();
  return view().size();
}

int DataSet::recordNumber() const {
  if (state_ == DataSetState::Inactive || state_ == DataSetState::Insert || !position_) return -1;
  return static_cast<int>(*position_) + 1;
}

std::size_t DataSet::unreadableRows() const {
  return source_ ? source_->unreadableRows() : 0;
}

std::size_t DataSet::rowCount() const {
  if (!active()) return 0;
  return view().size() + (state_ == DataSetState::Insert ? 1 : 0);
}

std::optional<std::size_t> DataSet::currentRow() const {
  if (state_ == DataSetState::Insert) return insertRow_;
  return position_;
}

bool DataSet::isNewRow(std::size_t row) const {
  return state_ == DataSetState::Insert && row == insertRow_;
}

int DataSet::recordNumberOfRow(std::size_t row) const {
  if (state_ == DataSetState::Insert || row >= rowCount()) return -1;
  return static_cast<int>(row) + 1;
}

std::optional<std::size_t> DataSet::viewPositionOfDisplayRow(std::size_t row) const {
  if (row >= rowCount()) {
    throw jet::Error(jet::ErrorCode::InvalidArgument, name_ + ": Row " + std::to_string(row) +
                                                          " is out of range (" + std::to_string(rowCount()) +
                                                          " rows)");
  }
  if (state_ != DataSetState::Insert || row < insertRow_) return row;
  if (row == insertRow_) return std::nullopt;
  return row - 1;
}

const std::vector<jet::Value>& DataSet::cachedRow(jet::RowId id) {
  auto& rows = cache_->rows;
  if (auto it = rows.find(id.value); it != rows.end()) return it->second;
  if (rows.size() >= kCachedRows) rows.clear();
  std::vector<jet::Value> values;
  source_->readRow(id, values);
  return rows.emplace(id.value, std::move(values)).first->second;
}

std::vector<jet::Value> DataSet::fieldOrder(const std::vector<jet::Value>& columnValues) const {
  std::vector<jet::Value> out;
  out.reserve(fields_.size());
  for (const auto& f : fields_) out.push_back(columnValues[f->def().column]);
  return out;
}

std::vector<jet::Value> DataSet::rowValues(std::size_t row) {
  const std::optional<std::size_t> position = viewPositionOfDisplayRow(row);
  const bool buffered = !position || (state_ == DataSetState::Edit && position == position_);
  return fieldOrder(buffered ? buffer_ : cachedRow(view()[*position]));
}

jet::Value DataSet::valueAt(std::size_t row, std::size_t field) {
  const Field& f = this->field(field);
  const std::optional<std::size_t> position = viewPositionOfDisplayRow(row);
  if (!position || (state_ == DataSetState::Edit && position == position_)) return buffer_[f.def().column];
  return cachedRow(view()[*position])[f.def().column];
}

std::u16string DataSet::textAt(std::size_t row, std::size_t field) {
  return fieldText(valueAt(row, field), this->field(field).dataType(), formatSettings_);
}

// ---- Fields -----------------------------------------------------------------------

Field& DataSet::field(std::size_t index) const {
  if (index >= fields_.size()) {
    throw jet::Error(jet::ErrorCode::InvalidArgument, name_ + ": Field index " + std::to_string(index) +
                                                          " is out of range (" +
                                                          std::to_string(fields_.size()) + " fields)");
  }
  return *fields_[index];
}

Field* DataSet::findField(std::u16string_view name) const {
  for (const auto& f : fields_) {
    if (jet::equalNamesNoCase(f->fieldName(), name)) return f.get();
  }
  return nullptr;
}

Field& DataSet::fieldByName(std::u16string_view name, std::string_view asker) const {
  if (Field* f = findField(name)) return *f;
  throw jet::Error(jet::ErrorCode::NotFound, std::string(asker.empty() ? std::string_view(name_) : asker) +
                                                 ": Field '" + jet::toUtf8(name) + "' not found");
}

void DataSet::moveField(std::size_t from, std::size_t to) {
  if (fields_.empty()) return;
  Notifier notifier(*this);
  from = std::min(from, fields_.size() - 1);
  to = std::min(to, fields_.size() - 1);
  if (from == to) return;
  const auto first = fields_.begin();
  if (from < to) {
    std::rotate(first + static_cast<std::ptrdiff_t>(from), first + static_cast<std::ptrdiff_t>(from) + 1,
                first + static_cast<std::ptrdiff_t>(to) + 1);
  } else {
    std::rotate(first + static_cast<std::ptrdiff_t>(to), first + static_cast<std::ptrdiff_t>(from),
                first + static_cast<std::ptrdiff_t>(from) + 1);
  }
  for (std::size_t i = 0; i < fields_.size(); ++i) fields_[i]->index_ = i;
  notifier_->flag(kFieldsChanged);
}

jet::Value DataSet::currentValue(const Field& field) {
  if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) return buffer_[field.def().column];
  if (!position_) return {};
  return cachedRow(view()[*position_])[field.def().column];
}

void DataSet::setBufferValue(Field& field, jet::Value value) {
  checkEditing();
  if (field.readOnly()) fail("Field '" + jet::toUtf8(field.fieldName()) + "' cannot be modified");
  buffer_[field.def().column] = std::move(value);
  modified_ = true;
  tellObservers([&](DataSetObserver& o) { o.fieldValueChanged(*this, field); });
}

// ---- Observers ----------------------------------------------------------------------

void DataSet::addObserver(DataSetObserver* observer) {
  if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
}

void DataSet::removeObserver(DataSetObserver* observer) {
  std::erase(observers_, observer);
}

DataSet::Walk::~Walk() {
  if (--dataSet_.walks_ > 0) return;
  try {
    dataSet_.tellObservers([this](DataSetObserver& o) { o.walkEnded(dataSet_); });
  } catch (...) {
    // Observers must not throw; one that does cannot undo the walk.
  }
}

}  // namespace qb
