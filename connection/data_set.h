// DataSet: rows of a source seen one current record at a time, with moves,
// editing, filter, sort and locate — the object every window that shows table
// data is bound to. TableDataSet (a table or view of the database) and
// QueryDataSet (a statement's result) supply their rows through a RowSource.
//
// States and transitions (one function per transition below):
//
//                     open                        edit / setting a field
//        +----------+ -------> +---------+ ---------------------------> +--------+
//        | Inactive |          | Browse  |                              |  Edit  |
//        +----------+ <------- +---------+ <--------------------------- +--------+
//             ^        close     |     ^    save, cancel, delete, a move     |
//             |                  |     |    (move: saved if changed,         |
//             |           insert |     |     dropped if not)                 |
//             |           append |     | save, cancel, delete, a move        |
//             |                  v     | (move: saved if changed,            |
//             |             +---------+   dropped if not)                    |
//             +-------------| Insert  |                                      |
//              close (any   +---------+                                      |
//              state; an unsaved record is dropped) <------------------------+
//
// Records and positions. The view is the list of rows the dataset shows: the
// source's rows in natural order that pass the filter, sorted when a sort is
// set. It holds one 4-byte locator per row and rows are read when asked for.
// While a record is inserted, the new record appears as an extra display row
// at the insert position; "rows" in the functions below are display rows
// (0-based), "record numbers" are 1-based positions in the view.
//
// Bof/eof follow the classic dataset rules: first sets bof (and eof on an empty
// view), last sets eof; next on the last record sets eof without moving,
// previous on the first record sets bof; any move that does move clears both.
// Walking a dataset is "first; while (!eof()) { ...; next(); }".
//
// Errors. The dataset's own checks throw jet::Error with the message
// "<name>: <text>" (name() is "mdb" for the main table):
//   "Cannot perform this operation on a closed dataset"   (ErrorCode::InvalidArgument)
//   "Cannot perform this operation on an open dataset"
//   "Cannot perform this operation on an empty dataset"
//   "Cannot modify a read-only dataset"
//   "Dataset not in edit or insert mode"
//   "Field 'X' not found"                                  (ErrorCode::NotFound)
//   "Field 'X' cannot be modified"
//   "Missing Connection or ConnectionString", "Missing TableName property"
// Errors from the engine (writes refused, a filter or sort that does not parse,
// a missing table) pass through unchanged, without the prefix. After an error
// the state is what it was before the failing step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "connection/data_set_observer.h"
#include "connection/field.h"
#include "connection/field_def.h"
#include "connection/format_settings.h"
#include "connection/row_source.h"
#include "jet/expression.h"
#include "jet/table.h"
#include "jet/value.h"

namespace qb {

class Connection;

enum class DataSetState {
  Inactive,  // closed: no rows, no fields
  Browse,    // open, no record being changed
  Edit,      // the current record is being changed (values held in a buffer)
  Insert,    // a new record is being made at the insert position
};

const char* dataSetStateName(DataSetState state) noexcept;

struct LocateOptions {
  bool caseInsensitive = false;  // text compares without regard to case
  bool partialKey = false;       // text matches when it starts with the value
};

class DataSet {
 public:
  explicit DataSet(std::string name);
  virtual ~DataSet();
  DataSet(const DataSet&) = delete;
  DataSet& operator=(const DataSet&) = delete;

  // The object's name: the prefix of its own error messages ("mdb").
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }

  // The connection the dataset opens its source on (not owned; may be null).
  // Disconnecting it, or destroying it, closes this dataset. Setting another
  // connection while open fails ("Cannot perform this operation on an open
  // dataset"); setting none closes the dataset first.
  Connection* connection() const { return connection_; }
  void setConnection(Connection* connection);

  // ---- Opening and closing ----------------------------------------------------

