// Property blob writing.
#include "format/property_blob_writer.h"

#include <algorithm>

#include "format/text_codec.h"

namespace jet {

namespace {

constexpr std::uint16_t kChunkNames = 0x0080;
constexpr std::uint16_t kChunkObject = 0x0000;
constexpr std::uint16_t kChunkColumn = 0x0001;

void appendU16(std::vector<std::uint8_t>& out, std::size_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void appendU32(std::vector<std::uint8_t>& out, std::size_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
// A name with its u16 byte count, in the database's text form (UCS-2, or
// the code page of an Access 97 file).
void appendName(std::vector<std::uint8_t>& out, const std::u16string& s, const TextCodec& text) {
  std::vector<std::uint8_t> bytes;
  text.encode(s, false, bytes);
  appendU16(out, bytes.size());
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// Starts a chunk; finish() fills in its length.
std::size_t beginChunk(std::vector<std::uint8_t>& out, std::uint16_t type) {
  const std::size_t at = out.size();
  appendU32(out, 0);
  appendU16(out, type);
  return at;
}
void finishChunk(std::vector<std::uint8_t>& out, std::size_t at) {
  const std::size_t length = out.size() - at;
  for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
}

}  // namespace

PropertyRecord booleanProperty(std::u16string name, bool value) {
  return PropertyRecord{std::move(name), DataType::Boolean, true, {static_cast<std::uint8_t>(value ? 1 : 0)}};
}

std::vector<std::uint8_t> encodePropertyBlob(const std::vector<PropertyChunk>& chunks, const TextCodec& text) {
  std::vector<std::u16string> names;
  for (const PropertyChunk& c : chunks) {
    for (const PropertyRecord& r : c.records) {
      if (std::find(names.begin(), names.end(), r.name) == names.end()) names.push_back(r.name);
    }
  }
  std::vector<std::uint8_t> out = text.singleByte() ? std::vector<std::uint8_t>{'K', 'K', 'D', 0}
                                                    : std::vector<std::uint8_t>{'M', 'R', '2', 0};
  std::size_t at = beginChunk(out, kChunkNames);
  for (const std::u16string& n : names) appendName(out, n, text);
  finishChunk(out, at);
  for (const PropertyChunk& c : chunks) {
    at = beginChunk(out, c.objectName.empty() ? kChunkObject : kChunkColumn);
    const std::size_t header = out.size();
    appendU32(out, 0);
    appendName(out, c.objectName, text);
    const std::size_t headerLength = out.size() - header;
    for (int i = 0; i < 4; ++i) out[header + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(headerLength >> (8 * i));
    for (const PropertyRecord& r : c.records) {
      const auto index = static_cast<std::size_t>(std::find(names.begin(), names.end(), r.name) - names.begin());
      appendU16(out, 8 + r.value.size());
      out.push_back(r.ddl ? 1 : 0);
      out.push_back(static_cast<std::uint8_t>(r.type));
      appendU16(out, index);
      appendU16(out, r.value.size());
      out.insert(out.end(), r.value.begin(), r.value.end());
    }
    finishChunk(out, at);
  }
  return out;
}

}  // namespace jet
