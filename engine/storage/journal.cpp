// Journal writing, inspection and playback.
#include "storage/journal.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <set>

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

std::uint32_t sectorHash(std::uint32_t nonce, std::span<const std::uint8_t> sector) {
  return journalChecksum(nonce ^ kJournalSectorSalt, sector);
}

bool allZero(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// What a scan of the journal found: the header's facts, how far the complete
// segments reach and, when asked for, where each page's original image is and
// the fingerprints of what was written over it.
struct JournalScan {
  bool headerValid = false;
  int version = 0;
  std::uint32_t pageSize = 0;
  std::uint32_t nonce = 0;
  std::uint64_t originalSize = 0;
  std::uint64_t validEnd = 0;  // end of the last complete segment
  std::size_t segments = 0;
  std::map<std::uint32_t, std::uint64_t> originals;                    // page -> offset of its first image
  std::map<std::uint32_t, std::vector<std::vector<std::uint32_t>>> written;  // page -> sector hashes, per flush
};

JournalScan scan(File& journal, bool collect) {
  JournalScan s;
  std::uint8_t header[kJournalHeaderSize];
  if (journal.readFully(0, header) != kJournalHeaderSize) return s;
  if (std::memcmp(header, kJournalMagic, kJournalMagicStem) != 0) return s;
  if (getU32(header + kJournalHeaderChecksum) !=
      journalChecksum(0, std::span<const std::uint8_t>(header, kJournalHeaderChecksum))) {
    return s;
  }
  s.headerValid = true;
  s.version = (header[6] - '0') * 10 + (header[7] - '0');
  s.pageSize = getU32(header + kJournalPageSize);
  s.nonce = getU32(header + kJournalNonce);
  s.originalSize = getU64(header + kJournalOriginalSize);
  if (s.pageSize != 2048 && s.pageSize != 4096) {
    throw Error(ErrorCode::Corruption, "the journal '" + journal.name() + "' names a page size of " +
                                           std::to_string(s.pageSize) + " bytes, which no database has");
  }
  const std::size_t sectors = s.pageSize / kJournalSectorSize;
  s.validEnd = kJournalHeaderSize;
  std::vector<std::uint8_t> image(s.pageSize);
  std::vector<std::uint8_t> hashes(4 + 4 * sectors + 4);
  std::uint64_t pos = kJournalHeaderSize;
  std::uint32_t records = 0;
  // Records of the segment being read, kept until its marker proves it whole.
  std::vector<std::pair<std::uint32_t, std::uint64_t>> segmentOriginals;
  std::vector<std::pair<std::uint32_t, std::vector<std::uint32_t>>> segmentWritten;
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
      for (const auto& [n, at] : segmentOriginals) s.originals.emplace(n, at);
      for (auto& [n, h] : segmentWritten) s.written[n].push_back(std::move(h));
      segmentOriginals.clear();
      segmentWritten.clear();
      continue;
    }
    if (page == kJournalWrittenRecord && s.version >= 2) {
      if (journal.readFully(pos + 4, hashes) != hashes.size()) break;
      const std::span<const std::uint8_t> body(hashes.data(), hashes.size() - 4);
      if (getU32(hashes.data() + body.size()) != journalChecksum(s.nonce ^ kJournalSectorSalt, body)) break;
      if (collect) {
        std::vector<std::uint32_t> h(sectors);
        for (std::size_t i = 0; i < sectors; ++i) h[i] = getU32(hashes.data() + 4 + 4 * i);
        segmentWritten.emplace_back(getU32(hashes.data()), std::move(h));
      }
      pos += 4 + hashes.size();
      ++records;
      continue;
    }
    if (journal.readFully(pos + 4, image) != image.size()) break;
    std::uint8_t sum[4];
    if (journal.readFully(pos + 4 + s.pageSize, sum) != 4) break;
    if (getU32(sum) != recordChecksum(s.nonce, page, image)) break;
    if (collect) segmentOriginals.emplace_back(page, pos + 4);
    pos += 8 + s.pageSize;
    ++records;
  }
  return s;
}

