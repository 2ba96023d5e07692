// One table's row walk: every slot of every owned data page, overflow
// pointers, each row decoded column by column, long-value references followed
// link by link, and the row count and autonumber figures gathered on the way.
#include <algorithm>

#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/long_value.h"
#include "format/long_value_format.h"
#include "format/row_frame.h"
#include "format/text_codec.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/pager.h"
#include "table/table_impl.h"
#include "tools/integrity_index_check.h"
#include "tools/integrity_table_check.h"

namespace jet {

namespace {

std::string at(RowId id) {
  return "page " + std::to_string(id.page()) + " slot " + std::to_string(id.slot());
}

}  // namespace

void TableChecker::checkRows() {
  values_.resize(table_->impl().columns.size());
  for (const std::uint32_t number : dataPages_) checkDataPage(number);
}

void TableChecker::rowUnreadable(RowId id) {
  allRowsRead_ = false;
  for (const auto& index : indexes_) index->addUnreadableRow(id);
}

void TableChecker::unreadablePage(std::uint32_t number) {
  allRowsRead_ = false;
  for (const auto& index : indexes_) index->addUnreadablePage(number);
}

void TableChecker::checkDataPage(std::uint32_t number) {
  const Page page = cx_.pager.page(number);
  const std::string what = "data page " + std::to_string(number) + " of " + label_;
  std::optional<DataPage> data;
  try {
    data.emplace(page.bytes(), number, cx_.version);
  } catch (const Error& e) {
    if (!isFinding(e)) throw;
    cx_.sink.error(ProblemArea::DataPage, what + ": " + e.what());
    unreadablePage(number);
    return;
  }
  if (!checkDataPageLayout(*data, page.bytes(), cx_.version, cx_.sink, ProblemArea::DataPage, what)) {
    unreadablePage(number);
    return;
  }
  for (unsigned slot = 0; slot < data->slotCount(); ++slot) {
    const std::uint16_t word = data->slotWord(slot);
    if ((word & kSlotDeleted) != 0) continue;
    const RowId id = RowId::of(number, static_cast<std::uint8_t>(slot));
    liveRows_.push_back(id);
    ++cx_.report.rowCount;
    if ((word & kSlotOverflow) != 0) {
      followOverflow(*data, slot, id);
    } else {
      checkRow(id, data->row(slot));
    }
  }
}

void TableChecker::followOverflow(const DataPage& page, unsigned slot, RowId id) {
  Page holder;
  try {
    RowId target = page.overflowTarget(slot);
    for (int hop = 0; hop < kMaxOverflowHops; ++hop) {
      const auto to = [&] { return "its overflow pointer leads to " + at(target); };
      if (!cx_.pager.isPage(target.page())) throwCorruption(to() + ", beyond the end of the file");
      holder = cx_.pager.page(target.page());
      const DataPage next(holder.bytes(), target.page(), cx_.version);
      if (next.owner() != page_) throwCorruption(to() + ", which is not a data page of this table");
      if (!cx_.ledger.isOwnedBy(target.page(), PageRole::TableData, owner_)) {
        cx_.sink.error(ProblemArea::UsageMap,
                       where(id) + ": " + to() + ", a page its owned-pages map does not list");
      }
      if (target.slot() >= next.slotCount()) throwCorruption(to() + ", a slot the page does not have");
      if (!overflowTargets_.insert(target.value).second) {
        throwCorruption(to() + ", where another row's overflow pointer leads too");
      }
      const std::uint16_t word = next.slotWord(target.slot());
      if ((word & kSlotOverflow) != 0) {
        target = next.overflowTarget(target.slot());
        continue;
      }
      // Moved row data is flagged so that a scan of its page skips it.
      if ((word & kSlotDeleted) == 0) {
        cx_.sink.error(
            ProblemArea::Row,
            where(id) + ": " + to() + ", which is not flagged as moved data, so a scan reads the row twice");
      }
      checkRow(id, next.row(target.slot()));
      return;
    }
    throwCorruption("its overflow pointers lead from row to row more than " +
                    std::to_string(kMaxOverflowHops) + " times (a loop)");
  } catch (const Error& e) {
    if (!isFinding(e)) throw;
    cx_.sink.error(ProblemArea::Row, where(id) + ": " + e.what());
    rowUnreadable(id);
  }
}

void TableChecker::checkRow(RowId id, ByteSpan bytes) {
  const Table::Impl& t = table_->impl();
  const TableDefinition& d = t.definition;
  std::optional<RowFrame> frame;
  try {
    frame.emplace(bytes, d.varColumns > 0, *cx_.database->version);
  } catch (const Error& e) {
    if (!isFinding(e)) throw;
    cx_.sink.error(ProblemArea::Row, where(id) + " cannot be decoded: " + e.what());
    rowUnreadable(id);
    return;
  }
  if (frame->columnCount() > d.maxColumns) {
    cx_.sink.error(ProblemArea::Row, where(id) + " carries " + std::to_string(frame->columnCount()) +
                                         " columns, more than the table has ever had (" +
                                         std::to_string(d.maxColumns) + ")");
  }
  if (frame->variableSlotCount() > d.varColumns) {
    cx_.sink.error(ProblemArea::Row, where(id) + " carries " + std::to_string(frame->variableSlotCount()) +
                                         " variable-length slots, more than the table has ever had (" +
                                         std::to_string(d.varColumns) + ")");
  }
  bool complete = true;
  for (std::size_t pos = 0; pos < t.columns.size(); ++pos) {
    const ColumnDef& c = t.columns[pos];
    const int lv = longValueSlot_[pos];
    try {
      values_[pos] = lv >= 0 ? readLongValue(*frame, longValueColumns_[static_cast<std::size_t>(lv)], id)
                             : t.decodeColumn(*frame, pos);
    } catch (const Error& e) {
      if (!isFinding(e)) throw;
      cx_.sink.error(lv >= 0 ? ProblemArea::LongValue : ProblemArea::Row,
                     where(id) + ", column '" + toUtf8(c.name) + "': " + e.what());
      values_[pos] = Value();
      complete = false;
      continue;
    }
    const Value& v = values_[pos];
    if (c.type == DataType::Text && v.kind() == ValueKind::Text && v.asText().size() > c.definedSize()) {
      cx_.sink.error(ProblemArea::Row, where(id) + ", column '" + toUtf8(c.name) + "': the text has " +
                                           std::to_string(v.asText().size()) +
                                           " characters, more than the field's " +
                                           std::to_string(c.definedSize()));
    }
    if (c.autoNumber && v.kind() == ValueKind::Long) {
      largestAutoNumber_ = std::max<std::int64_t>(largestAutoNumber_.value_or(v.asLong()), v.asLong());
      smallestAutoNumber_ = std::min<std::int64_t>(smallestAutoNumber_.value_or(v.asLong()), v.asLong());
    }
  }
  if (!complete) {
    rowUnreadable(id);
    return;
  }
  for (const auto& index : indexes_) index->addRow(id, values_);
}

Value TableChecker::readLongValue(const RowFrame& frame, const LongValueColumn& column, RowId id) {
  const ColumnPlan& p = table_->impl().plans[column.position];
  if (!frame.maskBit(p.number)) return Value();
  ByteSpan field;
  if (p.fixed) {
    field = frame.fixedBytes(p.fixedOffset, p.fixedSize);
  } else {
    if (p.varSlot >= frame.variableSlotCount()) return Value();
    field = frame.variableBytes(p.varSlot);
  }
  const LongValueReference ref = parseLongValueReference(field);
  scratch_.clear();
  if (ref.kind == LongValueKind::Inline) {
    scratch_.assign(ref.inlineData.begin(), ref.inlineData.end());
  } else {
    ++cx_.report.longValueCount;
    if (static_cast<std::uint64_t>(ref.length) >
        static_cast<std::uint64_t>(cx_.pager.pageCount()) * cx_.pager.pageSize()) {
      throwCorruption("the long value claims " + std::to_string(ref.length) +
                      " bytes, more than the whole file");
    }
    Page holder;
    if (ref.kind == LongValueKind::SingleRow) {
      const ByteSpan row = longValueLink(ref.first, column, id, holder);
      if (row.size() < ref.length) {
        throwCorruption("the long value of " + std::to_string(ref.length) + " bytes has only " +
                        std::to_string(row.size()) + " in its row at " + at(ref.first));
      }
      scratch_.assign(row.begin(), row.begin() + ref.length);
    } else {
      RowId link = ref.first;
      while (scratch_.size() < ref.length) {
        if (link.value == 0) {
          throwCorruption("the long-value chain ends after " + std::to_string(scratch_.size()) + " of its " +
                          std::to_string(ref.length) + " bytes");
        }
        const ByteSpan row = longValueLink(link, column, id, holder);
        if (row.size() < kLongValueLinkHeader) {
          throwCorruption("the long-value chain link at " + at(link) + " is too short to hold its pointer");
        }
        const std::size_t take =
            std::min<std::size_t>(row.size() - kLongValueLinkHeader, ref.length - scratch_.size());
        scratch_.insert(scratch_.end(), row.begin() + kLongValueLinkHeader,
                        row.begin() + kLongValueLinkHeader + take);
        link = RowId{loadU32(row.data())};
      }
      if (link.value != 0) {
        cx_.sink.error(ProblemArea::LongValue,
                       where(id) + ", column '" + toUtf8(table_->impl().columns[column.position].name) +
                           "': the long-value chain goes on to " + at(link) + " after the value's " +
                           std::to_string(ref.length) + " bytes");
      }
    }
  }
  if (table_->impl().columns[column.position].type == DataType::Memo)
    return Value::text(cx_.database->text->decode(scratch_));
  return Value::binary(Bytes(scratch_.begin(), scratch_.end()));
}

ByteSpan TableChecker::longValueLink(RowId link, const LongValueColumn& column, RowId id, Page& holder) {
  const auto to = [&] { return "a long-value pointer names " + at(link); };
  if (!cx_.pager.isPage(link.page())) throwCorruption(to() + ", beyond the end of the file");
  holder = cx_.pager.page(link.page());
  const DataPage page(holder.bytes(), link.page(), cx_.version);
  if (page.owner() != kLongValueOwner) throwCorruption(to() + ", which is not on a long-value page");
  if (!cx_.ledger.isOwnedBy(link.page(), PageRole::LongValue, column.owner)) {
    const std::string whose = cx_.ledger.role(link.page()) == PageRole::LongValue
                                  ? "a long-value page of another column"
                                  : "a page the column's long-value page map does not list";
    cx_.sink.error(ProblemArea::LongValue, where(id) + ", column '" +
                                               toUtf8(table_->impl().columns[column.position].name) +
                                               "': " + to() + ", " + whose);
  }
  if (link.slot() >= page.slotCount()) throwCorruption(to() + ", a slot the page does not have");
  if (page.isDeleted(link.slot())) throwCorruption(to() + ", a deleted row");
  const std::uint16_t columnNumber = table_->impl().columns[column.position].number;
  const auto [it, fresh] = cx_.longValueRows.emplace(link.value, LongValueUser{page_, id, columnNumber});
  if (!fresh) {
    const LongValueUser& first = it->second;
    if (first.tablePage == page_ && first.row == id && first.columnNumber == columnNumber) {
      throwCorruption("the long-value chain loops back to " + at(link));
    }
    throwCorruption(to() + ", which the value of " + describeTable(cx_, first.tablePage) + ", row at " +
                    at(first.row) + " uses too");
  }
  return page.row(link.slot());
}

}  // namespace jet
