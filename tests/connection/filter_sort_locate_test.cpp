// Filter, sort and Locate on an in-memory table: what passes, what is
// rejected and what the dataset looks like afterwards; sort order for text
// (case, accents), numbers, dates, Booleans and Null, and its stability; Locate
// with every option on text, numbers, dates and the rest.
#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "connection/data_set.h"
#include "jet/collation.h"
#include "jet/error.h"
#include "jet/text.h"
#include "memory_table.h"
#include "support/error_of.h"

namespace {

using jet::DataType;
using jet::Value;
using qb::LocateOptions;
using qbtest::errorOf;
using qbtest::memoryColumn;

jet::DateTime day(int y, int m, int d) {
  return jet::fromCivil({y, m, d, 0, 0, 0, 0});
}

class DataSetView : public ::testing::Test {
 protected:
  DataSetView() {
    table_.columns = {memoryColumn(u"Id", DataType::Long),        memoryColumn(u"Surname", DataType::Text),
                      memoryColumn(u"State", DataType::Text),     memoryColumn(u"Born", DataType::DateTime),
                      memoryColumn(u"Price", DataType::Currency), memoryColumn(u"Active", DataType::Boolean),
                      memoryColumn(u"Score", DataType::Double),   memoryColumn(u"Amount", DataType::Numeric),
                      memoryColumn(u"Notes", DataType::Memo)};
    const auto t = [](const char16_t* s) { return Value::text(s); };
    const auto d = [](int y, int m, int dd) { return Value::dateTime(day(y, m, dd)); };
    add(1, t(u"Smith"), t(u"CA"), d(1970, 5, 1), 125000, true, 2.5, 1550, t(u"first note"));
    add(2, t(u"smithers"), t(u"NY"), d(1985, 1, 2), 30000, false, -1, 0, t(u""));
    add(3, t(u"Jones"), Value(), d(1890, 12, 31), 0, true, 1e20, -200, t(u"Second"));
    add(4, t(u"Sm"), t(u"ca"), Value(), -1, false, 2.5, 1550, Value());
    add(5, t(u"Ålund"), t(u""), d(2003, 1, 2), 99990000, true, 0.1, 5, t(u"smith again"));
  }
  void add(int id, Value surname, Value state, Value born, std::int64_t price, bool active, double score,
           std::int64_t amountCents, Value notes) {
    jet::Decimal amount;
    amount.negative = amountCents < 0;
    amount.magnitude = static_cast<jet::UInt128>(amountCents < 0 ? -amountCents : amountCents);
    amount.scale = 2;
    table_.add({Value::longInt(id), std::move(surname), std::move(state), std::move(born),
                Value::currency({price}), Value::boolean(active), Value::dbl(score), Value::decimal(amount),
                std::move(notes)});
  }
  std::vector<int> ids() {
    std::vector<int> out;
    for (std::size_t row = 0; row < mdb_.rowCount(); ++row) out.push_back(mdb_.valueAt(row, 0).asLong());
    return out;
  }
  int currentId() { return mdb_.field(0).value().asLong(); }
  bool locate(std::u16string_view field, std::u16string_view value, bool caseInsensitive, bool partial) {
    return mdb_.locate(field, value, LocateOptions{caseInsensitive, partial});
  }

