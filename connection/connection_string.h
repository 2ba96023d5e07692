// Connection strings: "key=value;key=value..." texts that name the provider, the
// database file and its password. This file builds the texts the program uses
// and reads them back.
//
// Syntax (the usual rules for such strings):
// - pairs are separated by ";"; blanks around keys and values are ignored;
//   empty pairs (";;") are skipped; a key is matched without regard to case;
//   "==" inside a key stands for one "=";
// - a value may be enclosed in double or single quotes; inside, the enclosing
//   quote is written twice ("a""b" is a"b). A quoted value may hold ";", "="
//   and blanks. After the closing quote only blanks may follow before ";";
// - when a key occurs more than once, the last value counts.
//
// The builders quote a value exactly when it needs it (it holds ";" or a quote,
// starts or ends with a blank, or starts with "="), so a path or password can
// never add or replace another key. Values that need no quoting are inserted
// as they stand, which gives the plain texts:
//   Provider=Microsoft.Jet.OLEDB.4.0;Data Source=PATH;Persist Security Info=False
//   ...;Persist Security Info=False;Jet OLEDB:Database Password=PASSWORD
//   Provider=Microsoft.Jet.OLEDB.4.0;Data Source=PATH;Jet OLEDB:Database Password=PASSWORD;
//   Provider=Microsoft.Jet.OLEDB.4.0;Data Source=PATH;
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qb {

// The only provider this program opens databases with.
inline constexpr std::u16string_view kJetProvider = u"Microsoft.Jet.OLEDB.4.0";

// Text of opening a database file without a password.
std::u16string openConnectionString(std::u16string_view path);
// Text of opening a database file with a password (which may be empty).
std::u16string openConnectionString(std::u16string_view path, std::u16string_view password);
// Text for compaction, source or destination (ends with ";").
std::u16string compactionConnectionString(std::u16string_view path, std::u16string_view password);
// Text for creating a new blank database (ends with ";").
std::u16string newDatabaseConnectionString(std::u16string_view path);

// One "key=value" for a connection string, with the value quoted when needed.
std::u16string connectionStringPair(std::u16string_view key, std::u16string_view value);

// The pairs of a connection string in order, keys and values as meant (quotes
// and doubled quotes resolved, blanks around them removed). Throws jet::Error
// (InvalidArgument) for a pair without "=", an empty key, or an unclosed quote,
// naming the position (1-based character).
std::vector<std::pair<std::u16string, std::u16string>> parseConnectionString(std::u16string_view text);

// What a connection needs from its connection string.
struct ConnectionSettings {
  std::u16string dataSource;  // the database file
  std::u16string password;    // the database password ("" when none)
  bool readOnly = false;      // Mode=Read (or "Share Deny Write|Read")
};

// Reads a connection string for opening a database. Throws jet::Error
// (InvalidArgument) with a message for a person when the text is empty, does not
// parse, names no provider or another provider than Microsoft.Jet.OLEDB.4.0,
// names no database file, or holds a key the provider does not know.
ConnectionSettings connectionSettingsOf(std::u16string_view text);

}  // namespace qb
