// Property blob parsing.
#include "format/property_blob.h"

#include <cstring>

#include "format/text_codec.h"
#include "format/value_codec.h"
#include "jet/text.h"

namespace jet {

namespace {

constexpr char kSignatureJet4[4] = {'M', 'R', '2', '\0'};
constexpr char kSignatureJet3[4] = {'K', 'K', 'D', '\0'};
constexpr std::size_t kChunkHeader = 6;
constexpr std::uint16_t kChunkNames = 0x80;
constexpr std::uint16_t kChunkObject = 0x00;
constexpr std::uint16_t kChunkColumn = 0x01;
constexpr std::size_t kRecordHeader = 8;

std::u16string ucs2(ByteSpan b) {
  std::u16string s(b.size() / 2, u'\0');
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char16_t>(loadU16(b.data() + 2 * i));
  return s;
}

bool hasSignature(ByteSpan blob, const char (&signature)[4]) {
  return blob.size() >= sizeof signature && std::memcmp(blob.data(), signature, sizeof signature) == 0;
}

}  // namespace

std::vector<PropertySet> parsePropertyBlob(ByteSpan blob, const TextCodec& text) {
  if (!hasSignature(blob, text.singleByte() ? kSignatureJet3 : kSignatureJet4)) {
    throwCorruption("a property blob lacks its signature");
  }
  // Jet 4 names are plain UCS-2, never in the compressed form.
  const auto name = [&](ByteSpan b) { return text.singleByte() ? text.decode(b) : ucs2(b); };
  std::vector<std::u16string> names;
  std::vector<PropertySet> sets;
  std::size_t pos = sizeof kSignatureJet4;
  while (pos + kChunkHeader <= blob.size()) {
    const std::uint32_t length = loadU32(blob.data() + pos);
    const std::uint16_t type = loadU16(blob.data() + pos + 4);
    if (length < kChunkHeader || length > blob.size() - pos) {
      throwCorruption("a property chunk of " + std::to_string(length) + " bytes does not fit its blob");
    }
    const ByteSpan chunk = blob.subspan(pos + kChunkHeader, length - kChunkHeader);
    pos += length;
    if (type == kChunkNames) {
      for (std::size_t at = 0; at + 2 <= chunk.size();) {
        const std::size_t n = loadU16(chunk.data() + at);
        names.push_back(name(bytesAt(chunk, at + 2, n)));
        at += 2 + n;
      }
    } else if (type == kChunkObject || type == kChunkColumn) {
      const std::uint32_t headerLength = u32At(chunk, 0);
      const std::size_t nameLength = u16At(chunk, 4);
      PropertySet set;
      set.objectName = name(bytesAt(chunk, 6, nameLength));
      if (headerLength < 6 + nameLength || headerLength > chunk.size()) {
        throwCorruption("a property chunk's header of " + std::to_string(headerLength) +
                        " bytes does not fit");
      }
      for (std::size_t at = headerLength; at + kRecordHeader <= chunk.size();) {
        const std::size_t recordLength = loadU16(chunk.data() + at);
        if (recordLength < kRecordHeader || recordLength > chunk.size() - at) {
          throwCorruption("a property record of " + std::to_string(recordLength) + " bytes does not fit");
        }
        const std::size_t nameIndex = loadU16(chunk.data() + at + 4);
        if (nameIndex >= names.size())
          throwCorruption("a property names entry " + std::to_string(nameIndex) + " of " +
                          std::to_string(names.size()));
        const ByteSpan value =
            bytesAt(chunk.subspan(at, recordLength), kRecordHeader, loadU16(chunk.data() + at + 6));
        set.properties.push_back(Property{names[nameIndex], static_cast<DataType>(chunk[at + 3]),
                                          chunk[at + 2] != 0, Bytes(value.begin(), value.end())});
        at += recordLength;
      }
      sets.push_back(std::move(set));
    }
  }
  return sets;
}

const Property* findProperty(const std::vector<PropertySet>& sets, std::u16string_view objectName,
                             std::u16string_view name) {
  for (const PropertySet& set : sets) {
    if (!equalNamesNoCase(set.objectName, objectName)) continue;
    for (const Property& p : set.properties) {
      if (equalNamesNoCase(p.name, name)) return &p;
    }
  }
  return nullptr;
}

bool propertyIsTrue(const Property& p) {
  return !p.value.empty() && p.value[0] != 0;
}

Value propertyValue(const Property& p, const TextCodec& text) {
  if (p.type == DataType::Boolean) return Value::boolean(propertyIsTrue(p));
  if (p.type == DataType::Memo) return Value::text(text.decode(p.value));
  if (p.type == DataType::Ole) return Value::binary(p.value);
  return decodeValue(p.type, p.value, 0, text);
}

}  // namespace jet