  qbtest::MemoryTable table_;
  qbtest::MemoryDataSet mdb_{table_};
};

using Ids = std::vector<int>;

TEST_F(DataSetView, FilterShowsMatchingRowsFromTheFirst) {
  mdb_.open();
  mdb_.last();
  mdb_.setFilter(u"State = 'CA' ");
  EXPECT_EQ(ids(), (Ids{1, 2, 3, 4, 5}));  // stored only until filtered
  EXPECT_EQ(mdb_.recordNumber(), 5);
  mdb_.setFiltered(true);
  EXPECT_EQ(ids(), (Ids{1, 4}));  // text compares without case
  EXPECT_EQ(mdb_.recordCount(), 2u);
  EXPECT_EQ(mdb_.recordNumber(), 1);
  EXPECT_TRUE(mdb_.bof());
  mdb_.setFilter(u"State = 'NY'");  // replaces, does not narrow
  EXPECT_EQ(ids(), (Ids{2}));
  mdb_.setFilter(u"(Id > 1) AND (Id < 5) AND Price >= 0");
  EXPECT_EQ(ids(), (Ids{2, 3}));
  mdb_.setFilter(u"Id > 100");
  EXPECT_EQ(mdb_.recordCount(), 0u);
  EXPECT_TRUE(mdb_.eof());
  mdb_.setFilter(u"");
  EXPECT_TRUE(mdb_.filtered());  // an empty filter is still in force
  EXPECT_EQ(ids(), (Ids{1, 2, 3, 4, 5}));
  mdb_.setFiltered(false);
  EXPECT_EQ(ids(), (Ids{1, 2, 3, 4, 5}));
}

TEST_F(DataSetView, FilterHelpOperatorsAndBlank) {
  mdb_.open();
  mdb_.setFiltered(true);
  const std::vector<std::pair<std::u16string, Ids>> cases{
      {u"State <> 'CA' or State = BLANK", {2, 3, 5}},
      {u"State <> 'CA'", {2, 5}},
      {u"Surname='Smith' and State='ca'", {1}},
      {u"[Surname] LIKE 'sm*' AND NOT Active", {2, 4}},
      {u"Surname LIKE 'Sm_' OR Surname LIKE '[J-K]%'", {3}},
      {u"Born >= #1/1/1980# or Born = Null", {2, 4, 5}},
      {u"Score + 1 > 3 and Price - 1 < 13", {1, 3, 4}},
      {u"Surname + 'x' = 'Smx'", {4}},
      {u"Born - 1 < #1/1/1900#", {3}},
      {u"Amount = 15.5 AND (Id = 1 OR Id = 4) AND NOT Id = 4", {1}},
      {u"Notes = BLANK", {2, 4}},
      {u"Notes <> BLANK", {1, 3, 5}},
      {u"Born - #1/1/1970# > 365", {2, 5}},  // days between two dates
      {u"Born + 1 = #5/2/1970#", {1}},
      {u"#1/1/1980# - Born > 0", {1, 3}},
      {u"NOT (State = 'CA')", {2, 5}},                          // a Null state is neither
      {u"State = 'CA' OR State = 'NY' AND Id > 1", {1, 2, 4}},  // AND binds first
      {u"(State = 'CA' OR State = 'NY') AND Id > 1", {2, 4}},
      {u"Surname LIKE '*MI*'", {1, 2}},
      {u"Surname LIKE 'S?'", {4}},
      {u"Surname <> 'smith' AND Surname >= 'S'", {2, 4}},
      {u"Price > 12.5 OR Score < 0", {2, 5}},
      {u"Surname = 'O''Brien'", {}},
  };
  for (const auto& [filter, expected] : cases) {
    mdb_.setFilter(filter);
    EXPECT_EQ(ids(), expected) << jet::toUtf8(filter);
  }
}

TEST_F(DataSetView, RejectedFilterLeavesEveryRowShownAndTheTextKept) {
  mdb_.open();
  mdb_.setFilter(u"Sate = 'CA'");
  EXPECT_EQ(errorOf([&] { mdb_.setFiltered(true); }), "Unknown field 'Sate' in filter at position 1");
  EXPECT_FALSE(mdb_.filtered());
  EXPECT_EQ(mdb_.filter(), u"Sate = 'CA'");
  EXPECT_EQ(ids(), (Ids{1, 2, 3, 4, 5}));

  // Changing a filter in force to one that does not parse ends the filter too.
  mdb_.setFilter(u"Id > 3");
  mdb_.setFiltered(true);
  EXPECT_EQ(ids(), (Ids{4, 5}));
  EXPECT_THROW(mdb_.setFilter(u"Id >"), jet::Error);
  EXPECT_FALSE(mdb_.filtered());
  EXPECT_EQ(mdb_.filter(), u"Id >");
  EXPECT_EQ(ids(), (Ids{1, 2, 3, 4, 5}));
}

TEST_F(DataSetView, FilterFinishesAnEditFirst) {
  mdb_.open();
  mdb_.edit();
  mdb_.field(1).setText(u"Changed");
  mdb_.setFilter(u"Id = 1");  // not filtered: only stored, the edit goes on
  EXPECT_EQ(mdb_.state(), qb::DataSetState::Edit);
  mdb_.setFiltered(true);
  EXPECT_EQ(mdb_.state(), qb::DataSetState::Browse);
  EXPECT_EQ(table_.rows.begin()->second[1], Value::text(u"Changed"));

  // A record that cannot be saved keeps the filter as it was.
  mdb_.edit();
  mdb_.field(1).setText(u"Again");
  table_.refuseNextWrite = jet::Error(jet::ErrorCode::Constraint, "refused");
  EXPECT_EQ(errorOf([&] { mdb_.setFilter(u"Id = 2"); }), "refused");
  EXPECT_EQ(mdb_.filter(), u"Id = 1");
  EXPECT_TRUE(mdb_.filtered());
  EXPECT_EQ(errorOf([&] { mdb_.setFiltered(false); }), "(no error)");
  EXPECT_EQ(ids(), (Ids{1, 2, 3, 4, 5}));
}

TEST_F(DataSetView, FilterInForceIsAppliedAtEveryOpen) {
  mdb_.setFilter(u"Active");
  mdb_.setFiltered(true);  // closed: only stored
  mdb_.open();
  EXPECT_EQ(ids(), (Ids{1, 3, 5}));
  mdb_.close();
  mdb_.open();
  EXPECT_EQ(ids(), (Ids{1, 3, 5}));

  // A filter naming a field the source lacks makes the open fail until it goes.
  mdb_.close();
  mdb_.setFilter(u"Town = 'x'");
  EXPECT_EQ(errorOf([&] { mdb_.open(); }), "Unknown field 'Town' in filter at position 1");
  EXPECT_FALSE(mdb_.active());
  EXPECT_TRUE(mdb_.filtered());
  mdb_.setFilter(u"");
  mdb_.setFiltered(false);
  mdb_.open();
  EXPECT_EQ(mdb_.recordCount(), 5u);
}

TEST_F(DataSetView, SortOrdersEveryKindOfValue) {
  mdb_.open();
  const std::vector<std::pair<std::u16string, Ids>> cases{
      {u"Surname", {5, 3, 4, 1, 2}},  // without case, accented A among the A's
      {u"Surname DESC", {2, 1, 4, 3, 5}},    {u"State", {3, 5, 1, 4, 2}},  // Null, then the empty text
      {u"State DESC", {2, 1, 4, 5, 3}},                                    // equal texts keep their order
      {u"Active, Id desc", {5, 3, 1, 4, 2}},                               // True first
      {u"Score", {2, 5, 1, 4, 3}},           {u"Born", {4, 3, 1, 2, 5}},  {u"[Price] DESC", {5, 1, 2, 3, 4}},
      {u"Amount ASC", {3, 2, 5, 1, 4}},      {u"Notes", {4, 2, 1, 3, 5}}, {u"  ", {1, 2, 3, 4, 5}},
  };
  for (const auto& [sort, expected] : cases) {
    mdb_.setSort(sort);
    EXPECT_EQ(ids(), expected) << jet::toUtf8(sort);
    EXPECT_EQ(mdb_.sort(), sort);
  }
}

TEST_F(DataSetView, SortTiesKeepTheNaturalOrderWhateverCameBefore) {
  mdb_.open();
  mdb_.setSort(u"Id DESC");
  mdb_.setSort(u"Score");
  EXPECT_EQ(ids(), (Ids{2, 5, 1, 4, 3}));
  mdb_.setSort(u"Amount DESC");
  EXPECT_EQ(ids(), (Ids{1, 4, 5, 2, 3}));
}

TEST_F(DataSetView, SortFollowsJetTextOrder) {
  qbtest::MemoryTable words;
  words.columns = {memoryColumn(u"W", DataType::Text)};
  for (const char16_t* w :
       {u"zebra", u"Apple", u"éclair", u"apple", u"Äpfel", u"banana", u"Eclair", u"Zebra", u"eclair"}) {
    words.add({Value::text(w)});
  }
  qbtest::MemoryDataSet set(words);
  set.open();
  set.setSort(u"W");
  std::vector<std::u16string> sorted;
  for (std::size_t row = 0; row < set.rowCount(); ++row) sorted.push_back(set.valueAt(row, 0).asText());
  EXPECT_EQ(sorted, (std::vector<std::u16string>{u"Äpfel", u"Apple", u"apple", u"banana", u"Eclair",
                                                 u"eclair", u"éclair", u"zebra", u"Zebra"}));
}

TEST_F(DataSetView, SortNeedsAnOpenDatasetAndIsLostAtClose) {
  EXPECT_EQ(errorOf([&] { mdb_.setSort(u"Id"); }), "mdb: Cannot perform this operation on a closed dataset");
  EXPECT_EQ(errorOf([&] { mdb_.setSort(u""); }), "mdb: Cannot perform this operation on a closed dataset");
  mdb_.open();
  mdb_.setSort(u"Id DESC");
  mdb_.next();
  EXPECT_EQ(errorOf([&] { mdb_.setSort(u"Nmae"); }), "Unknown field 'Nmae' in sort at position 1");
  EXPECT_EQ(ids(), (Ids{5, 4, 3, 2, 1}));  // unchanged
  EXPECT_EQ(currentId(), 4);
  EXPECT_EQ(mdb_.sort(), u"Id DESC");
  mdb_.close();
  EXPECT_EQ(mdb_.sort(), u"");
  mdb_.open();
  EXPECT_EQ(ids(), (Ids{1, 2, 3, 4, 5}));
}

TEST_F(DataSetView, SortStaysWhenTheFilterChanges) {
  mdb_.open();
  mdb_.setSort(u"Score DESC");
  mdb_.setFilter(u"Active");
  mdb_.setFiltered(true);
  EXPECT_EQ(ids(), (Ids{3, 1, 5}));
  mdb_.setFilter(u"Id < 5");
  EXPECT_EQ(ids(), (Ids{3, 1, 4, 2}));
  EXPECT_EQ(currentId(), 3);
}

TEST_F(DataSetView, SortTakesAnIndexOrderWhenOneFitsTheWholeView) {
  // A made-up index order (by Id descending) tells whether it was used.
  table_.indexOrder = [](std::span<const jet::SortKey>) {
    return std::optional<std::vector<jet::RowId>>(std::vector<jet::RowId>{{5}, {4}, {3}, {2}, {1}});
  };
  mdb_.open();
  mdb_.setSort(u"Surname");
  EXPECT_EQ(ids(), (Ids{5, 4, 3, 2, 1}));
  mdb_.setFilter(u"Active");
  mdb_.setFiltered(true);  // the index order, without the rows filtered out
  EXPECT_EQ(ids(), (Ids{5, 3, 1}));

  // An index that leaves rows out (ignoring Nulls) cannot give the order.
  table_.indexOrder = [](std::span<const jet::SortKey>) {
    return std::optional<std::vector<jet::RowId>>(std::vector<jet::RowId>{{5}, {1}});
  };
  mdb_.setSort(u"Surname");
  EXPECT_EQ(ids(), (Ids{5, 3, 1}));  // sorted here: Ålund, Jones, Smith
  EXPECT_EQ(table_.indexRequests, 3);
}

TEST_F(DataSetView, SavedNewRecordStaysWhereItWasInserted) {
  mdb_.open();
  mdb_.setSort(u"Id DESC");
  mdb_.next();
  mdb_.insert();
  mdb_.field(0).setValue(Value::longInt(9));
  mdb_.save();
  EXPECT_EQ(ids(), (Ids{5, 9, 4, 3, 2, 1}));
  EXPECT_EQ(mdb_.recordNumber(), 2);
  mdb_.deleteRecord();
  EXPECT_EQ(ids(), (Ids{5, 4, 3, 2, 1}));
  mdb_.setSort(u"");
  EXPECT_EQ(ids(), (Ids{1, 2, 3, 4, 5}));
}

TEST_F(DataSetView, LocateTextWithEveryOption) {
  mdb_.open();
  struct Case {
    const char16_t* value;
    bool caseInsensitive;
    bool partial;
    int expected;  // 0: not found
  };
  const std::vector<Case> cases{
      {u"Smith", false, false, 1}, {u"smith", false, false, 0},   {u"smith", true, false, 1},
      {u"Sm", false, true, 1},     {u"Sm", false, false, 4},      {u"smi", false, true, 2},
      {u"SMI", true, true, 1},     {u"SMI", false, true, 0},      {u"ålund", true, false, 5},
      {u"alund", true, false, 0},  {u"Smithers!", true, true, 0},
  };
  for (const Case& c : cases) {
    mdb_.last();
    const bool found = locate(u"Surname", c.value, c.caseInsensitive, c.partial);
    EXPECT_EQ(found, c.expected != 0) << jet::toUtf8(c.value) << " " << c.caseInsensitive << c.partial;
    EXPECT_EQ(currentId(), c.expected != 0 ? c.expected : 5) << jet::toUtf8(c.value);
  }
  EXPECT_TRUE(locate(u"Notes", u"smith", false, true));  // memo text too
  EXPECT_EQ(currentId(), 5);
  EXPECT_TRUE(locate(u"state", u"", false, false));  // the empty text, not Null
  EXPECT_EQ(currentId(), 5);
}

TEST_F(DataSetView, LocateConvertsTheValueToTheFieldsType) {
  mdb_.open();
  const std::vector<std::tuple<const char16_t*, const char16_t*, int>> cases{
      {u"Id", u"3", 3},
      {u"Id", u"abc", 0},
      {u"Id", u"", 0},
      {u"Id", u"99999999999", 0},
      {u"Price", u"12.5", 1},
      {u"Price", u"12.50", 1},
      {u"Price", u"-0.0001", 4},
      {u"Score", u"2.5", 1},
      {u"Score", u"1E20", 3},
      {u"Amount", u"15.5", 1},
      {u"Amount", u"-2", 3},
      {u"Amount", u"0.050", 5},
      {u"Born", u"1/2/1985", 2},
      {u"Born", u"12/31/1890", 3},
      {u"Born", u"1985-01-02", 2},
      {u"Born", u"not a date", 0},
      {u"Active", u"False", 2},
      {u"Active", u"yes", 1},
  };
  for (const auto& [field, value, expected] : cases) {
    mdb_.last();
    EXPECT_EQ(locate(field, value, true, true), expected != 0)
        << jet::toUtf8(field) << "=" << jet::toUtf8(value);
    EXPECT_EQ(currentId(), expected != 0 ? expected : 5) << jet::toUtf8(field) << "=" << jet::toUtf8(value);
  }
}

TEST_F(DataSetView, LocateReadsValuesAsTheUserWritesThem) {
  qb::FormatSettings settings;
  settings.shortDateFormat = u"dd/mm/yyyy";
  settings.decimalSeparator = u',';
  mdb_.setFormatSettings(settings);
  mdb_.open();
  EXPECT_TRUE(locate(u"Born", u"2/1/1985", false, false));
  EXPECT_EQ(currentId(), 2);
  EXPECT_TRUE(locate(u"Born", u"31/12/1890", false, false));
  EXPECT_EQ(currentId(), 3);
  // Numbers as their text form shows them, with a decimal comma.
  EXPECT_TRUE(locate(u"Price", mdb_.fieldByName(u"Price").text(), false, false));
  EXPECT_EQ(currentId(), 3);
  EXPECT_TRUE(locate(u"Score", u"0,1", false, false));
  EXPECT_EQ(currentId(), 5);
  EXPECT_TRUE(locate(u"Amount", u"-2,00", false, false));
  EXPECT_EQ(currentId(), 3);
  EXPECT_TRUE(locate(u"Price", u"-0,0001", false, false));
  EXPECT_EQ(currentId(), 4);
  EXPECT_TRUE(locate(u"Score", u"2.5", false, false));  // a point still reads as one
  EXPECT_EQ(currentId(), 1);
}

TEST_F(DataSetView, LocateSearchesTheViewInItsOrder) {
  mdb_.open();
  mdb_.setSort(u"Id DESC");
  EXPECT_TRUE(locate(u"Surname", u"Sm", false, true));
  EXPECT_EQ(currentId(), 4);
  mdb_.setFilter(u"Active");
  mdb_.setFiltered(true);
  EXPECT_FALSE(locate(u"Surname", u"smithers", false, false));
  EXPECT_EQ(mdb_.recordNumber(), 1);
}

TEST_F(DataSetView, LocateMissesQuietlyAndFinishesAnEditFirst) {
  mdb_.open();
  mdb_.next();
  EXPECT_FALSE(locate(u"Nope", u"1", true, true));
  EXPECT_FALSE(locate(u"", u"", true, true));
  EXPECT_EQ(currentId(), 2);
  mdb_.edit();
  mdb_.field(1).setText(u"Zed");
  table_.refuseNextWrite = jet::Error(jet::ErrorCode::Constraint, "refused");
  EXPECT_EQ(errorOf([&] { locate(u"Id", u"1", false, false); }), "refused");
  EXPECT_EQ(mdb_.state(), qb::DataSetState::Edit);
  EXPECT_TRUE(locate(u"Surname", u"Zed", false, false));  // saved first, then found
  EXPECT_EQ(currentId(), 2);
  mdb_.close();
  EXPECT_EQ(errorOf([&] { locate(u"Id", u"1", false, false); }),
            "mdb: Cannot perform this operation on a closed dataset");
}

}  // namespace

