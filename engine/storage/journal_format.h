// The rollback journal's layout. The journal sits beside the database file
// ("<database>-journal") while a write transaction changes pages that existed
// before it began; it holds their original images, so that after a crash or a
// failed write the database can be put back exactly as it was.
//
// Header (32 bytes):
//   offset  size  field
//   0       8     magic "QBJRNL01"
//   8       4     page size
//   12      4     nonce: a random number of this transaction, mixed into every checksum
//   16      8     size of the database file in bytes when the transaction began
//   24      4     reserved, 0
//   28      4     checksum of bytes 0-27
//
// Then one or more segments. A segment is a run of records followed by an end
// marker; the database file is written only after a whole segment is synced:
//   record:  u32 page number | page image as stored in the file | u32 checksum
//   marker:  u32 0xFFFFFFFF   | u32 records in the segment      | u32 checksum
//
// A journal whose header or first segment is incomplete was never synced, so the
// database was never touched and the journal can be thrown away. Complete
// segments are played back; a trailing incomplete one is ignored for the same
// reason. The nonce keeps stale bytes of an older journal from passing as ours.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

inline constexpr char kJournalMagic[8] = {'Q', 'B', 'J', 'R', 'N', 'L', '0', '1'};
inline constexpr std::size_t kJournalHeaderSize = 32;
inline constexpr std::size_t kJournalPageSize = 8;
inline constexpr std::size_t kJournalNonce = 12;
inline constexpr std::size_t kJournalOriginalSize = 16;
inline constexpr std::size_t kJournalHeaderChecksum = 28;

inline constexpr std::uint32_t kJournalSegmentEnd = 0xFFFFFFFF;
inline constexpr std::size_t kJournalMarkerSize = 12;
inline constexpr std::uint32_t kJournalMarkerSalt = 0x5A17C0DE;

// Suffix of the journal's file name after the database's.
inline constexpr char kJournalSuffix[] = "-journal";

}  // namespace jet
