// Row value decoding and encoding.
#include "format/value_codec.h"

#include <algorithm>
#include <bit>

#include "format/text_codec.h"

namespace jet {

namespace {

constexpr std::size_t kNumericSize = 17;
constexpr std::size_t kGuidSize = 16;

}  // namespace

Decimal decodeNumeric(ByteSpan b, std::uint8_t scale) {
  checkRange(b, 0, kNumericSize);
  Decimal d;
  d.negative = b[0] != 0;
  for (std::size_t word = 0; word < 4; ++word)
    d.magnitude = d.magnitude << 32 | loadU32(b.data() + 1 + 4 * word);
  d.scale = scale;
  d.normalise();
  return d;
}

Value decodeValue(DataType type, ByteSpan b, std::uint8_t scale, const TextCodec& text) {
  const std::size_t need = factsOf(type).fixedSize;
  if (b.size() < need) {
    throwCorruption("a " + dataTypeName(type) + " value needs " + std::to_string(need) + " bytes but has " +
                    std::to_string(b.size()));
  }
  const std::uint8_t* p = b.data();
  switch (type) {
    case DataType::Byte:
      return Value::byte(p[0]);
    case DataType::Integer:
      return Value::integer(static_cast<std::int16_t>(loadU16(p)));
    case DataType::Long:
      return Value::longInt(static_cast<std::int32_t>(loadU32(p)));
    case DataType::Currency:
      return Value::currency(Currency{static_cast<std::int64_t>(loadU64(p))});
    case DataType::Single:
      return Value::single(loadF32(p));
    case DataType::Double:
      return Value::dbl(loadF64(p));
    case DataType::DateTime:
      return Value::dateTime(DateTime{loadF64(p)});
    case DataType::Guid: {
      Guid g;
      std::copy(p, p + kGuidSize, g.bytes.begin());
      return Value::guid(g);
    }
    case DataType::Numeric:
      return Value::decimal(decodeNumeric(b, scale));
    case DataType::Text:
      return Value::text(text.decode(b));
    default:
      return Value::binary(Bytes(b.begin(), b.end()));
  }
}

namespace {

template <typename T>
void appendLittleEndian(std::vector<std::uint8_t>& out, T value) {
  using U = std::make_unsigned_t<T>;
  auto bits = static_cast<U>(value);
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    out.push_back(static_cast<std::uint8_t>(bits & 0xFF));
    bits = static_cast<U>(bits >> 8);
  }
}

}  // namespace

void encodeNumeric(const Decimal& value, std::vector<std::uint8_t>& out) {
  out.push_back(value.negative && value.magnitude != 0 ? 0x80 : 0x00);
  for (int word = 3; word >= 0; --word) {
    appendLittleEndian(out, static_cast<std::uint32_t>(value.magnitude >> (32 * word)));
  }
}

void encodeValue(DataType type, const Value& v, std::size_t fixedLength, bool compressText,
                 const TextCodec& text, std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  switch (type) {
    case DataType::Byte: out.push_back(v.asByte()); break;
    case DataType::Integer: appendLittleEndian(out, v.asInteger()); break;
    case DataType::Long: appendLittleEndian(out, v.asLong()); break;
    case DataType::Currency: appendLittleEndian(out, v.asCurrency().units); break;
    case DataType::Single: appendLittleEndian(out, std::bit_cast<std::uint32_t>(v.asSingle())); break;
    case DataType::Double: appendLittleEndian(out, std::bit_cast<std::uint64_t>(v.asDouble())); break;
    case DataType::DateTime: appendLittleEndian(out, std::bit_cast<std::uint64_t>(v.asDateTime().days)); break;
    case DataType::Guid: out.insert(out.end(), v.asGuid().bytes.begin(), v.asGuid().bytes.end()); break;
    case DataType::Numeric: encodeNumeric(v.asDecimal(), out); break;
    case DataType::Text:
      // Fixed-length text keeps its plain form so that the padding stays text.
      text.encode(v.asText(), compressText && fixedLength == 0, out);
      while (fixedLength != 0 && out.size() - start + text.unitSize() <= fixedLength) {
        out.push_back(0x20);
        if (text.unitSize() == 2) out.push_back(0x00);
      }
      break;
    default:
      out.insert(out.end(), v.asBinary().begin(), v.asBinary().end());
      break;
  }
  if (fixedLength != 0 && out.size() - start < fixedLength) out.resize(start + fixedLength, 0);
}

}  // namespace jet
