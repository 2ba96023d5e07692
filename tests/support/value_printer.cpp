// Test output for engine values: the kind and the value in a readable form.
#include "support/value_printer.h"

#include "jet/text.h"

namespace jet {

void PrintTo(const Value& v, std::ostream* out) {
  *out << valueKindName(v.kind());
  switch (v.kind()) {
    case ValueKind::Null:
      return;
    case ValueKind::Boolean:
      *out << ' ' << (v.asBoolean() ? "true" : "false");
      return;
    case ValueKind::Byte:
      *out << ' ' << int(v.asByte());
      return;
    case ValueKind::Integer:
      *out << ' ' << v.asInteger();
      return;
    case ValueKind::Long:
      *out << ' ' << v.asLong();
      return;
    case ValueKind::Currency:
      *out << ' ' << v.asCurrency().toString();
      return;
    case ValueKind::Single:
      *out << ' ' << v.asSingle();
      return;
    case ValueKind::Double:
      *out << ' ' << v.asDouble();
      return;
    case ValueKind::DateTime:
      *out << ' ' << toIsoString(v.asDateTime());
      return;
    case ValueKind::Text:
      *out << " \"" << toUtf8(v.asText()) << '"';
      return;
    case ValueKind::Binary:
      *out << " (" << v.asBinary().size() << " bytes)";
      return;
    case ValueKind::Guid:
      *out << ' ' << v.asGuid().toString();
      return;
    case ValueKind::Decimal:
      *out << ' ' << v.asDecimal().toString();
      return;
  }
}

}  // namespace jet
