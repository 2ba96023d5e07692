// Journal writing, inspection and playback.
#include "storage/journal.h"

#include <cstring>

#include "jet/error.h"
#include "storage/journal_format.h"

namespace jet {

namespace {

void putU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void putU64(std::uint8_t* p, std::uint64_t v) {
  putU32(p, static_cast<std::uint32_t>(v));
  putU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}
std::uint32_t getU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint64_t getU64(const std::uint8_t* p) { return getU32(p) | static_cast<std::uint64_t>(getU32(p + 4)) << 32; }

std::uint32_t recordChecksum(std::uint32_t nonce, std::uint32_t page, std::span<const std::uint8_t> image) {
  std::uint8_t number[4];
  putU32(number, page);
  return journalChecksum(journalChecksum(nonce, number), image);
}

std::uint32_t markerChecksum(std::uint32_t nonce, std::uint32_t count) {
  std::uint8_t bytes[4];
  putU32(bytes, count);
  return journalChecksum(nonce ^ kJournalMarkerSalt, bytes);
}

// What a scan of the journal found: the header's facts and how far the complete
// segments reach.
struct JournalScan {
  bool headerValid = false;
  std::uint32_t pageSize = 0;
  std::uint32_t nonce = 0;
  std::uint64_t originalSize = 0;
  std::uint64_t validEnd = 0;  // end of the last complete segment
  std::size_t segments = 0;
};

JournalScan scan(File& journal) {
  JournalScan s;
  std::uint8_t header[kJournalHeaderSize];
  if (journal.readFully(0, header) != kJournalHeaderSize) return s;
  if (std::memcmp(header, kJournalMagic, sizeof kJournalMagic) != 0) return s;
  if (getU32(header + kJournalHeaderChecksum) !=
      journalChecksum(0, std::span<const std::uint8_t>(header, kJournalHeaderChecksum))) {
    return s;
  }
  s.headerValid = true;
  s.pageSize = getU32(header + kJournalPageSize);
  s.nonce = getU32(header + kJournalNonce);
  s.originalSize = getU64(header + kJournalOriginalSize);
  if (s.pageSize != 2048 && s.pageSize != 4096) {
    throw Error(ErrorCode::Corruption, "the journal '" + journal.name() + "' names a page size of " +
                                           std::to_string(s.pageSize) + " bytes, which no database has");
  }
  s.validEnd = kJournalHeaderSize;
  std::vector<std::uint8_t> image(s.pageSize);
  std::uint64_t pos = kJournalHeaderSize;
  std::uint32_t records = 0;
  for (;;) {
    std::uint8_t word[4];
    if (journal.readFully(pos, word) != 4) break;
    const std::uint32_t page = getU32(word);
    if (page == kJournalSegmentEnd) {
      std::uint8_t rest[8];
      if (journal.readFully(pos + 4, rest) != 8) break;
      if (getU32(rest) != records || getU32(rest + 4) != markerChecksum(s.nonce, records)) break;
      pos += kJournalMarkerSize;
      s.validEnd = pos;
      ++s.segments;
      records = 0;
      continue;
    }
    if (journal.readFully(pos + 4, image) != image.size()) break;
    std::uint8_t sum[4];
    if (journal.readFully(pos + 4 + s.pageSize, sum) != 4) break;
    if (getU32(sum) != recordChecksum(s.nonce, page, image)) break;
    pos += 8 + s.pageSize;
    ++records;
  }
  return s;
}

}  // namespace

std::uint32_t journalChecksum(std::uint32_t seed, std::span<const std::uint8_t> data) {
  // 64-bit multiply-and-xor over 8-byte words, folded to 32 bits: fast enough
  // to cover every byte of every page, and any torn or stale word changes it.
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ seed;
  std::size_t i = 0;
  for (; i + 8 <= data.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, data.data() + i, 8);
    h = (h ^ w) * 0x100000001B3ull;
    h ^= h >> 29;
  }
  for (; i < data.size(); ++i) h = (h ^ data[i]) * 0x100000001B3ull;
  h ^= data.size();
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 31;
  return static_cast<std::uint32_t>(h ^ (h >> 32));
}