  // Active := true opens: connects the connection if needed (with its last
  // connection string), opens the source, builds the fields and field
  // definitions, lists the rows, applies the filter when filtered() is true,
  // and makes the first record current (state Browse). On failure it stays
  // closed and field definitions and record size keep their previous values.
  // Active := false closes from any state: an unsaved record is dropped, the
  // sort is forgotten, fields go away; filter, filtered(), the field
  // definitions and the record size stay. Setting the current value is a no-op.
  bool active() const { return state_ != DataSetState::Inactive; }
  void setActive(bool active);
  void open() { setActive(true); }
  void close() { setActive(false); }

  DataSetState state() const { return state_; }
  // Whether the rows may be changed (false when closed or read-only), and
  // why not when they may not ("" when closed or modifiable).
  bool canModify() const;
  std::string readOnlyReason() const;

  // ---- Moving -----------------------------------------------------------------
  // Every move needs an open dataset and first finishes an edit (the move
  // rule): a changed record is saved (a refused save throws and nothing moves),
  // an unchanged one is dropped.

  void first();
  void previous();
  void next();
  void last();
  // Makes display row `row` current (for a grid click). Out of range: the last
  // row. The new record's own row while inserting: nothing happens.
  void moveTo(std::size_t row);
  bool bof() const { return bof_; }  // true when closed
  bool eof() const { return eof_; }  // true when closed

  // ---- Editing ------------------------------------------------------------------

  // A new empty record before the current record (at the start of an empty
  // view); state Insert. Needs an open, modifiable dataset; the move rule runs
  // first.
  void insert();
  // A new empty record after the last one; state Insert.
  void append();
  // The current record goes into Edit state. On an empty view it inserts
  // instead. Nothing happens while already editing or inserting.
  void edit();
  // Writes the record being edited or inserted through the engine and returns
  // to Browse; a saved new record stays where it was inserted and is current,
  // an edited record keeps its place (also when it no longer matches the
  // filter or sort, until they are applied again). Nothing happens in other
  // states. A refused write throws the engine's message and keeps the state
  // and the typed values.
  void save();
  // Drops the changes of the record being edited or inserted (a new record
  // disappears and the record that was current before it is current again).
  // Nothing happens in other states.
  void cancel();
  // Deletes the current record from the source (needs an open dataset, then a
  // non-empty view); the record after it becomes current, or the new last one.
  // While inserting, it drops the new record instead. While editing, the edit
  // is dropped and the record deleted.
  void deleteRecord();
  // Whether a value of the record being edited or inserted was set.
  bool modified() const { return modified_; }

  // ---- Positions and counts -----------------------------------------------------

  // Records in the view, with the filter applied (the new record being
  // inserted is not counted). Needs an open dataset.
  std::size_t recordCount() const;
  // 1-based position of the current record in the view; -1 when the view is
  // empty, while inserting, and when closed.
  int recordNumber() const;
  // Rows of the source left out at the last open or refresh of the view
  // because they could not be read (a damaged page or row); 0 when closed.
  std::size_t unreadableRows() const;

  // Display rows: the view's records plus the new record while inserting;
  // 0 when closed.
  std::size_t rowCount() const;
  // Display row of the current record; nullopt when there is none.
  std::optional<std::size_t> currentRow() const;
  // Record number of a display row (what the grid shades by): its 1-based
  // position in the view, or -1 for every row while inserting.
  int recordNumberOfRow(std::size_t row) const;
  // Whether a display row is the new record being inserted.
  bool isNewRow(std::size_t row) const;
  // Values of a display row, in field order (fields()), without moving the
  // current record; the edit buffer for the record being edited or inserted.
  // Rows are read from the source and kept in a small cache.
  std::vector<jet::Value> rowValues(std::size_t row);
  // One value of a display row, by field index.
  jet::Value valueAt(std::size_t row, std::size_t field);
  // The field's own text form of a value of a display row.
  std::u16string textAt(std::size_t row, std::size_t field);

  // ---- Fields -----------------------------------------------------------------

