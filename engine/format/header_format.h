// Layout of page 0, the database header. Part of it (from kHeaderMaskStart, the
// length is per version) is XOR-masked with an RC4 key stream of a fixed key;
// the offsets below are for the unmasked page.
//
//   offset  size  field
//   0x00    1     page type 0x00
//   0x04    16    engine name, ASCII ("Standard Jet DB", "Standard ACE DB", "MSISAM Database")
//   0x14    4     format version: 0 Jet 3, 1 Jet 4, 2 and up ACE
//   0x3C    2     default code page
//   0x3E    4     database key; non-zero: pages after 0 are RC4-encoded
//   0x42    40    Jet 4 password, UCS-2, XOR-ed with the creation date's integer part
//                 (Jet 3: 20 bytes of code-page text, zero padded)
//   0x6E    2     sort order LCID (Jet 3 keeps it at 0x3A)
//   0x71    1     sort order version (0 = General legacy)
//   0x72    8     creation date (Jet day number)
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

inline constexpr std::size_t kHeaderPageType = 0x00;
inline constexpr std::size_t kHeaderEngineName = 0x04;
inline constexpr std::size_t kHeaderEngineNameLength = 16;
inline constexpr std::size_t kHeaderVersion = 0x14;
inline constexpr std::size_t kHeaderMaskStart = 0x18;
inline constexpr std::size_t kHeaderCodePage = 0x3C;
inline constexpr std::size_t kHeaderDatabaseKey = 0x3E;
inline constexpr std::size_t kHeaderPassword = 0x42;
inline constexpr std::size_t kHeaderSortOrderVersion = 0x71;
inline constexpr std::size_t kHeaderCreationDate = 0x72;

// Bytes needed to tell what kind of file this is (engine name and version).
inline constexpr std::size_t kHeaderProbeSize = kHeaderVersion + 4;

inline constexpr std::uint32_t kHeaderMaskKey = 0x6B39DAC7;

inline constexpr std::uint32_t kVersionJet3 = 0;
inline constexpr std::uint32_t kVersionJet4 = 1;

inline constexpr char kEngineNameJet[] = "Standard Jet DB";
inline constexpr char kEngineNameAce[] = "Standard ACE DB";
inline constexpr char kEngineNameMsisam[] = "MSISAM Database";

}  // namespace jet
