// Decoding and encoding the values that live inside a row: every type except
// memo and OLE, whose row bytes are a long-value reference
// (long_value.h). Booleans live in the null mask and never reach these
// functions.
#pragma once

#include <cstdint>
#include <vector>

#include "format/bytes.h"
#include "jet/value.h"

namespace jet {

class TextCodec;

// Decodes a non-null value of `type`. Numeric values take `scale` from the
// column. Fixed-size types need at least their natural size of bytes (a longer
// field is read from its start); fewer bytes throw Corruption. Unknown type codes
// read as binary. Text is read with the database's codec.
Value decodeValue(DataType type, ByteSpan bytes, std::uint8_t scale, const TextCodec& text);

// The 17-byte numeric form: sign byte, then four 32-bit words of the magnitude,
// most significant first, each little-endian.
Decimal decodeNumeric(ByteSpan bytes, std::uint8_t scale);
void encodeNumeric(const Decimal& value, std::vector<std::uint8_t>& out);

// Appends the stored bytes of a non-null value of `type` to `out`. The value's
// kind must be the one decodeValue gives for the type (the writer converts
// first). `fixedLength` is the field's size when it lives in the fixed area:
// text is then padded with spaces and binary data with zeros to that size.
// Text is written with the database's codec (the caller has checked that the
// code page holds it), compressed when `compressText` allows and it is shorter.
void encodeValue(DataType type, const Value& value, std::size_t fixedLength, bool compressText,
                 const TextCodec& text, std::vector<std::uint8_t>& out);

}  // namespace jet
