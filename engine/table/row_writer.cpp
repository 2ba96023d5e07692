// Row writing for one table.
#include "table/row_writer.h"

#include <algorithm>
#include <limits>

#include "format/data_page.h"
#include "format/data_page_format.h"
#include "format/data_page_writer.h"
#include "format/long_value_format.h"
#include "format/table_definition_format.h"
#include "format/table_definition_writer.h"
#include "format/text_codec.h"
#include "format/usage_map_writer.h"
#include "format/value_codec.h"
#include "jet/error.h"
#include "jet/text.h"
#include "storage/pager.h"
#include "table/column_value.h"
#include "value/value_ops.h"

namespace jet {

namespace {

// Memo text longer than this is stored without compression, as the engine does.
constexpr std::size_t kMaxCompressedMemo = 1024;
// Pages of the pages-with-room map looked at before a new page is started.
constexpr std::size_t kCandidates = 8;

std::vector<std::uint8_t> pointerTo(RowId id) {
  return {static_cast<std::uint8_t>(id.value), static_cast<std::uint8_t>(id.value >> 8),
          static_cast<std::uint8_t>(id.value >> 16), static_cast<std::uint8_t>(id.value >> 24)};
}

Guid newGuid(std::mt19937_64& random) {
  Guid g;
  for (std::size_t i = 0; i < 16; i += 8) {
    const std::uint64_t r = random();
    for (std::size_t k = 0; k < 8; ++k) g.bytes[i + k] = static_cast<std::uint8_t>(r >> (8 * k));
  }
  g.bytes[7] = static_cast<std::uint8_t>((g.bytes[7] & 0x0F) | 0x40);  // version 4 (random)
  g.bytes[8] = static_cast<std::uint8_t>((g.bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return g;
}

}  // namespace

RowWriter::RowWriter(Table::Impl& table)
    : table_(table), longValues_(*table.db->pager, *table.db->version) {
  const TableDefinition& def = table.definition;
  layout_.countSize = table.db->version->rowCountSize;
  layout_.columnCount = def.maxColumns;
  layout_.varSlots = def.varColumns;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const ColumnDef& c = table.columns[i];
    const ColumnPlan& p = table.plans[i];
    ColumnWrite w;
    w.column = i;
    w.type = c.type;
    w.number = c.number;
    w.fixed = p.fixed;
    w.fixedOffset = p.fixedOffset;
    w.fixedSize = p.fixedSize;
    w.varSlot = p.varSlot;
    w.compress = c.compressedUnicode;
    if (const Property* zeroLength = findProperty(table.properties, c.name, u"AllowZeroLength");
        zeroLength && zeroLength->type == DataType::Boolean) {
      w.allowZeroLength = propertyIsTrue(*zeroLength);
    }
    if (factsOf(c.type).longValue) {
      for (const LongValueColumnMaps& m : def.longValueMaps) {
        if (m.columnNumber == c.number) w.longValue = &m;
      }
    }
    if (w.fixed && c.type != DataType::Boolean) {
      layout_.fixedSize = std::max<std::size_t>(layout_.fixedSize, std::size_t{w.fixedOffset} + w.fixedSize);
    }
    columns_.push_back(w);
  }
  minRow_ = minimumRowSize(layout_);
  fieldBytes_.resize(columns_.size());
  for (const ColumnDef& c : table.columns) where_.push_back("field '" + toUtf8(c.name) + "' of " + table.describe());
}

void RowWriter::checkEncodable(std::u16string_view text, std::size_t column) const {
  const TextCodec& codec = *table_.db->text;
  const std::size_t bad = codec.firstUnencodable(text);
  if (bad == std::u16string_view::npos) return;
  throw Error(ErrorCode::InvalidArgument, "The value for " + where(column) + " cannot be stored: " +
                                              unencodableCharacter(text, bad, codec) +
                                              ", the text encoding of this Access 97 database");
}

void RowWriter::writeCounter(std::uint32_t value) {
  const FormatVersion& v = *table_.db->version;
  writeDefinitionU32(*table_.db->pager, table_.definition, v.tdefAutoNumber, value, v);
  table_.definition.autoNumber = value;
}

std::vector<Value> RowWriter::prepare(const std::vector<Value>& values, const std::vector<Value>* old) {
  std::vector<Value> row(columns_.size());
  for (const ColumnWrite& w : columns_) {
    const ColumnDef& c = table_.columns[w.column];
    const Value& v = values[w.column];
    if (c.autoNumber && c.type == DataType::Long) {
      if (old) {
        row[w.column] = v.isNull() ? (*old)[w.column] : convertToColumn(v, c, where(w.column));
        if (row[w.column] != (*old)[w.column]) {
          throw Error(ErrorCode::InvalidArgument,
                      "The autonumber " + where(w.column) + " cannot be changed (from " +
                          quotedValue((*old)[w.column]) + " to " + quotedValue(row[w.column]) + ")");
        }
        continue;
      }
      // The counter is the last number handed out; the next is one step on
      // (steps other than 1 come from COUNTER(seed, step), and may count down).
      const auto counter = static_cast<std::int32_t>(table_.definition.autoNumber);
      const std::int32_t step = table_.definition.autoNumberStep;
      if (v.isNull()) {
        const std::int64_t next = std::int64_t{counter} + step;
        if (next > std::numeric_limits<std::int32_t>::max() || next < std::numeric_limits<std::int32_t>::min()) {
          throw Error(ErrorCode::Constraint, "The autonumber " + where(w.column) + " has used up its numbers");
        }
        row[w.column] = Value::longInt(static_cast<std::int32_t>(next));
        writeCounter(static_cast<std::uint32_t>(static_cast<std::int32_t>(next)));
      } else {
        // A number given outright moves the counter on when it lies beyond it.
        row[w.column] = convertToColumn(v, c, where(w.column));
        const std::int32_t given = row[w.column].asLong();
        if (step > 0 ? given > counter : given < counter) writeCounter(static_cast<std::uint32_t>(given));
      }
      continue;
    }
    if (c.guidAutoNumber && c.type == DataType::Guid && v.isNull() && !old) {
      row[w.column] = Value::guid(newGuid(table_.db->random));
      continue;
    }
    row[w.column] = convertToColumn(v, c, where(w.column));
    if (c.type == DataType::Text && c.fixedLength && row[w.column].kind() == ValueKind::Text &&
        row[w.column].asText().size() < c.definedSize()) {
      // Fixed-length text is stored padded with spaces, and read back so.
      std::u16string padded = row[w.column].asText();
      padded.resize(c.definedSize(), u' ');
      row[w.column] = Value::text(std::move(padded));
    }
    if (row[w.column].isNull() && c.required) {
      throw Error(ErrorCode::Constraint,
                  "The " + where(w.column) + " is required: it cannot be left empty (Null)");
    }
    if (row[w.column].kind() == ValueKind::Text) checkEncodable(row[w.column].asText(), w.column);
    if ((c.type == DataType::Text || c.type == DataType::Memo) && !w.allowZeroLength &&
        row[w.column].kind() == ValueKind::Text && row[w.column].asText().empty()) {
      throw Error(ErrorCode::Constraint, "The " + where(w.column) + " does not allow zero-length text");
    }
  }
  return row;
}

void RowWriter::encode(const std::vector<Value>& row, const std::vector<std::vector<std::uint8_t>>* keep) {
  const FormatVersion& version = *table_.db->version;
  std::vector<RowField> fields(columns_.size());
  std::size_t size = minRow_;
  struct Pending {
    std::size_t index;
    std::vector<std::uint8_t> data;
    bool inlined = false;
  };
  std::vector<Pending> pending;
  for (std::size_t k = 0; k < columns_.size(); ++k) {
    const ColumnWrite& w = columns_[k];
    const Value& v = row[w.column];
    RowField& f = fields[k];
    f.number = w.number;
    f.fixed = w.fixed;
    f.fixedOffset = w.fixedOffset;
    f.varSlot = w.varSlot;
    f.boolean = w.type == DataType::Boolean;
    std::vector<std::uint8_t>& bytes = fieldBytes_[k];
    bytes.clear();
    if (f.boolean) {
      f.present = v.asBoolean();
      continue;
    }
    f.present = !v.isNull();
    if (!f.present) continue;
    if (factsOf(w.type).longValue) {
      if (keep && !(*keep)[k].empty()) {
        bytes = (*keep)[k];
        size += bytes.size();
        continue;
      }
      Pending p{k, {}, false};
      if (w.type == DataType::Memo) {
        table_.db->text->encode(v.asText(), w.compress && v.asText().size() <= kMaxCompressedMemo, p.data);
      } else {
        p.data = v.asBinary();
      }
      size += LongValueWriter::referenceSize();
      pending.push_back(std::move(p));
      continue;
    }
    encodeValue(w.type, v, w.fixed ? w.fixedSize : 0, w.compress, *table_.db->text, bytes);
    if (!w.fixed) size += bytes.size();
  }
  // Small long values go inline while the row has room, smallest first.
  std::vector<Pending*> bySize;
  for (Pending& p : pending) bySize.push_back(&p);
  std::sort(bySize.begin(), bySize.end(), [](const Pending* a, const Pending* b) { return a->data.size() < b->data.size(); });
  for (Pending* p : bySize) {
    if (p->data.size() <= kLongValueInlineLimit && size + p->data.size() <= version.maxRowSize) {
      p->inlined = true;
      size += p->data.size();
    }
  }
  for (Pending& p : pending) {
    ColumnWrite& w = columns_[p.index];
    if (!w.longValue && !p.inlined) {
      throwCorruption("the definition of " + table_.describe() + " lists no page maps for its long-value field '" +
                      toUtf8(table_.columns[w.column].name) + "'");
    }
    longValues_.store(w.longValue ? *w.longValue : LongValueColumnMaps{}, p.data, p.inlined, fieldBytes_[p.index],
                      w.longValueHint);
  }
  for (std::size_t k = 0; k < columns_.size(); ++k) fields[k].bytes = fieldBytes_[k];
  encodeRow(layout_, fields, rowBytes_);
  if (rowBytes_.size() > version.maxRowSize) {
    throw Error(ErrorCode::InvalidArgument, "A row of " + table_.describe() + " would take " +
                                                std::to_string(rowBytes_.size()) + " bytes; a row holds at most " +
                                                std::to_string(version.maxRowSize) +
                                                " bytes besides its memo and OLE data");
  }
}

std::vector<std::vector<std::uint8_t>> RowWriter::longValueReferences(RowId id) {
  std::vector<std::vector<std::uint8_t>> refs(columns_.size());
  Page holder;
  const ByteSpan row = table_.locate(id, holder);
  const RowFrame frame(row, table_.definition.varColumns > 0, *table_.db->version);
  for (std::size_t k = 0; k < columns_.size(); ++k) {
    const ColumnWrite& w = columns_[k];
    if (w.type != DataType::Memo && w.type != DataType::Ole) continue;
    if (w.fixed || !frame.maskBit(w.number) || w.varSlot >= frame.variableSlotCount()) continue;
    const ByteSpan bytes = frame.variableBytes(w.varSlot);
    refs[k].assign(bytes.begin(), bytes.end());
  }
  return refs;
}

void RowWriter::releaseLongValues(const std::vector<std::vector<std::uint8_t>>& references) {
  for (std::size_t k = 0; k < columns_.size(); ++k) {
    if (references[k].size() < kLongValueReferenceSize) continue;
    longValues_.release(columns_[k].longValue, references[k]);
  }
}

std::uint32_t RowWriter::pageWithRoom(std::size_t length, std::uint32_t avoid) {
  Pager& pager = *table_.db->pager;
  const FormatVersion& version = *table_.db->version;
  const std::uint32_t owner = table_.definition.firstPage;
  const auto ours = [&](std::uint32_t page, Page& holder) {
    if (page == 0 || page == avoid || !pager.isPage(page)) return false;
    holder = pager.page(page);
    return holder.type() == kPageTypeData && loadU32(holder.bytes().data() + kDataPageOwner) == owner;
  };
  Page holder;
  if (ours(insertHint_, holder) && insertableLength(holder.bytes(), version) >= length) return insertHint_;

  UsageMapWriter maps(pager, version);
  // One more than are looked at, in case `avoid` is among them.
  std::size_t looked = 0;
  for (const std::uint32_t candidate :
       appendOnly_ ? std::vector<std::uint32_t>{} : maps.highestPages(table_.definition.freePages, kCandidates + 1)) {
    if (candidate == avoid) continue;
    if (++looked > kCandidates) break;
    if (!ours(candidate, holder)) {
      maps.remove(table_.definition.freePages, candidate);  // not a page of this table (any more)
      continue;
    }
    const std::size_t room = insertableLength(holder.bytes(), version);
    if (room >= length) return candidate;
    if (room < minRow_) maps.remove(table_.definition.freePages, candidate);
  }
  const std::uint32_t page = pager.allocatePage();
  DataPageEditor::format(pager.modify(page), owner, version);
  maps.add(table_.definition.ownedPages, page);
  maps.add(table_.definition.freePages, page);
  return page;
}

void RowWriter::noteSpace(std::uint32_t page) {
  Pager& pager = *table_.db->pager;
  const FormatVersion& version = *table_.db->version;
  UsageMapWriter maps(pager, version);
  if (insertableLength(pager.page(page).bytes(), version) < minRow_) {
    maps.remove(table_.definition.freePages, page);
  } else {
    maps.add(table_.definition.freePages, page);
  }
}

RowId RowWriter::insert(const std::vector<Value>& row) {
  encode(row, nullptr);
  return insertEncoded(rowBytes_);
}

RowId RowWriter::insertEncoded(ByteSpan row) {
  Pager& pager = *table_.db->pager;
  const FormatVersion& version = *table_.db->version;
  const std::uint32_t page = pageWithRoom(row.size());
  DataPageEditor editor(pager.modify(page), page, version);
  const unsigned slot = editor.insert(row);
  if (insertableLength(pager.page(page).bytes(), version) < minRow_) {
    UsageMapWriter(pager, version).remove(table_.definition.freePages, page);
  }
  insertHint_ = page;
  return RowId::of(page, static_cast<std::uint8_t>(slot));
}

void RowWriter::update(RowId id, const std::vector<Value>& old, const std::vector<Value>& row) {
  Pager& pager = *table_.db->pager;
  const FormatVersion& version = *table_.db->version;
  // Long values that did not change keep their rows; the others are freed.
  std::vector<std::vector<std::uint8_t>> references = longValueReferences(id);
  std::vector<std::vector<std::uint8_t>> keep(columns_.size());
  for (std::size_t k = 0; k < columns_.size(); ++k) {
    if (!references[k].empty() && old[columns_[k].column] == row[columns_[k].column]) {
      keep[k] = std::move(references[k]);
      references[k].clear();
    }
  }
  releaseLongValues(references);
  encode(row, &keep);

  const auto editorOf = [&](std::uint32_t page) { return DataPageEditor(pager.modify(page), page, version); };
  const unsigned slot = id.slot();
  DataPageEditor home = editorOf(id.page());
  if ((home.slotFlags(slot) & kSlotOverflow) == 0) {
    if (home.canResize(slot, rowBytes_.size())) {
      home.replace(slot, rowBytes_, 0);
      noteSpace(id.page());
      return;
    }
    // The row outgrew its page: it moves, and its slot points at the new place.
    const std::uint32_t page = pageWithRoom(rowBytes_.size(), id.page());
    const unsigned target = editorOf(page).insert(rowBytes_, kSlotDeleted);
    noteSpace(page);
    editorOf(id.page()).replace(slot, pointerTo(RowId::of(page, static_cast<std::uint8_t>(target))), kSlotOverflow);
    noteSpace(id.page());
    return;
  }
  // The row lives elsewhere already: bring it home when it fits again, else
  // rewrite it where it is, else move it on. The chain never grows.
  std::vector<RowId> targets;
  {
    RowId t{loadU32(home.row(slot).data())};
    for (int hop = 0; hop < kMaxOverflowHops; ++hop) {
      if (!pager.isPage(t.page())) break;
      const Page p = pager.page(t.page());
      if (p.type() != kPageTypeData || loadU32(p.bytes().data() + kDataPageOwner) != table_.definition.firstPage) break;
      const DataPage view(p.bytes(), t.page(), version);
      if (t.slot() >= view.slotCount()) break;
      targets.push_back(t);
      if (!view.isOverflow(t.slot())) break;
      t = view.overflowTarget(t.slot());
    }
  }
  if (targets.empty()) {
    throwCorruption("the row at page " + std::to_string(id.page()) + " slot " + std::to_string(slot) +
                    " points at a row that is not there");
  }
  const auto removeTargets = [&](std::size_t keepLast) {
    for (std::size_t i = 0; i + keepLast < targets.size(); ++i) {
      editorOf(targets[i].page()).remove(targets[i].slot());
      noteSpace(targets[i].page());
    }
  };
  if (home.canResize(slot, rowBytes_.size())) {
    home.replace(slot, rowBytes_, 0);
    removeTargets(0);
    noteSpace(id.page());
    return;
  }
  const RowId last = targets.back();
  DataPageEditor lastPage = editorOf(last.page());
  if (lastPage.canResize(last.slot(), rowBytes_.size())) {
    lastPage.replace(last.slot(), rowBytes_, kSlotDeleted);
    noteSpace(last.page());
    if (targets.size() > 1) {
      editorOf(id.page()).replace(slot, pointerTo(last), kSlotOverflow);
      removeTargets(1);
    }
    return;
  }
  const std::uint32_t page = pageWithRoom(rowBytes_.size(), id.page());
  const unsigned target = editorOf(page).insert(rowBytes_, kSlotDeleted);
  noteSpace(page);
  editorOf(id.page()).replace(slot, pointerTo(RowId::of(page, static_cast<std::uint8_t>(target))), kSlotOverflow);
  removeTargets(0);
}

void RowWriter::erase(RowId id) {
  Pager& pager = *table_.db->pager;
  const FormatVersion& version = *table_.db->version;
  releaseLongValues(longValueReferences(id));
  DataPageEditor home(pager.modify(id.page()), id.page(), version);
  if ((home.slotFlags(id.slot()) & kSlotOverflow) != 0) {
    RowId t{loadU32(home.row(id.slot()).data())};
    for (int hop = 0; hop < kMaxOverflowHops && pager.isPage(t.page()); ++hop) {
      const Page p = pager.page(t.page());
      if (p.type() != kPageTypeData || loadU32(p.bytes().data() + kDataPageOwner) != table_.definition.firstPage) break;
      DataPageEditor target(pager.modify(t.page()), t.page(), version);
      if (t.slot() >= target.slotCount() || target.slotFlags(t.slot()) == (kSlotDeleted | kSlotOverflow)) break;
      const bool more = (target.slotFlags(t.slot()) & kSlotOverflow) != 0;
      const RowId next{more ? loadU32(target.row(t.slot()).data()) : 0};
      target.remove(t.slot());
      noteSpace(t.page());
      if (!more) break;
      t = next;
    }
  }
  DataPageEditor(pager.modify(id.page()), id.page(), version).remove(id.slot());
  noteSpace(id.page());
}

void RowWriter::addToRowCount(int delta) {
  const FormatVersion& version = *table_.db->version;
  if (!countChecked_) {
    // The stored count can be stale in files from elsewhere: count once, before
    // the first change, and keep it exact from then on.
    countChecked_ = true;
    std::uint32_t live = 0;
    try {
      table_.forEachRow(
          ScanMode::Strict, nullptr, [](RowId, ByteSpan) {},
          [&](RowId) {
            ++live;
            return true;
          });
      table_.definition.rowCount = live - static_cast<std::uint32_t>(delta);
    } catch (const Error&) {
      // A damaged table keeps its stored count.
    }
  }
  const std::uint32_t count = table_.definition.rowCount + static_cast<std::uint32_t>(delta);
  writeDefinitionU32(*table_.db->pager, table_.definition, version.tdefRowCount, count, version);
  table_.definition.rowCount = count;
}

}  // namespace jet