// Why the journal does not fit the file as it is now; empty when it does.
std::string mismatch(File& journal, File& database, const JournalScan& s) {
  if (s.version != 2) {
    return "it was written by another version of this program and cannot be matched to the file";
  }
  const std::uint32_t ps = s.pageSize;
  const std::uint64_t originalPages = s.originalSize / ps;
  const std::uint64_t size = database.size();
  if (size < s.originalSize) {
    return "the file is smaller (" + std::to_string(size) + " bytes) than when the write began (" +
           std::to_string(s.originalSize) + " bytes)";
  }
  if (originalPages > 0 && !s.originals.count(0)) return "it holds no image of the file's header page";
  std::set<std::uint32_t> pages;
  for (const auto& entry : s.originals) pages.insert(entry.first);
  for (const auto& entry : s.written) pages.insert(entry.first);
  std::vector<std::uint8_t> current(ps);
  std::vector<std::uint8_t> original(ps);
  for (const std::uint32_t page : pages) {
    const std::uint64_t offset = static_cast<std::uint64_t>(page) * ps;
    std::fill(current.begin(), current.end(), std::uint8_t{0});
    if (offset < size) database.readFully(offset, current);
    const auto image = s.originals.find(page);
    if (image != s.originals.end() && journal.readFully(image->second, original) != ps) {
      return "its image of page " + std::to_string(page) + " cannot be read";
    }
    const auto flushes = s.written.find(page);
    for (std::size_t at = 0; at < ps; at += kJournalSectorSize) {
      const std::span<const std::uint8_t> sector(current.data() + at, kJournalSectorSize);
      if (image != s.originals.end() && std::memcmp(sector.data(), original.data() + at, sector.size()) == 0) continue;
      if (page >= originalPages && allZero(sector)) continue;
      bool written = false;
      if (flushes != s.written.end()) {
        const std::uint32_t h = sectorHash(s.nonce, sector);
        for (const auto& hashes : flushes->second) written = written || hashes[at / kJournalSectorSize] == h;
      }
      if (!written) {
        return "page " + std::to_string(page) + " of the file holds neither what the interrupted write found there " +
               "nor what it was writing";
      }
    }
  }
  for (std::uint64_t page = originalPages; page * ps < size; ++page) {
    if (s.written.count(static_cast<std::uint32_t>(page))) continue;
    std::fill(current.begin(), current.end(), std::uint8_t{0});
    database.readFully(page * ps, current);
    if (!allZero(current)) {
      return "the file has a page " + std::to_string(page) + " that the interrupted write did not add";
    }
  }
  return {};
}

// Writes every original image back, cuts the file to its original size and
// syncs it.
void playBack(File& journal, File& database, const JournalScan& s, const std::string& journalPath) {
  std::vector<std::uint8_t> image(s.pageSize);
  std::uint64_t pos = kJournalHeaderSize;
  const std::size_t writtenSize = 4 + 4 + 4 * (s.pageSize / kJournalSectorSize) + 4;
  while (pos < s.validEnd) {
    std::uint8_t word[4];
    journal.readFully(pos, word);
    const std::uint32_t page = getU32(word);
    if (page == kJournalSegmentEnd) {
      pos += kJournalMarkerSize;
      continue;
    }
    if (page == kJournalWrittenRecord && s.version >= 2) {
      pos += writtenSize;
      continue;
    }
    const std::uint64_t offset = static_cast<std::uint64_t>(page) * s.pageSize;
    if (offset + s.pageSize > s.originalSize) {
      throw Error(ErrorCode::Corruption, "the journal '" + journalPath + "' holds page " + std::to_string(page) +
                                             ", beyond the database's original size; it cannot be trusted");
    }
    journal.readFully(pos + 4, image);
    database.write(offset, image);
    pos += 8 + s.pageSize;
  }
  database.truncate(s.originalSize);
  database.sync();
}

std::string timeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
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

void JournalWriter::appendSegment(std::span<const std::uint32_t> originals, File& database,
                                  const std::vector<JournalPage>& written) {
  // Written in pieces of about this size as the segment is put together.
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  std::vector<std::uint8_t> out;
  out.reserve(kPiece + pageSize_ + 64);
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
  const auto flush = [&](bool always) {
    if (out.empty() || (!always && out.size() < kPiece)) return;
    file_->write(end_, out);
    end_ += out.size();
    out.clear();
  };
  const std::size_t sectors = pageSize_ / kJournalSectorSize;
  std::uint8_t word[4];
  for (const std::uint32_t page : originals) {
    putU32(word, page);
    out.insert(out.end(), word, word + 4);
    const std::size_t at = out.size();
    out.resize(at + pageSize_);
    const std::span<std::uint8_t> image(out.data() + at, pageSize_);
    if (database.readFully(static_cast<std::uint64_t>(page) * pageSize_, image) != pageSize_) {
      throw Error(ErrorCode::Io, "Cannot read page " + std::to_string(page) + " of '" + database.name() +
                                     "' to keep its original in the journal");
    }
    putU32(word, recordChecksum(nonce_, page, image));
    out.insert(out.end(), word, word + 4);
    flush(false);
  }
  for (const auto& [page, image] : written) {
    putU32(word, kJournalWrittenRecord);
    out.insert(out.end(), word, word + 4);
    const std::size_t body = out.size();
    putU32(word, page);
    out.insert(out.end(), word, word + 4);
    for (std::size_t i = 0; i < sectors; ++i) {
      putU32(word, sectorHash(nonce_, image.subspan(i * kJournalSectorSize, kJournalSectorSize)));
      out.insert(out.end(), word, word + 4);
    }
    putU32(word, journalChecksum(nonce_ ^ kJournalSectorSalt,
                                 std::span<const std::uint8_t>(out.data() + body, out.size() - body)));
    out.insert(out.end(), word, word + 4);
    flush(false);
  }
  const auto records = static_cast<std::uint32_t>(originals.size() + written.size());
  std::uint8_t marker[kJournalMarkerSize];
  putU32(marker, kJournalSegmentEnd);
  putU32(marker + 4, records);
  putU32(marker + 8, markerChecksum(nonce_, records));
  out.insert(out.end(), marker, marker + kJournalMarkerSize);
  flush(true);
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
  const JournalScan s = scan(*journal, false);
  return s.headerValid && s.segments > 0 ? JournalState::Hot : JournalState::Incomplete;
}

