// Shared helpers of the file interface.
#include "storage/file.h"

namespace jet {

std::size_t File::readFully(std::uint64_t offset, std::span<std::uint8_t> out) {
  std::size_t done = 0;
  while (done < out.size()) {
    const std::size_t n = read(offset + done, out.subspan(done));
    if (n == 0) break;
    done += n;
  }
  return done;
}

}  // namespace jet
