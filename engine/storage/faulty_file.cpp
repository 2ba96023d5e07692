// Fault-injecting file wrapper.
#include "storage/faulty_file.h"

#include "jet/error.h"

namespace jet {

std::size_t FaultyFile::read(std::uint64_t offset, std::span<std::uint8_t> out) {
  if (plan_.failAfterReads && reads_ >= *plan_.failAfterReads) {
    throw Error(ErrorCode::Io, "Cannot read '" + name() + "': Input/output error (injected)");
  }
  if (plan_.failOffset) {
    const std::uint64_t begin = *plan_.failOffset;
    const std::uint64_t end = begin + plan_.failLength;
    if (offset < end && offset + out.size() > begin) {
      throw Error(ErrorCode::Io, "Cannot read '" + name() + "': Input/output error (injected)");
    }
  }
  ++reads_;
  if (plan_.maxBytesPerRead != 0 && out.size() > plan_.maxBytesPerRead) {
    out = out.first(plan_.maxBytesPerRead);
  }
  return inner_->read(offset, out);
}

void FaultyFile::write(std::uint64_t offset, std::span<const std::uint8_t> data) {
  if (plan_.failWrites)
    throw Error(ErrorCode::Io, "Cannot write '" + name() + "': No space left on device (injected)");
  inner_->write(offset, data);
}

void FaultyFile::sync() {
  if (plan_.failSync)
    throw Error(ErrorCode::Io, "Cannot sync '" + name() + "': Input/output error (injected)");
  inner_->sync();
}

}  // namespace jet