JournalMatch matchJournal(File& journal, File& database) {
  const JournalScan s = scan(journal, true);
  if (!s.headerValid || s.segments == 0) return {false, "it is incomplete"};
  std::string reason = mismatch(journal, database, s);
  return {reason.empty(), std::move(reason)};
}

bool rollBackJournal(Vfs& vfs, File& database, const std::string& journalPath) {
  if (!vfs.exists(journalPath)) return false;
  bool restored = false;
  {
    const auto journal = vfs.open(journalPath, OpenMode::ReadOnly);
    const JournalScan s = scan(*journal, true);
    if (s.headerValid && s.segments > 0) {
      const std::string reason = mismatch(*journal, database, s);
      if (!reason.empty()) {
        throw Error(ErrorCode::Corruption, "the journal '" + journalPath + "' does not belong to '" + database.name() +
                                               "' as it is now (" + reason + "); it was not played back");
      }
      playBack(*journal, database, s, journalPath);
      restored = true;
    }
  }
  vfs.remove(journalPath);
  vfs.syncDirectory(journalPath);
  return restored;
}

Recovery recoverFromJournal(Vfs& vfs, File& database, const std::string& databasePath) {
  const std::string journalPath = databasePath + kJournalSuffix;
  Recovery done;
  if (!vfs.exists(journalPath)) return done;
  std::string reason;
  {
    const auto journal = vfs.open(journalPath, OpenMode::ReadOnly);
    JournalScan s;
    try {
      s = scan(*journal, true);
    } catch (const Error& e) {
      reason = e.what();
    }
    if (reason.empty() && (!s.headerValid || s.segments == 0)) {
      done.kind = Recovery::Kind::Discarded;
    } else if (reason.empty()) {
      reason = mismatch(*journal, database, s);
      if (reason.empty()) {
        playBack(*journal, database, s, journalPath);
        done.kind = Recovery::Kind::RolledBack;
      }
    }
  }
  if (done.kind != Recovery::Kind::None) {
    vfs.remove(journalPath);
    vfs.syncDirectory(journalPath);
    return done;
  }
  // Not this file's journal: kept under a name no opener looks for.
  const std::string stem = databasePath + "." + timeStamp();
  std::string aside = stem + kOrphanJournalSuffix;
  for (int n = 2; vfs.exists(aside); ++n) aside = stem + "-" + std::to_string(n) + kOrphanJournalSuffix;
  vfs.rename(journalPath, aside);
  vfs.syncDirectory(aside);
  done.kind = Recovery::Kind::SetAside;
  done.reason = std::move(reason);
  done.asidePath = std::move(aside);
  return done;
}

std::unique_ptr<JournalOverlay> JournalOverlay::open(Vfs& vfs, File& database, const std::string& journalPath,
                                                     std::string& reason) {
  std::unique_ptr<File> journal = vfs.open(journalPath, OpenMode::ReadOnly);
  JournalScan s;
  try {
    s = scan(*journal, true);
  } catch (const Error& e) {
    reason = e.what();
    return nullptr;
  }
  if (!s.headerValid || s.segments == 0) {
    reason = "it is incomplete";
    return nullptr;
  }
  reason = mismatch(*journal, database, s);
  if (!reason.empty()) return nullptr;
  std::unique_ptr<JournalOverlay> overlay(new JournalOverlay());
  overlay->journal_ = std::move(journal);
  overlay->originalSize_ = s.originalSize;
  overlay->images_ = std::move(s.originals);
  return overlay;
}

bool JournalOverlay::read(std::uint32_t number, std::span<std::uint8_t> out) {
  const auto it = images_.find(number);
  if (it == images_.end()) return false;
  if (journal_->readFully(it->second, out) != out.size()) {
    throw Error(ErrorCode::Io, "Cannot read page " + std::to_string(number) + " from the journal '" +
                                   journal_->name() + "': it ended early");
  }
  return true;
}

}  // namespace jet