namespace {

// Many rows with long shared beginnings, keys of every length, equal keys,
// Nulls and mixed case:
// the sort must agree with a plain stable sort by Jet's text order.
TEST(SortAgainstAStableSort, RandomTextAndNumbers) {
  qbtest::MemoryTable table;
  table.columns = {memoryColumn(u"T", DataType::Text), memoryColumn(u"N", DataType::Long),
                   memoryColumn(u"Row", DataType::Long)};
  std::mt19937 random(11);
  const std::u16string letters = u"aAbBéÉ- ";
  for (int i = 0; i < 3000; ++i) {
    Value text;
    if (random() % 10 != 0) {
      std::u16string t = u"Customer number ";  // longer than the 8 bytes compared first
      if (i % 2 == 0) {
        for (int k = static_cast<int>(random() % 4); k > 0; --k) t += letters[random() % letters.size()];
      } else {
        // Long runs of a few letters: keys that agree over several 8-byte
        // steps, end inside one, or begin one another.
        for (int k = static_cast<int>(random() % 20); k > 0; --k) t += u"aAb"[random() % 3];
      }
      text = Value::text(t);
    }
    table.add({text,
               random() % 7 == 0 ? Value() : Value::longInt(static_cast<std::int32_t>(random() % 5) - 2),
               Value::longInt(i)});
  }
  const auto rows = table.contents();
  const auto compareNullable = [](const Value& a, const Value& b, auto compare) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull() ? 0 : (a.isNull() ? -1 : 1);
    return compare(a, b);
  };
  const auto text = [&](std::size_t a, std::size_t b) {
    return compareNullable(rows[a][0], rows[b][0], [](const Value& x, const Value& y) {
      return jet::compareTextAsIndexed(x.asText(), y.asText());
    });
  };
  const auto number = [&](std::size_t a, std::size_t b) {
    return compareNullable(rows[a][1], rows[b][1], [](const Value& x, const Value& y) {
      return x.asLong() < y.asLong() ? -1 : (x.asLong() > y.asLong() ? 1 : 0);
    });
  };
  const std::vector<std::pair<std::u16string, std::function<bool(std::size_t, std::size_t)>>> sorts{
      {u"T", [&](std::size_t a, std::size_t b) { return text(a, b) < 0; }},
      {u"T DESC", [&](std::size_t a, std::size_t b) { return text(a, b) > 0; }},
      {u"N DESC, T",
       [&](std::size_t a, std::size_t b) {
         const int n = number(a, b);
         return n != 0 ? n > 0 : text(a, b) < 0;
       }},
      {u"T DESC, N",
       [&](std::size_t a, std::size_t b) {
         const int t = text(a, b);
         return t != 0 ? t > 0 : number(a, b) < 0;
       }},
  };
  qbtest::MemoryDataSet set(table);
  set.open();
  for (const auto& [order, less] : sorts) {
    std::vector<std::size_t> expected(rows.size());
    std::iota(expected.begin(), expected.end(), std::size_t{0});
    std::stable_sort(expected.begin(), expected.end(), less);
    set.setSort(order);
    std::vector<std::size_t> actual;
    for (std::size_t row = 0; row < set.rowCount(); ++row) {
      actual.push_back(static_cast<std::size_t>(set.valueAt(row, 2).asLong()));
    }
    EXPECT_EQ(actual, expected) << jet::toUtf8(order);
  }
}

}  // namespace
