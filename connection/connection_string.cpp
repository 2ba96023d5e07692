// Building and reading connection strings, with the quoting that keeps a value
// from being read as more keys.
#include "connection/connection_string.h"

#include <algorithm>
#include <array>

#include "jet/error.h"
#include "jet/text.h"

namespace qb {

namespace {

bool isBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string_view trim(std::u16string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool needsQuotes(std::u16string_view value) {
  if (value.empty()) return false;
  if (isBlank(value.front()) || isBlank(value.back()) || value.front() == u'=') return true;
  return value.find_first_of(u";\"'") != std::u16string_view::npos;
}

[[noreturn]] void syntaxError(const std::string& what, std::size_t index) {
  throw jet::Error(jet::ErrorCode::InvalidArgument,
                   "Invalid connection string: " + what + " at position " + std::to_string(index + 1));
}

std::string utf8(std::u16string_view s) {
  return jet::toUtf8(s);
}

// Keys the provider knows besides its own "Jet OLEDB:" properties.
constexpr std::array<std::u16string_view, 10> kKnownKeys{
    u"Provider", u"Data Source",         u"Persist Security Info", u"User ID", u"Password",
    u"Mode",     u"Extended Properties", u"Locale Identifier",     u"Prompt",  u"Connect Timeout"};

bool isKnownKey(std::u16string_view key) {
  constexpr std::u16string_view kJetPrefix = u"Jet OLEDB:";
  if (key.size() > kJetPrefix.size() && jet::equalNamesNoCase(key.substr(0, kJetPrefix.size()), kJetPrefix)) {
    return true;
  }
  return std::any_of(kKnownKeys.begin(), kKnownKeys.end(),
                     [&](std::u16string_view known) { return jet::equalNamesNoCase(known, key); });
}

// Mode is a "|"-separated list of sharing and access words.
bool isReadOnlyMode(std::u16string_view mode) {
  while (true) {
    const std::size_t bar = mode.find(u'|');
    if (jet::equalNamesNoCase(trim(mode.substr(0, bar)), u"Read")) return true;
    if (bar == std::u16string_view::npos) return false;
    mode.remove_prefix(bar + 1);
  }
}

}  // namespace

std::u16string connectionStringPair(std::u16string_view key, std::u16string_view value) {
  std::u16string out;
  for (const char16_t c : key) {
    out += c;
    if (c == u'=') out += u'=';
  }
  out += u'=';
  if (!needsQuotes(value)) {
    out += value;
    return out;
  }
  out += u'"';
  for (const char16_t c : value) {
    out += c;
    if (c == u'"') out += u'"';
  }
  out += u'"';
  return out;
}

std::u16string openConnectionString(std::u16string_view path) {
  return connectionStringPair(u"Provider", kJetProvider) + u";" + connectionStringPair(u"Data Source", path) +
         u";Persist Security Info=False";
}

std::u16string openConnectionString(std::u16string_view path, std::u16string_view password) {
  return openConnectionString(path) + u";" + connectionStringPair(u"Jet OLEDB:Database Password", password);
}

std::u16string compactionConnectionString(std::u16string_view path, std::u16string_view password) {
  return connectionStringPair(u"Provider", kJetProvider) + u";" + connectionStringPair(u"Data Source", path) +
         u";" + connectionStringPair(u"Jet OLEDB:Database Password", password) + u";";
}

std::u16string newDatabaseConnectionString(std::u16string_view path) {
  return connectionStringPair(u"Provider", kJetProvider) + u";" + connectionStringPair(u"Data Source", path) +
         u";";
}

std::vector<std::pair<std::u16string, std::u16string>> parseConnectionString(std::u16string_view text) {
  std::vector<std::pair<std::u16string, std::u16string>> pairs;
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    if (isBlank(text[i]) || text[i] == u';') {
      ++i;
      continue;
    }
    // The key, up to a single "=" ("==" is part of the key).
    const std::size_t keyStart = i;
    std::u16string key;
    bool haveEquals = false;
    while (i < n && text[i] != u';') {
      if (text[i] == u'=') {
        if (i + 1 < n && text[i + 1] == u'=') {
          key += u'=';
          i += 2;
          continue;
        }
        haveEquals = true;
        ++i;
        break;
      }
      key += text[i++];
    }
    const std::u16string keyText(trim(key));
    if (!haveEquals) syntaxError("'" + utf8(keyText) + "' has no '='", keyStart);
    if (keyText.empty()) syntaxError("a value has no key", keyStart);

    while (i < n && isBlank(text[i])) ++i;
    std::u16string value;
    if (i < n && (text[i] == u'"' || text[i] == u'\'')) {
      const char16_t quote = text[i];
      const std::size_t open = i++;
      bool closed = false;
      while (i < n) {
        if (text[i] == quote) {
          if (i + 1 < n && text[i + 1] == quote) {
            value += quote;
            i += 2;
            continue;
          }
          closed = true;
          ++i;
          break;
        }
        value += text[i++];
      }
      if (!closed) syntaxError("the value of '" + utf8(keyText) + "' has no closing quote", open);
      while (i < n && isBlank(text[i])) ++i;
      if (i < n && text[i] != u';') {
        syntaxError("unexpected text after the quoted value of '" + utf8(keyText) + "'", i);
      }
    } else {
      const std::size_t start = i;
      while (i < n && text[i] != u';') ++i;
      value = trim(text.substr(start, i - start));
    }
    pairs.emplace_back(keyText, std::move(value));
  }
  return pairs;
}

ConnectionSettings connectionSettingsOf(std::u16string_view text) {
  if (trim(text).empty()) {
    throw jet::Error(jet::ErrorCode::InvalidArgument,
                     "No database to connect to: the connection string is empty");
  }
  ConnectionSettings settings;
  std::u16string provider;
  bool haveProvider = false;
  for (const auto& [key, value] : parseConnectionString(text)) {
    if (!isKnownKey(key)) {
      throw jet::Error(jet::ErrorCode::InvalidArgument, "The connection string holds the key '" + utf8(key) +
                                                            "', which the provider " + utf8(kJetProvider) +
                                                            " does not know");
    }
    if (jet::equalNamesNoCase(key, u"Provider")) {
      provider = value;
      haveProvider = true;
    } else if (jet::equalNamesNoCase(key, u"Data Source")) {
      settings.dataSource = value;
    } else if (jet::equalNamesNoCase(key, u"Jet OLEDB:Database Password")) {
      settings.password = value;
    } else if (jet::equalNamesNoCase(key, u"Mode")) {
      settings.readOnly = isReadOnlyMode(value);
    }
  }
  if (!haveProvider || provider.empty()) {
    throw jet::Error(jet::ErrorCode::InvalidArgument,
                     "The connection string names no provider; databases are opened with the provider " +
                         utf8(kJetProvider));
  }
  if (!jet::equalNamesNoCase(provider, kJetProvider)) {
    throw jet::Error(jet::ErrorCode::InvalidArgument, "Provider '" + utf8(provider) +
                                                          "' is not available: databases are opened with the "
                                                          "provider " +
                                                          utf8(kJetProvider));
  }
  if (settings.dataSource.empty()) {
    throw jet::Error(jet::ErrorCode::InvalidArgument,
                     "The connection string names no database file (Data Source)");
  }
  return settings;
}

}  // namespace qb
