// RC4 key schedule and key stream.
#include "storage/rc4.h"

#include <utility>

namespace jet {

Rc4::Rc4(std::span<const std::uint8_t> key) {
  for (int k = 0; k < 256; ++k) s_[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
  if (key.empty()) return;
  std::uint8_t j = 0;
  for (std::size_t k = 0; k < 256; ++k) {
    j = static_cast<std::uint8_t>(j + s_[k] + key[k % key.size()]);
    std::swap(s_[k], s_[j]);
  }
}

void Rc4::apply(std::span<std::uint8_t> data) {
  std::uint8_t i = i_;
  std::uint8_t j = j_;
  for (auto& b : data) {
    i = static_cast<std::uint8_t>(i + 1);
    j = static_cast<std::uint8_t>(j + s_[i]);
    std::swap(s_[i], s_[j]);
    b ^= s_[static_cast<std::uint8_t>(s_[i] + s_[j])];
  }
  i_ = i;
  j_ = j;
}

void rc4Apply(std::uint32_t key, std::span<std::uint8_t> data) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(key >> 8),
                                 static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>(key >> 24)};
  Rc4 rc4(bytes);
  rc4.apply(data);
}

}  // namespace jet
