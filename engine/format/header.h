// Decoding the header page: what kind of file this is, the RC4 header mask, and
// the facts a reader needs (code page, sort order, creation date, database key,
// password).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/format_version.h"

namespace jet {

enum class FileKind {
  NotDatabase,  // no Jet or ACE signature
  Jet3,
  Jet4,
  Ace,     // Access 2007 and later
  Msisam,  // the MSISAM variant of the Jet 4 layout
};

// Tells the file kind from its first bytes (at least kHeaderProbeSize of them;
// fewer means NotDatabase). `aceVersion` receives the version number for ACE files.
FileKind detectFileKind(ByteSpan firstBytes, std::uint32_t* aceVersion = nullptr);

// Applies (or removes: the operation is its own inverse) the RC4 mask of the
// header page in place. `page` must hold the whole masked region.
void toggleHeaderMask(std::span<std::uint8_t> page, const FormatVersion& version);

class TextCodec;

struct HeaderFields {
  std::uint16_t codePage = 0;
  std::uint16_t sortOrder = 0;
  std::uint8_t sortOrderVersion = 0;
  double creationDate = 0;
  std::uint32_t databaseKey = 0;
  std::u16string password;  // empty when none is set
};

// The default code page of an unmasked header page.
std::uint16_t headerCodePage(ByteSpan unmaskedPage);

// Reads the fields of an unmasked header page. A Jet 3 password is code-page
// text, read with `text`.
HeaderFields readHeaderFields(ByteSpan unmaskedPage, const FormatVersion& version, const TextCodec& text);

// The Jet 4 password: the 40-byte area XOR-ed with the little-endian integer part
// of the creation date, read as UCS-2 up to the first zero unit.
std::u16string decodeJet4Password(ByteSpan passwordArea, double creationDate);

}  // namespace jet