JournalWriter::JournalWriter(Vfs& vfs, std::string path, std::uint32_t pageSize, std::uint64_t originalSize,
                             std::uint32_t nonce)
    : vfs_(vfs), path_(std::move(path)), pageSize_(pageSize), originalSize_(originalSize), nonce_(nonce) {}

void JournalWriter::appendSegment(
    const std::vector<std::pair<std::uint32_t, std::span<const std::uint8_t>>>& pages) {
  std::vector<std::uint8_t> out;
  const bool first = !file_;
  if (first) {
    file_ = vfs_.create(path_);
    out.resize(kJournalHeaderSize, 0);
    std::memcpy(out.data(), kJournalMagic, sizeof kJournalMagic);
    putU32(out.data() + kJournalPageSize, pageSize_);
    putU32(out.data() + kJournalNonce, nonce_);
    putU64(out.data() + kJournalOriginalSize, originalSize_);
    putU32(out.data() + kJournalHeaderChecksum,
           journalChecksum(0, std::span<const std::uint8_t>(out.data(), kJournalHeaderChecksum)));
  }
  out.reserve(out.size() + pages.size() * (pageSize_ + 8) + kJournalMarkerSize);
  for (const auto& [page, image] : pages) {
    std::uint8_t word[4];
    putU32(word, page);
    out.insert(out.end(), word, word + 4);
    out.insert(out.end(), image.begin(), image.end());
    putU32(word, recordChecksum(nonce_, page, image));
    out.insert(out.end(), word, word + 4);
  }
  std::uint8_t marker[kJournalMarkerSize];
  putU32(marker, kJournalSegmentEnd);
  putU32(marker + 4, static_cast<std::uint32_t>(pages.size()));
  putU32(marker + 8, markerChecksum(nonce_, static_cast<std::uint32_t>(pages.size())));
  out.insert(out.end(), marker, marker + kJournalMarkerSize);

  file_->write(end_, out);
  end_ += out.size();
  file_->sync();
  if (first) vfs_.syncDirectory(path_);
  hot_ = true;
}

void JournalWriter::remove() {
  file_.reset();
  vfs_.remove(path_);
  hot_ = false;
  // The removal is the commit point. Should the folder sync fail, the change
  // stands for this program; a power cut could still bring the journal back and
  // roll it back on the next open, which leaves the file whole either way.
  try {
    vfs_.syncDirectory(path_);
  } catch (const Error&) {
  }
}

JournalState inspectJournal(Vfs& vfs, const std::string& journalPath) {
  if (!vfs.exists(journalPath)) return JournalState::Absent;
  const auto journal = vfs.open(journalPath, OpenMode::ReadOnly);
  const JournalScan s = scan(*journal);
  return s.headerValid && s.segments > 0 ? JournalState::Hot : JournalState::Incomplete;
}

bool rollBackJournal(Vfs& vfs, File& database, const std::string& journalPath) {
  if (!vfs.exists(journalPath)) return false;
  bool restored = false;
  {
    const auto journal = vfs.open(journalPath, OpenMode::ReadOnly);
    const JournalScan s = scan(*journal);
    if (s.headerValid && s.segments > 0) {
      std::vector<std::uint8_t> image(s.pageSize);
      std::uint64_t pos = kJournalHeaderSize;
      while (pos < s.validEnd) {
        std::uint8_t word[4];
        journal->readFully(pos, word);
        const std::uint32_t page = getU32(word);
        if (page == kJournalSegmentEnd) {
          pos += kJournalMarkerSize;
          continue;
        }
        const std::uint64_t offset = static_cast<std::uint64_t>(page) * s.pageSize;
        if (offset + s.pageSize > s.originalSize) {
          throw Error(ErrorCode::Corruption, "the journal '" + journalPath + "' holds page " + std::to_string(page) +
                                                 ", beyond the database's original size; it cannot be trusted");
        }
        journal->readFully(pos + 4, image);
        database.write(offset, image);
        pos += 8 + s.pageSize;
      }
      database.truncate(s.originalSize);
      database.sync();
      restored = true;
    }
  }
  vfs.remove(journalPath);
  vfs.syncDirectory(journalPath);
  return restored;
}

}  // namespace jet
