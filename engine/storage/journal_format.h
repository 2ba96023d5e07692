// The rollback journal's layout. The journal sits beside the database file
// ("<database>-journal") while a write transaction changes pages that existed
// before it began; it holds their original images, so that after a crash or a
// failed write the database can be put back exactly as it was.
//
// Header (32 bytes):
//   offset  size  field
//   0       8     magic "QBJRNL02"
//   8       4     page size
//   12      4     nonce: a random number of this transaction, mixed into every checksum
//   16      8     size of the database file in bytes when the transaction began
//   24      4     reserved, 0
//   28      4     checksum of bytes 0-27
//
// Then one or more segments. A segment is a run of records followed by an end
// marker; the database file is written only after a whole segment is synced:
//   original: u32 page number | page image as stored in the file | u32 checksum
//   written:  u32 0xFFFFFFFE  | u32 page number | u32 hash of each 512-byte
//             sector of the image about to be written | u32 checksum
//   marker:   u32 0xFFFFFFFF  | u32 records in the segment      | u32 checksum
//
// The first segment always holds the original of page 0, and every segment a
// written record for each page the flush after it writes. Together they are
// the journal's fingerprint of its file: in the file an interrupted write
// left, every sector of every page the journal names holds either what the
// write found there or what it was writing (a page it added may still be
// zeros), and no page past the original end is missing from it. A journal
// whose file does not look like that belongs to another file (one put in its
// place, a backup restored) and is never played back.
//
// A journal whose header or first segment is incomplete was never synced, so the
// database was never touched and the journal can be thrown away. Complete
// segments are played back; a trailing incomplete one is ignored for the same
// reason. The nonce keeps stale bytes of an older journal from passing as ours.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

inline constexpr char kJournalMagic[8] = {'Q', 'B', 'J', 'R', 'N', 'L', '0', '2'};
// The first six bytes of every version's magic; the last two are the version.
inline constexpr std::size_t kJournalMagicStem = 6;
inline constexpr std::size_t kJournalHeaderSize = 32;
inline constexpr std::size_t kJournalPageSize = 8;
inline constexpr std::size_t kJournalNonce = 12;
inline constexpr std::size_t kJournalOriginalSize = 16;
inline constexpr std::size_t kJournalHeaderChecksum = 28;

inline constexpr std::uint32_t kJournalSegmentEnd = 0xFFFFFFFF;
inline constexpr std::uint32_t kJournalWrittenRecord = 0xFFFFFFFE;
inline constexpr std::size_t kJournalMarkerSize = 12;
inline constexpr std::uint32_t kJournalMarkerSalt = 0x5A17C0DE;
inline constexpr std::uint32_t kJournalSectorSalt = 0x5EC70125;
inline constexpr std::size_t kJournalSectorSize = 512;

// Suffix of the journal's file name after the database's.
inline constexpr char kJournalSuffix[] = "-journal";
// Suffix of a journal set aside because it does not belong to its file:
// "<database>.<time>.orphan-journal".
inline constexpr char kOrphanJournalSuffix[] = ".orphan-journal";

}  // namespace jet
