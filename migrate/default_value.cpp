// Translation of Access default-value expressions: a tiny reader for the
// constant forms (numbers, quoted text, #dates#, Yes/No/True/False/On/Off,
// Null) and the clock functions Now(), Date() and Time().
#include "migrate/default_value.h"

#include <cctype>

#include "jet/data_type.h"
#include "jet/expression.h"
#include "jet/text.h"
#include "migrate/sql_text.h"
#include "migrate/value_text.h"

namespace qbmigrate {

namespace {

using jet::DataType;

std::string trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return std::string(text);
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool isNumeric(DataType t) { return jet::factsOf(t).number; }

bool isText(DataType t) { return t == DataType::Text || t == DataType::Memo; }

// "[-+]digits[.digits][E[-+]digits]" (at least one digit).
bool isNumberText(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  bool digits = false;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, digits = true;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, digits = true;
  }
  if (!digits) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    bool exponent = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, exponent = true;
    if (!exponent) return false;
  }
  return i == s.size();
}

// The contents of a quoted text ("a""b" or 'a''b'), or nullopt when `s` is not one whole quoted text.
std::optional<std::string> unquoted(std::string_view s) {
  if (s.size() < 2 || (s.front() != '"' && s.front() != '\'') || s.back() != s.front()) return std::nullopt;
  const char q = s.front();
  std::string out;
  for (std::size_t i = 1; i + 1 < s.size(); ++i) {
    if (s[i] == q) {
      if (i + 2 < s.size() && s[i + 1] == q) {
        out += q;
        ++i;
        continue;
      }
      return std::nullopt;  // a quote ends the text before the end: an expression
    }
    out += s[i];
  }
  return out;
}

DefaultTranslation translated(std::string sql) { return {std::move(sql), {}}; }
DefaultTranslation refused(std::string reason) { return {std::nullopt, std::move(reason)}; }

DefaultTranslation clock(const std::string& name, DataType type, Dialect dialect) {
  if (type != DataType::DateTime) return refused(name + " is a date, the column is not a Date/Time");
  const bool pg = dialect == Dialect::PostgreSQL;
  if (name == "now()") return translated(pg ? "LOCALTIMESTAMP(0)" : "(datetime('now', 'localtime'))");
  if (name == "date()") return translated(pg ? "CURRENT_DATE" : "(datetime('now', 'localtime', 'start of day'))");
  return translated(pg ? "('1899-12-30'::timestamp + LOCALTIME(0))"
                       : "(datetime('1899-12-30', '+' || time('now', 'localtime')))");
}

// SQLite keeps currency and decimals as their exact text with the column's
// decimals ("0.0000"), so a default must be that same text.
DefaultTranslation exactNumberDefault(const std::string& number, const jet::ColumnDef& column) {
  const std::size_t point = number.find('.');
  const std::size_t decimals = point == std::string::npos ? 0 : number.size() - point - 1;
  const unsigned scale = column.type == DataType::Currency ? 4 : column.scale;
  if (number.find_first_of("eE") != std::string::npos || decimals > scale) {
    return refused("the number has more decimals than the column keeps");
  }
  const bool hasSign = number.front() == '+' || number.front() == '-';
  const std::string sign = number.front() == '-' ? "-" : "";
  std::string digits = number.substr(hasSign ? 1 : 0);
  if (digits.front() == '.') digits = "0" + digits;
  if (point == std::string::npos && scale > 0) digits += '.';
  digits.append(scale - decimals, '0');
  return translated(sqlStringLiteral(sign + digits));
}

DefaultTranslation numberDefault(const std::string& number, const jet::ColumnDef& column, Dialect dialect) {
  const bool exactText = column.type == DataType::Currency || column.type == DataType::Numeric;
  return dialect == Dialect::SQLite && exactText ? exactNumberDefault(number, column) : translated(number);
}

DefaultTranslation booleanDefault(bool value, DataType type, Dialect dialect) {
  if (type == DataType::Boolean) {
    return translated(dialect == Dialect::PostgreSQL ? (value ? "true" : "false") : (value ? "1" : "0"));
  }
  if (isNumeric(type)) return translated(value ? "-1" : "0");  // Jet's True is -1
  if (isText(type)) return translated(value ? "'True'" : "'False'");
  return refused("a Yes/No value does not fit the column's type");
}

DefaultTranslation textDefault(const std::string& text, const jet::ColumnDef& column, Dialect dialect) {
  const DataType type = column.type;
  if (isText(type)) return translated(sqlStringLiteral(text));
  if (isNumeric(type) && isNumberText(trimmed(text))) return numberDefault(trimmed(text), column, dialect);
  if (type == DataType::DateTime) {
    if (auto value = jet::valueFromText(jet::fromUtf8(text), DataType::DateTime)) {
      return translated(sqlStringLiteral(dateTimeText(value->asDateTime(), ' ')));
    }
  }
  return refused("the text does not fit the column's type");
}

}  // namespace

std::string randomGuidText() {
  return "('{' || hex(randomblob(4)) || '-' || hex(randomblob(2)) || '-' || hex(randomblob(2)) || '-' || "
         "hex(randomblob(2)) || '-' || hex(randomblob(6)) || '}')";
}

DefaultTranslation translateDefault(const jet::ColumnDef& column, Dialect dialect) {
  std::string text = trimmed(jet::toUtf8(column.defaultValue));
  if (!text.empty() && text.front() == '=') text = trimmed(text.substr(1));
  const std::string word = lower(text);
  const DataType type = column.type;
  if (word == "null") return refused("a Null default is no default");
  if (word == "now()" || word == "date()" || word == "time()") return clock(word, type, dialect);
  if (word == "yes" || word == "true" || word == "on") return booleanDefault(true, type, dialect);
  if (word == "no" || word == "false" || word == "off") return booleanDefault(false, type, dialect);
  if (word == "genguid()") {
    if (type != DataType::Guid) return refused("GenGUID() makes a GUID, the column is not one");
    return translated(dialect == Dialect::PostgreSQL ? "gen_random_uuid()" : randomGuidText());
  }
  if (isNumberText(text)) {
    if (isNumeric(type)) return numberDefault(text, column, dialect);
    if (type == DataType::Boolean) return booleanDefault(std::stod(text) != 0, type, dialect);
    if (isText(type)) return translated(sqlStringLiteral(text));
    return refused("a number does not fit the column's type");
  }
  if (auto inner = unquoted(text)) return textDefault(*inner, column, dialect);
  if (text.size() >= 2 && text.front() == '#' && text.back() == '#' && type == DataType::DateTime) {
    // Dates between # signs are month first in Access SQL, whatever the locale.
    if (auto value = jet::valueFromText(jet::fromUtf8(text.substr(1, text.size() - 2)), DataType::DateTime)) {
      return translated(sqlStringLiteral(dateTimeText(value->asDateTime(), ' ')));
    }
    return refused("the date cannot be read");
  }
  return refused("it is an expression, not a constant");
}

}  // namespace qbmigrate
