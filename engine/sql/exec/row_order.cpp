// Sort order of values and of key lists.
#include "sql/exec/row_order.h"

#include <cstring>

#include "jet/collation.h"
#include "jet/error.h"
#include "jet/text.h"
#include "value/value_error.h"
#include "value/value_ops.h"

namespace jet::sql {

int compareForSort(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return a.isNull() ? (b.isNull() ? 0 : -1) : 1;
  try {
    return *compareValues(a, b);
  } catch (const ValueError& e) {
    throw Error(ErrorCode::InvalidArgument, std::string("Cannot sort: ") + e.what());
  }
}

int compareKeys(std::span<const Value> a, std::span<const Value> b, const std::vector<bool>& descending) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int c = compareForSort(a[i], b[i]);
    if (c != 0) return i < descending.size() && descending[i] ? -c : c;
  }
  return 0;
}

int normalizedClass(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null: return 0;
    case ValueKind::Text: return 2;
    case ValueKind::Binary:
    case ValueKind::Guid: return 3;
    default: return 1;
  }
}

bool appendNormalizedKey(const SortValue& v, bool descending, std::string& out) {
  const std::size_t start = out.size();
  switch (normalizedClass(v.value)) {
    case 0: out.push_back('\x01'); break;
    case 1: {
      double d = 0;
      try {
        d = toDouble(v.value);
      } catch (const std::exception&) {
        return false;
      }
      if (d == 0) d = 0;  // -0 and 0
      std::uint64_t bits = 0;
      std::memcpy(&bits, &d, sizeof bits);
      bits = (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
      out.push_back('\x02');
      for (int shift = 56; shift >= 0; shift -= 8) out.push_back(static_cast<char>((bits >> shift) & 0xFF));
      break;
    }
    case 2: {
      out.push_back('\x02');
      out += v.textKey;  // delimits itself, as a text index key does
      // Texts the sort key cannot tell apart: by their letters folded to upper
      // case, each as two bytes, a zero unit written 00 01, the end 00 00.
      for (char16_t c : v.value.asText()) {
        const char16_t u = toUpperSimple(c);
        out.push_back(static_cast<char>(u >> 8));
        out.push_back(static_cast<char>(u & 0xFF));
        if (u == 0) out.push_back('\x01');
      }
      out.push_back('\0');
      out.push_back('\0');
      break;
    }
    default: return false;
  }
  if (descending) {
    for (std::size_t i = start; i < out.size(); ++i) out[i] = static_cast<char>(~static_cast<unsigned char>(out[i]));
  }
  return true;
}

SortValue sortValue(Value v) {
  SortValue out;
  if (v.kind() == ValueKind::Text) out.textKey = textSortKey(v.asText());
  out.value = std::move(v);
  return out;
}

int compareSortValues(const SortValue& a, const SortValue& b) {
  if (a.value.kind() == ValueKind::Text && b.value.kind() == ValueKind::Text) {
    // The order of compareText: the sort keys, then the letters without regard to case.
    const int c = a.textKey.compare(b.textKey);
    if (c != 0) return c < 0 ? -1 : 1;
    return compareNamesNoCase(a.value.asText(), b.value.asText());
  }
  return compareForSort(a.value, b.value);
}

int compareSortKeys(std::span<const SortValue> a, std::span<const SortValue> b, const std::vector<bool>& descending) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int c = compareSortValues(a[i], b[i]);
    if (c != 0) return i < descending.size() && descending[i] ? -c : c;
  }
  return 0;
}

}  // namespace jet::sql
