// mdbtools runner and the rules for comparing its text with engine values.
#include "corpus/mdbtools.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "jet/text.h"

namespace qbtest {

namespace {

std::string shellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

std::string run(const std::string& command) {
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run: " + command);
  std::string out;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  const int status = ::pclose(pipe);
  if (status != 0) throw std::runtime_error("command failed (" + std::to_string(status) + "): " + command);
  return out;
}

// Splits CSV text (fields quoted with '"', quotes doubled inside) into records.
std::vector<std::vector<std::optional<std::string>>> parseCsv(const std::string& text) {
  std::vector<std::vector<std::optional<std::string>>> records;
  std::vector<std::optional<std::string>> record;
  std::size_t i = 0;
  while (i < text.size()) {
    std::optional<std::string> field;
    if (text[i] == '"') {
      std::string s;
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            s += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        s += text[i++];
      }
      field = std::move(s);
    } else {
      std::string s;
      while (i < text.size() && text[i] != ',' && text[i] != '\n') s += text[i++];
      if (!s.empty()) field = std::move(s);
    }
    record.push_back(std::move(field));
    if (i >= text.size() || text[i] == '\n') {
      records.push_back(std::move(record));
      record.clear();
    }
    ++i;  // past ',' or '\n'
  }
  return records;
}

std::string hexOf(const jet::Bytes& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (std::uint8_t b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

bool closeEnough(double a, double b, double relative) {
  if (a == b) return true;
  return std::fabs(a - b) <= relative * std::max(std::fabs(a), std::fabs(b));
}

// Parses "YYYY-MM-DDTHH:MM:SS".
std::optional<jet::DateTime> parseDateTime(const std::string& s) {
  jet::CivilDateTime c;
  if (std::sscanf(s.c_str(), "%d-%d-%dT%d:%d:%d", &c.year, &c.month, &c.day, &c.hour, &c.minute, &c.second) !=
      6) {
    return std::nullopt;
  }
  return jet::fromCivil(c);
}

// Days on a straight time line (Jet keeps the time of negative dates as a
// positive fraction after the day's midnight).
double linearDays(jet::DateTime t) {
  const double day = std::trunc(t.days);
  return day + std::fabs(t.days - day);
}

std::string describe(const jet::Value& v) {
  switch (v.kind()) {
    case jet::ValueKind::Null:
      return "null";
    case jet::ValueKind::Text:
      return "\"" + jet::toUtf8(v.asText()) + "\"";
    case jet::ValueKind::DateTime:
      return jet::toIsoString(v.asDateTime());
    case jet::ValueKind::Double:
      return std::to_string(v.asDouble());
    case jet::ValueKind::Single:
      return std::to_string(v.asSingle());
    case jet::ValueKind::Binary:
      return "0x" + hexOf(v.asBinary());
    default:
      return jet::valueKindName(v.kind());
  }
}

}  // namespace

bool mdbtoolsAvailable() {
  return std::system("mdb-export --version >/dev/null 2>&1") == 0 &&
         std::system("mdb-tables --version >/dev/null 2>&1") == 0;
}

std::vector<std::string> mdbTables(const std::filesystem::path& file) {
  const std::string out = run("mdb-tables -1 -S " + shellQuote(file.string()));
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < out.size()) {
    std::size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    if (end > start) names.push_back(out.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

MdbExport mdbExport(const std::filesystem::path& file, const std::string& table, unsigned codePage) {
  const std::string out =
      run("MDB_JET3_CHARSET=CP" + std::to_string(codePage) + " mdb-export -T '%Y-%m-%dT%H:%M:%S' -b hex " + shellQuote(file.string()) + " " + shellQuote(table));
  auto records = parseCsv(out);
  MdbExport result;
  if (records.empty()) return result;
  for (auto& f : records.front()) result.header.push_back(f.value_or(""));
  records.erase(records.begin());
  result.rows = std::move(records);
  return result;
}

std::string compareWithMdbExport(const jet::Value& v, jet::DataType type,
                                 const std::optional<std::string>& field) {
  const auto differ = [&](const std::string& ours) {
    const auto cut = [](const std::string& t) { return t.size() > 120 ? t.substr(0, 120) + "..." : t; };
    return "engine " + cut(ours) + ", mdb-export " + (field ? "'" + cut(*field) + "'" : std::string("null"));
  };
  // mdb-export does not know type 0x11 (the opaque blocks of an Access system
  // table) and prints nothing for it.
  if (type == jet::DataType::Unknown11 && !field) return "";
  // mdb-export prints Binary (not OLE) values as C strings: it stops at the
  // first zero byte, and prints a value that starts with one as null.
  if (type == jet::DataType::Binary && !field && v.kind() == jet::ValueKind::Binary &&
      !v.asBinary().empty() && v.asBinary()[0] == 0) {
    return "";
  }
  // mdb-export prints a zero-length value the way it prints null.
  if (!field && v.kind() == jet::ValueKind::Text && v.asText().empty()) return "";
  if (v.isNull() || !field) return v.isNull() && !field ? "" : differ(describe(v));
  const std::string& s = *field;
  switch (v.kind()) {
    case jet::ValueKind::Boolean:
      return s == (v.asBoolean() ? "1" : "0") ? "" : differ(describe(v));
    case jet::ValueKind::Byte:
      return s == std::to_string(v.asByte()) ? "" : differ(std::to_string(v.asByte()));
    case jet::ValueKind::Integer:
      return s == std::to_string(v.asInteger()) ? "" : differ(std::to_string(v.asInteger()));
    case jet::ValueKind::Long:
      return s == std::to_string(v.asLong()) ? "" : differ(std::to_string(v.asLong()));
    case jet::ValueKind::Currency: {
      const auto theirs = jet::Currency::parse(s);
      return theirs && *theirs == v.asCurrency() ? "" : differ(v.asCurrency().toString());
    }
    case jet::ValueKind::Single:
      return closeEnough(v.asSingle(), std::strtod(s.c_str(), nullptr), 1e-6) ? "" : differ(describe(v));
    case jet::ValueKind::Double:
      return closeEnough(v.asDouble(), std::strtod(s.c_str(), nullptr), 1e-13) ? "" : differ(describe(v));
    case jet::ValueKind::DateTime: {
      // mdb-export cannot print dates before 1900: it writes day 0 of January 1900.
      if (s.starts_with("1900-01-00") && v.asDateTime().days < 2.0) return "";
      const auto theirs = parseDateTime(s);
      const bool same =
          theirs && std::fabs(linearDays(v.asDateTime()) - linearDays(*theirs)) * 86400.0 <= 1.0;
      return same ? "" : differ(describe(v));
    }
    case jet::ValueKind::Text: {
      // mdb-export ends text at a U+0000 character (some Access system tables
      // store names with a trailing one).
      std::u16string text = v.asText();
      text = text.substr(0, text.find(u'\0'));
      // Access 97 text: the five bytes code page 1252 leaves undefined (81 8D
      // 8F 90 9D) read as U+0081 and so on, as Windows reads them; mdb-export's
      // converter has no character for them and prints '?'.
      for (char16_t& c : text) {
        if (c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D) c = u'?';
      }
      return jet::toUtf8(text) == s || jet::toUtf8(v.asText().substr(0, v.asText().find(u'\0'))) == s
                 ? ""
                 : differ(describe(v));
    }
    case jet::ValueKind::Binary: {
      const jet::Bytes& bytes = v.asBinary();
      const auto zero = type == jet::DataType::Binary ? std::find(bytes.begin(), bytes.end(), std::uint8_t{0})
                                                      : bytes.end();
      return hexOf(jet::Bytes(bytes.begin(), zero)) == s ? "" : differ(describe(v));
    }
    case jet::ValueKind::Guid: {
      // mdb-export writes a GUID one dash short ("{8F096CA0-FC16-4288-801E119F26C0B6FC}")
      // and, in its hex binary mode, prints that text in hex.
      std::string text;
      for (std::size_t i = 0; i + 1 < s.size(); i += 2) {
        text += static_cast<char>(std::stoi(s.substr(i, 2), nullptr, 16));
      }
      std::string ours = v.asGuid().toString();
      ours.erase(std::remove(ours.begin(), ours.end(), '-'), ours.end());
      text.erase(std::remove(text.begin(), text.end(), '-'), text.end());
      return ours == text ? "" : differ(v.asGuid().toString());
    }
    case jet::ValueKind::Decimal: {
      auto theirs = jet::Decimal::parse(s);
      jet::Decimal ours = v.asDecimal();
      if (!theirs) return differ(ours.toString());
      while (theirs->scale < ours.scale) theirs->magnitude *= 10, ++theirs->scale;
      while (ours.scale < theirs->scale) ours.magnitude *= 10, ++ours.scale;
      return ours == *theirs ? "" : differ(v.asDecimal().toString());
    }
    case jet::ValueKind::Null:
      break;
  }
  return differ(describe(v));
}

}  // namespace qbtest
