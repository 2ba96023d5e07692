// In-memory file.
#include "storage/memory_file.h"

#include <algorithm>
#include <cstring>

#include "jet/error.h"

namespace jet {

std::size_t MemoryFile::read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (offset >= bytes_.size()) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), bytes_.size() - offset));
  std::memcpy(out.data(), bytes_.data() + offset, n);
  return n;
}

void MemoryFile::write(std::uint64_t offset, std::span<const std::uint8_t> data) {
  if (!writable_) throw Error(ErrorCode::Io, "Cannot write '" + name_ + "': the file is read-only");
  if (offset + data.size() > bytes_.size()) bytes_.resize(static_cast<std::size_t>(offset + data.size()));
  std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
}

void MemoryFile::truncate(std::uint64_t size) {
  if (!writable_) throw Error(ErrorCode::Io, "Cannot truncate '" + name_ + "': the file is read-only");
  bytes_.resize(static_cast<std::size_t>(size));
}


}  // namespace jet
