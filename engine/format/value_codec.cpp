// Row value decoding.
#include "format/value_codec.h"

#include <algorithm>

#include "format/text_codec.h"

namespace jet {

namespace {

constexpr std::size_t kNumericSize = 17;
constexpr std::size_t kGuidSize = 16;

}  // namespace

std::size_t naturalSize(DataType type) {
  switch (type) {
    case DataType::Byte:
      return 1;
    case DataType::Integer:
      return 2;
    case DataType::Long:
    case DataType::Single:
      return 4;
    case DataType::Currency:
    case DataType::Double:
    case DataType::DateTime:
      return 8;
    case DataType::Guid:
      return kGuidSize;
    case DataType::Numeric:
      return kNumericSize;
    default:
      return 0;
  }
}

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

Value decodeValue(DataType type, ByteSpan b, std::uint8_t scale) {
  const std::size_t need = naturalSize(type);
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
      return Value::text(decodeJet4Text(b));
    default:
      return Value::binary(Bytes(b.begin(), b.end()));
  }
}

}  // namespace jet
