// The header page: telling file kinds apart, the RC4 header mask and the
// date-masked Jet 4 password.
#include <gtest/gtest.h>

#include <cstring>

#include "format/header.h"
#include "format/text_codec.h"
#include "jet/error.h"
#include "support/page_images.h"

namespace {

using qbtest::Bytes;

Bytes probe(const char* engine, std::uint32_t version) {
  Bytes b(0x20, 0);
  b[1] = 0x01;
  std::memcpy(b.data() + 4, engine, std::strlen(engine) + 1);
  qbtest::putU32(b, 0x14, version);
  return b;
}

TEST(Header, TellsFileKindsApart) {
  EXPECT_EQ(jet::detectFileKind(probe("Standard Jet DB", 1)), jet::FileKind::Jet4);
  EXPECT_EQ(jet::detectFileKind(probe("Standard Jet DB", 0)), jet::FileKind::Jet3);
  std::uint32_t ace = 0;
  EXPECT_EQ(jet::detectFileKind(probe("Standard ACE DB", 3), &ace), jet::FileKind::Ace);
  EXPECT_EQ(ace, 3u);
  EXPECT_EQ(jet::detectFileKind(probe("MSISAM Database", 1)), jet::FileKind::Msisam);

  EXPECT_EQ(jet::detectFileKind(Bytes{}), jet::FileKind::NotDatabase);
  EXPECT_EQ(jet::detectFileKind(Bytes(10, 0)), jet::FileKind::NotDatabase);
  EXPECT_EQ(jet::detectFileKind(probe("Standard Jet DX", 1)), jet::FileKind::NotDatabase);
  EXPECT_EQ(jet::detectFileKind(probe("Standard Jet DB", 0x01000000)), jet::FileKind::NotDatabase);
  Bytes notPage0 = probe("Standard Jet DB", 1);
  notPage0[0] = 0x01;
  EXPECT_EQ(jet::detectFileKind(notPage0), jet::FileKind::NotDatabase);
  const std::string pdf = "%PDF-1.4 some document of no interest";
  EXPECT_EQ(jet::detectFileKind(Bytes(pdf.begin(), pdf.end())), jet::FileKind::NotDatabase);
}

TEST(Header, MaskIsTheFixedKeyStreamAndItsOwnInverse) {
  Bytes page(qbtest::kPageSize, 0);
  jet::toggleHeaderMask(page, jet::kJet4Format);
  EXPECT_EQ(Bytes(page.begin() + 0x18, page.begin() + 0x20),
            (Bytes{0xB5, 0x6F, 0x03, 0x62, 0x61, 0x08, 0xC2, 0x55}));
  EXPECT_EQ(page[0x17], 0);
  EXPECT_NE(page[0x97], 0);
  EXPECT_EQ(page[0x98], 0);  // 128 bytes in Jet 4
  jet::toggleHeaderMask(page, jet::kJet4Format);
  EXPECT_EQ(page, Bytes(qbtest::kPageSize, 0));

  Bytes jet3(2048, 0);
  jet::toggleHeaderMask(jet3, jet::kJet3Format);
  EXPECT_NE(jet3[0x95], 0);
  EXPECT_EQ(jet3[0x96], 0);  // 126 bytes in Jet 3
}

TEST(Header, Jet4PasswordIsMaskedWithTheCreationDate) {
  // The worked example: creation date 44568.68..., mask 18 AE 00 00, password "password".
  const Bytes stored{0x68, 0xAE, 0x61, 0x00, 0x6B, 0xAE, 0x73, 0x00, 0x6F, 0xAE,
                     0x6F, 0x00, 0x6A, 0xAE, 0x64, 0x00, 0x18, 0xAE, 0x00, 0x00};
  Bytes area = stored;
  for (int i = 0; i < 5; ++i) area.insert(area.end(), {0x18, 0xAE, 0x00, 0x00});
  EXPECT_EQ(jet::decodeJet4Password(area, 44568.68), u"password");
  // No password: the mask repeated ten times.
  Bytes none;
  for (int i = 0; i < 10; ++i) none.insert(none.end(), {0xFF, 0x94, 0x00, 0x00});
  EXPECT_EQ(jet::decodeJet4Password(none, 38143.5465), u"");
  // A damaged creation date does not break the decoding.
  EXPECT_NO_THROW(jet::decodeJet4Password(none, std::numeric_limits<double>::infinity()));
  EXPECT_NO_THROW(jet::decodeJet4Password(none, -1e300));
}

TEST(Header, ReadsTheFieldsOfAnUnmaskedPage) {
  Bytes page(qbtest::kPageSize, 0);
  qbtest::putU16(page, 0x3C, 1252);
  qbtest::putU32(page, 0x3E, 0xA7B773E0);
  qbtest::putU16(page, 0x6E, 0x0409);
  page[0x71] = 1;
  const double created = 36526.25;
  std::memcpy(page.data() + 0x72, &created, 8);
  const jet::HeaderFields h = jet::readHeaderFields(page, jet::kJet4Format, jet::TextCodec::unicode());
  EXPECT_EQ(h.codePage, 1252);
  EXPECT_EQ(h.databaseKey, 0xA7B773E0u);
  EXPECT_EQ(h.sortOrder, 0x0409);
  EXPECT_EQ(h.sortOrderVersion, 1);
  EXPECT_EQ(h.creationDate, created);
  // An area of zeros was never masked: it holds no password (rather than the mask itself).
  EXPECT_EQ(h.password, u"");
}

}  // namespace
