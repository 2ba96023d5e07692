// Rows in PostgreSQL's binary COPY format, typed as the DDL declares their
// columns (ddl.cpp): each value goes over as the server keeps it, so the
// server parses no text — integers, float4/float8 bits, numeric in its
// base-10000 digits, timestamps in microseconds since 2000-01-01, uuid
// bytes, text as UTF-8 and bytea as it is.
#pragma once

#include <cstddef>
#include <string>

#include "jet/value.h"

namespace qbmigrate {

// The 19-byte signature and header that start the data, and the trailer that ends it.
void appendBinaryCopyHeader(std::string& out);
void appendBinaryCopyTrailer(std::string& out);

// Starts a row of `columns` values; each value follows with appendBinaryCopyValue.
void appendBinaryCopyRowStart(std::string& out, std::size_t columns);

// One value of a column of `type`. ValueError (value_text.h) for a value the
// column's type cannot carry: text holding U+0000, a date outside the years
// 1-9999, a value of another type than the column's. `replaced` counts
// unpaired UTF-16 surrogates written as U+FFFD.
void appendBinaryCopyValue(std::string& out, const jet::Value& value, jet::DataType type, std::size_t& replaced);

}  // namespace qbmigrate
