// Texts the browsing controls show for field values.
#include "connection/ui/field_display.h"

#include "connection/field.h"
#include "jet/value.h"

namespace qb {

bool isBinaryFieldType(TFieldType type) noexcept {
  switch (type) {
    case TFieldType::ftBytes:
    case TFieldType::ftVarBytes:
    case TFieldType::ftBlob:
    case TFieldType::ftGraphic:
    case TFieldType::ftTypedBinary:
    case TFieldType::ftParadoxOle:
    case TFieldType::ftDBaseOle:
      return true;
    default:
      return false;
  }
}

QString binaryDescription(TFieldType type, std::size_t bytes) {
  constexpr std::size_t kKilo = 1024;
  const QString kind = type == TFieldType::ftBytes || type == TFieldType::ftVarBytes
                           ? QStringLiteral("Binary")
                           : QStringLiteral("OLE Object");
  QString size;
  if (bytes < kKilo) {
    size = bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
  } else if (bytes < kKilo * kKilo) {
    // Rounded, but never up to "1024 KB".
    size = QStringLiteral("%1 KB").arg(std::min<std::size_t>((bytes + kKilo / 2) / kKilo, kKilo - 1));
  } else {
    size = QStringLiteral("%1 MB").arg(static_cast<double>(bytes) / double(kKilo * kKilo), 0, 'f', 1);
  }
  return QStringLiteral("(%1, %2)").arg(kind, size);
}

QString describeBinaryValue(const jet::Value& value, TFieldType type) {
  if (value.kind() != jet::ValueKind::Binary) return QString();
  return binaryDescription(type, value.asBinary().size());
}

QString displayText(const Field& field) {
  if (isBinaryFieldType(field.dataType())) return describeBinaryValue(field.value(), field.dataType());
  return QString::fromStdU16String(field.text());
}

}  // namespace qb
