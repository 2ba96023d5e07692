// Layout constants of index pages (B-tree node and leaf pages), one table per
// format version. Jet 3 pages have the same fields at other offsets, a
// one-byte prefix length and a smaller page.
#pragma once

#include <cstddef>
#include <cstdint>

#include "format/format_version.h"

namespace jet {

inline constexpr std::uint8_t kIndexNodePageType = 0x03;
inline constexpr std::uint8_t kIndexLeafPageType = 0x04;

// Every entry ends with a row pointer: page (big-endian u24) and slot (u8).
inline constexpr std::size_t kIndexRowPointerSize = 4;
// Node entries add the child page (big-endian u32) after the row pointer.
inline constexpr std::size_t kIndexChildPointerSize = 4;

// Bytes of the header not named here are written as zero.
struct IndexPageFormat {
  std::uint32_t pageSize;
  std::size_t freeSpace;         // u16: page size minus the end of the entry data
  std::size_t ownerPage;         // u32: definition page of the owning table
  std::size_t prevPage;          // u32: previous page on the same level, 0 = none
  std::size_t nextPage;          // u32: next page on the same level, 0 = none
  std::size_t tailPage;          // u32: node pages: the last child; 0 on leaves
  std::size_t prefixLength;      // length of the prefix all entries share
  std::size_t prefixLengthSize;  // 2 (u16) or 1 (u8)
  std::size_t nodeMarker;        // u8: 1 on node pages, 0 on leaves
  std::size_t bitmap;            // entry-end bitmap
  std::size_t bitmapSize;
  std::size_t entryData;  // first byte of the entries

  // Bytes of entry data a page can hold (after prefix compression).
  constexpr std::size_t maxDataSize() const { return pageSize - entryData; }
  // The largest prefix length the field can hold and every reader takes as meant.
  constexpr std::size_t maxPrefixLength() const { return 255; }
};

// Access 2000-2003. The prefix length is read as a u16 (one writer stores it
// so; Microsoft's files keep the high byte 0), and written below 256.
inline constexpr IndexPageFormat kJet4IndexPage{
    .pageSize = 4096,
    .freeSpace = 2,
    .ownerPage = 4,
    .prevPage = 12,
    .nextPage = 16,
    .tailPage = 20,
    .prefixLength = 24,
    .prefixLengthSize = 2,
    .nodeMarker = 26,
    .bitmap = 27,
    .bitmapSize = 453,
    .entryData = 480,
};

// Access 97.
inline constexpr IndexPageFormat kJet3IndexPage{
    .pageSize = 2048,
    .freeSpace = 2,
    .ownerPage = 4,
    .prevPage = 8,
    .nextPage = 12,
    .tailPage = 16,
    .prefixLength = 20,
    .prefixLengthSize = 1,
    .nodeMarker = 21,
    .bitmap = 22,
    .bitmapSize = 226,
    .entryData = 248,
};

// The index page layout of a file format version.
inline const IndexPageFormat& indexPageFormatFor(const FormatVersion& version) {
  return version.format == FileFormat::Jet3 ? kJet3IndexPage : kJet4IndexPage;
}

static_assert(kJet4IndexPage.bitmap + kJet4IndexPage.bitmapSize == kJet4IndexPage.entryData);
static_assert(kJet4IndexPage.bitmapSize * 8 >= kJet4IndexPage.maxDataSize());
static_assert(kJet3IndexPage.bitmap + kJet3IndexPage.bitmapSize == kJet3IndexPage.entryData);
static_assert(kJet3IndexPage.bitmapSize * 8 >= kJet3IndexPage.maxDataSize());

}  // namespace jet
