// Key hashing: numbers hash by value (a whole number as an integer, any other
// as its double), text by its letters folded to upper case.
#include "sql/exec/value_hash.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "jet/text.h"
#include "value/value_ops.h"

namespace jet::sql {

namespace {

std::size_t mix(std::uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ULL;
  x ^= x >> 33;
  return static_cast<std::size_t>(x);
}

std::size_t hashNumber(double d) {
  if (d == 0) return mix(0);  // 0 and -0
  if (d == std::floor(d) && std::fabs(d) < 9.0e18) return mix(static_cast<std::uint64_t>(static_cast<std::int64_t>(d)));
  return mix(std::bit_cast<std::uint64_t>(d) ^ 0x5bd1e995u);
}

std::size_t hashWhole(std::int64_t n) { return mix(static_cast<std::uint64_t>(n)); }

std::size_t hashBytes(const std::uint8_t* p, std::size_t n, std::uint64_t seed) {
  std::uint64_t h = seed ^ (n * 0x9E3779B97F4A7C15ULL);
  for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001B3ULL;
  return mix(h);
}

}  // namespace

std::size_t hashValue(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null: return 0x1234567;
    case ValueKind::Boolean: return hashWhole(v.asBoolean() ? -1 : 0);
    case ValueKind::Byte: return hashWhole(v.asByte());
    case ValueKind::Integer: return hashWhole(v.asInteger());
    case ValueKind::Long: return hashWhole(v.asLong());
    case ValueKind::Currency: {
      const std::int64_t units = v.asCurrency().units;
      if (units % 10000 == 0) return hashWhole(units / 10000);
      return hashNumber(static_cast<double>(units) / 10000.0);
    }
    case ValueKind::Single: return hashNumber(v.asSingle());
    case ValueKind::Double: return hashNumber(v.asDouble());
    case ValueKind::DateTime: return hashNumber(v.asDateTime().days);
    case ValueKind::Decimal: return hashNumber(toDouble(v));
    case ValueKind::Text: {
      std::uint64_t h = 0xcbf29ce484222325ULL;
      for (char16_t c : v.asText()) h = (h ^ toUpperSimple(c)) * 0x100000001B3ULL;
      return mix(h);
    }
    case ValueKind::Binary: return hashBytes(v.asBinary().data(), v.asBinary().size(), 7);
    case ValueKind::Guid: return hashBytes(v.asGuid().bytes.data(), v.asGuid().bytes.size(), 11);
  }
  return 0;
}

bool sameKey(const Value& a, const Value& b) {
  if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
  if (a.kind() == b.kind()) {
    switch (a.kind()) {
      case ValueKind::Long: return a.asLong() == b.asLong();
      case ValueKind::Integer: return a.asInteger() == b.asInteger();
      case ValueKind::Byte: return a.asByte() == b.asByte();
      case ValueKind::Boolean: return a.asBoolean() == b.asBoolean();
      case ValueKind::Currency: return a.asCurrency() == b.asCurrency();
      case ValueKind::DateTime: return a.asDateTime().days == b.asDateTime().days;
      case ValueKind::Double: return a.asDouble() == b.asDouble();
      case ValueKind::Guid: return a.asGuid() == b.asGuid();
      default: break;
    }
  }
  try {
    const auto c = compareValues(a, b);
    return c && *c == 0;
  } catch (const std::exception&) {
    return false;
  }
}

std::size_t hashValues(std::span<const Value> values) {
  std::size_t h = 0x9E3779B9;
  for (const Value& v : values) h = (h ^ hashValue(v)) * 0x100000001B3ULL + (h >> 7);
  return h;
}

bool sameKeys(std::span<const Value> a, std::span<const Value> b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!sameKey(a[i], b[i])) return false;
  }
  return true;
}

KeyClass keyClassOf(ValueKind kind) {
  switch (kind) {
    case ValueKind::Boolean:
    case ValueKind::Byte:
    case ValueKind::Integer:
    case ValueKind::Long:
    case ValueKind::Currency:
    case ValueKind::Single:
    case ValueKind::Double:
    case ValueKind::DateTime:
    case ValueKind::Decimal: return KeyClass::Number;
    case ValueKind::Text: return KeyClass::Text;
    case ValueKind::Guid: return KeyClass::Guid;
    case ValueKind::Binary: return KeyClass::Binary;
    case ValueKind::Null: break;
  }
  return KeyClass::None;
}

void KeyIndex::clear() {
  slots_.clear();
  mask_ = 0;
  count_ = 0;
}

void KeyIndex::grow() {
  std::vector<Slot> old = std::move(slots_);
  const std::size_t size = old.empty() ? 1024 : old.size() * 2;
  slots_.assign(size, Slot{});
  mask_ = size - 1;
  for (const Slot& s : old) {
    if (s.id == kEnd) continue;
    std::size_t i = s.hash & mask_;
    while (slots_[i].id != kEnd) i = (i + 1) & mask_;
    slots_[i] = s;
  }
}

void KeyIndex::insert(std::size_t hash, std::uint32_t id) {
  if ((count_ + 1) * 2 > slots_.size()) grow();
  std::size_t i = hash & mask_;
  while (slots_[i].id != kEnd) i = (i + 1) & mask_;
  slots_[i] = Slot{hash, id};
  ++count_;
}

}  // namespace jet::sql
