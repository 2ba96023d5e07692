// RC4 stream cipher. Jet uses it twice: to mask part of the header page with a
// fixed key, and to encode whole pages of "encrypted" databases with a key
// derived from the database key and the page number.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace jet {

class Rc4 {
 public:
  explicit Rc4(std::span<const std::uint8_t> key);

  // XORs the next key-stream bytes onto `data` (encoding and decoding are the same).
  void apply(std::span<std::uint8_t> data);

 private:
  std::array<std::uint8_t, 256> s_{};
  std::uint8_t i_ = 0;
  std::uint8_t j_ = 0;
};

// Applies RC4 with a 4-byte key given as a little-endian 32-bit number.
void rc4Apply(std::uint32_t key, std::span<std::uint8_t> data);

}  // namespace jet