  // The fields in display order (none while closed).
  std::size_t fieldCount() const { return fields_.size(); }
  Field& field(std::size_t index) const;
  // The field of that name (without regard to case), or nullptr.
  Field* findField(std::u16string_view name) const;
  // The field of that name; throws jet::Error (NotFound) "<asker>: Field 'X'
  // not found", where asker is this dataset's name unless another object (a
  // control bound by field name) asks.
  Field& fieldByName(std::u16string_view name, std::string_view asker = {}) const;
  // Moves a field to another place in the field list (a grid column dragged
  // elsewhere). Out-of-range positions are clamped.
  void moveField(std::size_t from, std::size_t to);

  // Definitions of the source's columns from the last successful open (empty
  // before any); they survive a close.
  const std::vector<FieldDef>& fieldDefs() const { return fieldDefs_; }
  // Size of the record buffer: 25 + 16 × the number of fields, fixed at each
  // open; 0 before the first open, kept while closed.
  int recordSize() const { return recordSize_; }

  // ---- Filter -----------------------------------------------------------------
  // Filter and filtered() belong to this object: they survive closing and are
  // applied again at every open while filtered() is true (an expression that
  // does not fit the newly opened source then makes the open fail).
  //
  // On an open dataset, a change that alters the rows shown (filtered()
  // switched, or the text changed while filtered) first finishes an edit (a
  // refused save throws and nothing changes), then rebuilds the view and makes
  // its first record current; the sort stays in force. An expression the
  // engine rejects throws its message and leaves filtered() false with every
  // row shown and filter() holding the rejected text. An empty expression
  // passes every row but still counts as filtered.

  const std::u16string& filter() const { return filter_; }
  void setFilter(std::u16string text);
  bool filtered() const { return filtered_; }
  void setFiltered(bool filtered);

  // ---- Sort -------------------------------------------------------------------
  // "Field [ASC|DESC], ..." (names bare or in brackets). Text sorts in Jet's
  // text order (without regard to case, accents after their base letter), Null
  // first when ascending, last when descending; rows that compare equal keep
  // their natural order. Needs an open dataset (closed: the closed-dataset
  // error, also for ""); first finishes an edit; "" restores the natural order;
  // an expression the engine rejects throws its message and changes nothing.
  // The first record of the new order becomes current. Forgotten at close.

  const std::u16string& sort() const { return sort_; }
  void setSort(std::u16string text);

  // ---- Locate -----------------------------------------------------------------
  // Makes the first record of the view (in its current order) whose field
  // matches the value current, and answers true. The value is text: text and
  // memo fields compare it as text (partialKey: the field starts with it;
  // caseInsensitive: without regard to case); other fields convert it to the
  // field's type first (valueFromUserText: numbers with the user's decimal
  // separator, dates in the order of the short date pattern) and
  // compare values, ignoring both options. An unknown field, a value that does
  // not convert, and no match answer false: nothing moves, nothing is thrown.
  // Needs an open dataset and finishes an edit first (errors of either throw).
  bool locate(std::u16string_view fieldName, std::u16string_view value, LocateOptions options);

  // ---- Other programs ------------------------------------------------------------
  // Looks whether the source changed since this dataset last looked (another
  // program committed to the same file, or another dataset or statement of
  // this program wrote to it) and, when it did, lists the view again with the filter and sort in
  // force, keeping the current record by its key (its primary key's values,
  // else all its values) when it still exists, else the record at the same
  // position; observers hear dataChanged and recordMoved. While a record is
  // edited or inserted the view stays as it is until the record is saved or
  // dropped and this is called again. Returns true when the source changed.
  // Errors of reading pass through.
  bool followChanges();

  // ---- Text forms ---------------------------------------------------------------

  const FormatSettings& formatSettings() const { return formatSettings_; }
  void setFormatSettings(FormatSettings settings) { formatSettings_ = std::move(settings); }

  // ---- Observers ----------------------------------------------------------------
  // Not owned; an observer removes itself before it goes away.
  void addObserver(DataSetObserver* observer);
  void removeObserver(DataSetObserver* observer);

