// Connection strings: the exact texts the program builds, the parsing rules,
// and that no path or password can add or replace a key.
#include <gtest/gtest.h>

#include <random>

#include "connection/connection_string.h"
#include "jet/error.h"
#include "support/error_of.h"

namespace {

using qb::connectionSettingsOf;
using qb::parseConnectionString;

std::string errorOf(std::u16string_view text) {
  return qbtest::errorOf([&] { connectionSettingsOf(text); });
}

TEST(ConnectionStringBuilders, PlainValuesGiveTheUsualTexts) {
  EXPECT_EQ(qb::openConnectionString(u"/data/Shop.mdb"),
            u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/Shop.mdb;Persist Security Info=False");
  EXPECT_EQ(qb::openConnectionString(u"/data/Shop.mdb", u"secret"),
            u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/Shop.mdb;Persist Security Info=False;"
            u"Jet OLEDB:Database Password=secret");
  EXPECT_EQ(qb::openConnectionString(u"/data/Shop.mdb", u""),
            u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/Shop.mdb;Persist Security Info=False;"
            u"Jet OLEDB:Database Password=");
  EXPECT_EQ(qb::compactionConnectionString(u"/tmp/x.mdb", u""),
            u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp/x.mdb;Jet OLEDB:Database Password=;");
  EXPECT_EQ(qb::newDatabaseConnectionString(u"/tmp/new db.mdb"),
            u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp/new db.mdb;");
}

TEST(ConnectionStringBuilders, ValuesThatCouldInjectKeysAreQuoted) {
  const std::u16string path = u"/tmp/a;Jet OLEDB:Database Password=x;.mdb";
  const std::u16string password = u"p;Data Source=/etc/other.mdb";
  const std::u16string text = qb::openConnectionString(path, password);
  EXPECT_EQ(text,
            u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/tmp/a;Jet OLEDB:Database Password=x;.mdb\";"
            u"Persist Security Info=False;Jet OLEDB:Database Password=\"p;Data Source=/etc/other.mdb\"");
  const qb::ConnectionSettings settings = connectionSettingsOf(text);
  EXPECT_EQ(settings.dataSource, path);
  EXPECT_EQ(settings.password, password);
}

TEST(ConnectionStringBuilders, AnyPathAndPasswordReadBackExactly) {
  // Characters that matter to the syntax, mixed at random.
  const std::u16string alphabet = u"ab;=\"' \tx/";
  std::mt19937 random(7);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(0, 12);
  for (int round = 0; round < 2000; ++round) {
    std::u16string path = u"/p";
    std::u16string password;
    for (int i = length(random); i > 0; --i) path += alphabet[pick(random)];
    for (int i = length(random); i > 0; --i) password += alphabet[pick(random)];
    const qb::ConnectionSettings s = connectionSettingsOf(qb::openConnectionString(path, password));
    ASSERT_EQ(s.dataSource, path) << round;
    ASSERT_EQ(s.password, password) << round;
    ASSERT_FALSE(s.readOnly);
  }
}

TEST(ConnectionStringParsing, FollowsTheUsualRules) {
  using Pairs = std::vector<std::pair<std::u16string, std::u16string>>;
  EXPECT_EQ(parseConnectionString(u"  a = 1 ;; b=two words ; "), (Pairs{{u"a", u"1"}, {u"b", u"two words"}}));
  EXPECT_EQ(parseConnectionString(u"a=\"x;y\";b='it''s';c=\"say \"\"hi\"\"\""),
            (Pairs{{u"a", u"x;y"}, {u"b", u"it's"}, {u"c", u"say \"hi\""}}));
  EXPECT_EQ(parseConnectionString(u"k==ey=v=w"), (Pairs{{u"k=ey", u"v=w"}}));
  EXPECT_EQ(parseConnectionString(u"a=\" padded \" ;b="), (Pairs{{u"a", u" padded "}, {u"b", u""}}));
  EXPECT_TRUE(parseConnectionString(u"").empty());
}

TEST(ConnectionStringParsing, ReportsWhatIsWrongAndWhere) {
  const auto message = [](std::u16string_view text) {
    try {
      parseConnectionString(text);
    } catch (const jet::Error& e) {
      return std::string(e.what());
    }
    return std::string("(no error)");
  };
  EXPECT_EQ(message(u"a=1;oops;b=2"), "Invalid connection string: 'oops' has no '=' at position 5");
  EXPECT_EQ(message(u"=1"), "Invalid connection string: a value has no key at position 1");
  EXPECT_EQ(message(u"a=\"open"),
            "Invalid connection string: the value of 'a' has no closing quote at position 3");
  EXPECT_EQ(message(u"a=\"x\"y;"),
            "Invalid connection string: unexpected text after the quoted value of 'a' at "
            "position 6");
}

TEST(ConnectionSettings, ReadsProviderSourcePasswordAndMode) {
  const auto s = connectionSettingsOf(
      u"provider=MICROSOFT.JET.OLEDB.4.0; DATA SOURCE=/x.mdb;jet oledb:database password=pw;Mode=Share Deny "
      u"None|Read");
  EXPECT_EQ(s.dataSource, u"/x.mdb");
  EXPECT_EQ(s.password, u"pw");
  EXPECT_TRUE(s.readOnly);
  // The last value of a key counts.
  EXPECT_EQ(
      connectionSettingsOf(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a;Data Source=/b").dataSource,
      u"/b");
  EXPECT_FALSE(
      connectionSettingsOf(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a;Mode=ReadWrite").readOnly);
}

TEST(ConnectionSettings, RefusesWhatCannotBeOpened) {
  EXPECT_EQ(errorOf(u""), "No database to connect to: the connection string is empty");
  EXPECT_EQ(errorOf(u"  "), "No database to connect to: the connection string is empty");
  EXPECT_EQ(errorOf(u"Data Source=/x.mdb"),
            "The connection string names no provider; databases are opened with the provider "
            "Microsoft.Jet.OLEDB.4.0");
  EXPECT_EQ(errorOf(u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/x.accdb"),
            "Provider 'Microsoft.ACE.OLEDB.12.0' is not available: databases are opened with the provider "
            "Microsoft.Jet.OLEDB.4.0");
  EXPECT_EQ(
      errorOf(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Sourse=/x.mdb"),
      "The connection string holds the key 'Data Sourse', which the provider Microsoft.Jet.OLEDB.4.0 does "
      "not know");
  EXPECT_EQ(errorOf(u"Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False"),
            "The connection string names no database file (Data Source)");
  EXPECT_EQ(errorOf(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/x.mdb;Jet OLEDB:Engine Type=5"),
            "(no error)");
}

}  // namespace
