// Hashing and matching of values as keys of grouping, DISTINCT, joins and
// IN (SELECT ...): two values are the same key when Jet's comparison finds
// them equal (text without regard to case, numbers by value across types), and
// equal keys hash alike. Null matches Null here (one group, one DISTINCT row);
// joins leave Null keys out themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "jet/value.h"

namespace jet::sql {

std::size_t hashValue(const Value& v);
bool sameKey(const Value& a, const Value& b);

std::size_t hashValues(std::span<const Value> values);
bool sameKeys(std::span<const Value> a, std::span<const Value> b);

// Which values can be matched by hashing: a join of keys of two different
// classes (text against a number, say) compares by conversion and cannot.
enum class KeyClass : std::uint8_t { Number, Text, Guid, Binary, None };
KeyClass keyClassOf(ValueKind kind);

// Entries found by hash: an open-addressing table of (hash, id) pairs, where
// the id numbers something the caller keeps (a group, a row, a value). One
// probe usually touches one slot, so lookups stay fast in tables too large
// for the processor's caches.
class KeyIndex {
 public:
  static constexpr std::uint32_t kEnd = 0xFFFFFFFFu;

  // The id stored under `hash` for which `same(id)` holds, or kEnd.
  template <typename Same>
  std::uint32_t find(std::size_t hash, Same&& same) const {
    if (slots_.empty()) return kEnd;
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const Slot& s = slots_[i];
      if (s.id == kEnd) return kEnd;
      if (s.hash == hash && same(s.id)) return s.id;
    }
  }
  // Stores `id` under `hash` (the caller has found no equal entry).
  void insert(std::size_t hash, std::uint32_t id);
  std::size_t size() const { return count_; }
  void clear();

 private:
  struct Slot {
    std::size_t hash = 0;
    std::uint32_t id = kEnd;
  };
  void grow();
  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
};

}  // namespace jet::sql