  // ---- Walks ----------------------------------------------------------------------
  // A command that visits every record in turn (an export, a column copy, a
  // count, a printout) holds a Walk while it does. Each move still tells the
  // observers, as always, but with walking() true, so that a window can note
  // that the record moved and catch up once instead of showing every record:
  // when the outermost Walk ends (also by an error) every observer hears
  // walkEnded. Walks nest.
  class Walk {
   public:
    explicit Walk(DataSet& dataSet) : dataSet_(dataSet) { ++dataSet_.walks_; }
    ~Walk();
    Walk(const Walk&) = delete;
    Walk& operator=(const Walk&) = delete;

   private:
    DataSet& dataSet_;
  };
  bool walking() const { return walks_ > 0; }

 protected:
  // The source to open (connecting first when it needs a connection). Errors
  // pass through; the dataset then stays closed.
  virtual std::unique_ptr<RowSource> openSource() = 0;

  // Throws jet::Error "<name>: <text>".
  [[noreturn]] void fail(const std::string& text) const;

 private:
  friend class Connection;
  friend class Field;
  class Notifier;
  struct Cache;

  // Transitions.
  void doOpen();
  void doClose();
  void enterEdit();
  void enterInsert(std::size_t displayRow);
  void postRecord();
  void dropRecord();

  // The move rule: finishes an edit, saving a changed record.
  void checkBrowseMode();
  void checkActive() const;
  void checkCanModify() const;
  void checkEditing() const;

  // View handling.
  std::span<const jet::RowId> view() const;
  std::vector<jet::ExpressionColumn> expressionColumns() const;
  std::vector<jet::RowId> filteredRows();
  void refilter();
  void applyOrder();
  void goFirst();
  void setCurrent(std::optional<std::size_t> position, bool bof, bool eof);
  std::optional<std::size_t> viewPositionOfDisplayRow(std::size_t row) const;
  const std::vector<jet::Value>& cachedRow(jet::RowId id);
  void relist();
  // Throws when another program or dataset changed or deleted the record being edited.
  void checkEditedRowUnchanged();
  void forgetCachedRows();

  // Field access for Field.
  jet::Value currentValue(const Field& field);
  void setBufferValue(Field& field, jet::Value value);
  void buildFields();
  void askForPendingInput();
  // Calls every observer, passing over one that an earlier call removed.
  void tellObservers(const std::function<void(DataSetObserver&)>& call);
  std::vector<jet::Value> fieldOrder(const std::vector<jet::Value>& columnValues) const;

  std::string name_;
  Connection* connection_ = nullptr;
  DataSetState state_ = DataSetState::Inactive;
  std::unique_ptr<RowSource> source_;

  // Natural order (filter applied) and, while sorted, the sorted order.
  std::vector<jet::RowId> natural_;
  std::vector<jet::RowId> sorted_;
  std::vector<jet::SortKey> sortKeys_;
  std::optional<std::size_t> position_;      // current record's position in the view
  std::size_t insertRow_ = 0;                // display row of the new record while inserting
  std::optional<std::size_t> beforeInsert_;  // what cancelling an insert makes current again
  bool bof_ = true;
  bool eof_ = true;

  std::vector<jet::Value> buffer_;  // edit/insert values, in source column order
  std::vector<jet::Value> editedFrom_;  // the edited record as it was when the edit began
  bool relistPending_ = false;          // the source changed elsewhere during an edit
  bool modified_ = false;

  std::vector<std::unique_ptr<Field>> fields_;
  std::vector<FieldDef> fieldDefs_;
  int recordSize_ = 0;

  std::u16string filter_;
  bool filtered_ = false;
  std::u16string sort_;

  FormatSettings formatSettings_;
  std::vector<DataSetObserver*> observers_;
  Notifier* notifier_ = nullptr;  // the operation in progress, if any
  int walks_ = 0;                 // Walks in progress
  std::unique_ptr<Cache> cache_;
};

}  // namespace qb
