// Source databases the migration tests build with the engine: one table with
// a value at the edge of every type, keys and rules Jet enforces.
#pragma once

#include <filesystem>

namespace qbtest {

// Writes a database with one table "Values":
//   ID     autonumber, primary key (rows 1-4 live; row 5 was deleted, so the
//          counter, 5, is past the largest key)
//   T      Text(50), unique index (case-insensitive as Jet compares text)
//   Z      Text(10) that allows no zero-length text
//   R      Text(20), required
//   B I L  Byte, Integer, Long (L with a descending index)
//   C      Currency    S Single    D Double    DT Date/Time    YN Yes/No
//   BIN    Binary(20)  OLE OLE Object  M Memo  G GUID autonumber  N Decimal(28,6)
// with the extremes of each type, dates before 1900 and in the year 9999,
// text with tabs, line breaks, backslashes, quotes and characters outside the
// BMP, Null beside the empty text and empty binary.
void writeValuesDatabase(const std::filesystem::path& path);

// Writes a database for the views tests: "Customers" (ID, Name, City, Born,
// Vip) and "Order Lines" (OrderID, CustomerID, Amount, Qty, Note), with
// Nulls, names that differ only in case, "Chloé", text holding '%', '_', a
// quote and a backslash, dates in 1850 and 2024-02-29, a negative amount and
// an order of a customer that does not exist.
void writeShopDatabase(const std::filesystem::path& path);

// Writes a database with one table "Orders" of `rows` generated rows.
void writeOrdersDatabase(const std::filesystem::path& path, int rows);

}  // namespace qbtest
