// RowWriter formats. Values are encoded straight into the output buffer:
// numbers with std::to_chars, dates from their calendar fields, text from
// UTF-16 to UTF-8 in one pass with the format's escapes.
#include "row_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qbtool {

namespace {

using jet::Value;
using jet::ValueKind;

// Worst case bytes per UTF-16 code unit in any format (a JSON "\u001F" escape).
constexpr std::size_t kMaxBytesPerUnit = 6;
constexpr std::size_t kTextChunk = 4096;
static_assert(kTextChunk * kMaxBytesPerUnit + 8 <= OutputBuffer::kMaxClaim);

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

char* encodeUtf8(char* p, char32_t cp) {
  if (cp < 0x800) {
    *p++ = static_cast<char>(0xC0 | (cp >> 6));
  } else if (cp < 0x10000) {
    *p++ = static_cast<char>(0xE0 | (cp >> 12));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  } else {
    *p++ = static_cast<char>(0xF0 | (cp >> 18));
    *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  }
  *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  return p;
}

// Writes text as UTF-8. `escape(c, p)` is asked about every ASCII code unit: it
// writes an escape and returns the new end, or returns p to have c copied.
// Unpaired surrogates become U+FFFD.
template <typename Escape>
void appendText(OutputBuffer& out, std::u16string_view text, Escape escape) {
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t end = std::min(text.size(), i + kTextChunk);
    char* const start = out.claim((end - i) * kMaxBytesPerUnit + 8);
    char* p = start;
    while (i < end) {
      const char16_t c = text[i++];
      if (c < 0x80) {
        char* q = escape(c, p);
        if (q == p) *q++ = static_cast<char>(c);
        p = q;
      } else if (!isHighSurrogate(c) && !isLowSurrogate(c)) {
        p = encodeUtf8(p, c);
      } else if (isHighSurrogate(c) && i < text.size() && isLowSurrogate(text[i])) {
        // A pair may end one unit past the chunk; the claim has room for it.
        p = encodeUtf8(p, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i++] - 0xDC00));
      } else {
        p = encodeUtf8(p, 0xFFFD);
      }
    }
    out.commit(static_cast<std::size_t>(p - start));
  }
}

constexpr auto noEscape = [](char16_t, char* p) { return p; };

template <typename T>
void appendNumber(OutputBuffer& out, T value) {
  char* const start = out.claim(64);
  const auto result = std::to_chars(start, start + 64, value);
  out.commit(static_cast<std::size_t>(result.ptr - start));
}

char* twoDigits(char* p, int v) {
  *p++ = static_cast<char>('0' + v / 10);
  *p++ = static_cast<char>('0' + v % 10);
  return p;
}

// "YYYY-MM-DDTHH:MM:SS" with ".mmm" when there are milliseconds.
void appendDateTime(OutputBuffer& out, jet::DateTime value) {
  const jet::CivilDateTime c = jet::toCivil(value);
  if (c.year < 0 || c.year > 9999) {
    out.write(jet::toIsoString(value));
    return;
  }
  char* const start = out.claim(32);
  char* p = twoDigits(start, c.year / 100);
  p = twoDigits(p, c.year % 100);
  *p++ = '-';
  p = twoDigits(p, c.month);
  *p++ = '-';
  p = twoDigits(p, c.day);
  *p++ = 'T';
  p = twoDigits(p, c.hour);
  *p++ = ':';
  p = twoDigits(p, c.minute);
  *p++ = ':';
  p = twoDigits(p, c.second);
  if (c.millisecond != 0) {
    *p++ = '.';
    *p++ = static_cast<char>('0' + c.millisecond / 100);
    p = twoDigits(p, c.millisecond % 100);
  }
  out.commit(static_cast<std::size_t>(p - start));
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (the text of Guid::toString): the
// first three groups are little-endian numbers, the rest bytes in order.
void appendGuid(OutputBuffer& out, const jet::Guid& guid) {
  static constexpr int kShownOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  char* const start = out.claim(38);
  char* p = start;
  *p++ = '{';
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) *p++ = '-';
    const std::uint8_t b = guid.bytes[static_cast<std::size_t>(kShownOrder[i])];
    *p++ = kHexDigits[b >> 4];
    *p++ = kHexDigits[b & 0x0F];
  }
  *p++ = '}';
  out.commit(static_cast<std::size_t>(p - start));
}

void appendHex(OutputBuffer& out, const jet::Bytes& bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t n = std::min(bytes.size() - i, OutputBuffer::kMaxClaim / 2);
    char* p = out.claim(n * 2);
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint8_t b = bytes[i + k];
      p[2 * k] = kHexDigits[b >> 4];
      p[2 * k + 1] = kHexDigits[b & 0x0F];
    }
    out.commit(n * 2);
    i += n;
  }
}

// Currency with its four decimals, from the integer count of 1/10 000 units
// (the same text as Currency::toString, without going through 128-bit digits).
void appendCurrency(OutputBuffer& out, jet::Currency value) {
  const bool negative = value.units < 0;
  const std::uint64_t magnitude =
      negative ? std::uint64_t{0} - static_cast<std::uint64_t>(value.units) : static_cast<std::uint64_t>(value.units);
  char* const start = out.claim(32);
  char* p = start;
  if (negative) *p++ = '-';
  p = std::to_chars(p, start + 32, magnitude / 10000).ptr;
  *p++ = '.';
  const auto fraction = static_cast<int>(magnitude % 10000);
  p = twoDigits(p, fraction / 100);
  p = twoDigits(p, fraction % 100);
  out.commit(static_cast<std::size_t>(p - start));
}

template <typename T>
bool isFinite(T v) {
  return std::isfinite(v);
}

// Values whose text needs no escaping in any format: numbers, dates, GUIDs,
// hexadecimal binary. Returns false for Null and Text.
bool appendPlainValue(OutputBuffer& out, const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null:
    case ValueKind::Text: return false;
    case ValueKind::Boolean: out.write(v.asBoolean() ? "true" : "false"); return true;
    case ValueKind::Byte: appendNumber(out, static_cast<unsigned>(v.asByte())); return true;
    case ValueKind::Integer: appendNumber(out, v.asInteger()); return true;
    case ValueKind::Long: appendNumber(out, v.asLong()); return true;
    case ValueKind::Currency: appendCurrency(out, v.asCurrency()); return true;
    case ValueKind::Single: appendNumber(out, v.asSingle()); return true;
    case ValueKind::Double: appendNumber(out, v.asDouble()); return true;
    case ValueKind::DateTime: appendDateTime(out, v.asDateTime()); return true;
    case ValueKind::Binary: appendHex(out, v.asBinary()); return true;
    case ValueKind::Guid: appendGuid(out, v.asGuid()); return true;
    case ValueKind::Decimal: out.write(v.asDecimal().toString()); return true;
  }
  return false;
}

// CSV and TSV: one line per row, values separated by a delimiter.
class DelimitedWriter : public RowWriter {
 public:
  DelimitedWriter(OutputBuffer& out, const ExportOptions& options)
      : out_(out), tsv_(options.format == ExportFormat::Tsv), header_(options.header),
        lineEnd_(options.crlf ? "\r\n" : "\n") {}

  void begin(const std::vector<std::u16string>& columns) override {
    if (!header_) return;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) out_.put(delimiter());
      appendField(columns[i]);
    }
    out_.write(lineEnd_);
  }

  void row(const std::vector<Value>& values) override {
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (i > 0) out_.put(delimiter());
      const Value& v = values[i];
      if (v.kind() == ValueKind::Text) {
        appendField(v.asText());
      } else {
        appendPlainValue(out_, v);  // Null stays an empty field
      }
    }
    out_.write(lineEnd_);
  }

  void end() override {}

 private:
  char delimiter() const { return tsv_ ? '\t' : ','; }

  void appendField(std::u16string_view text) {
    if (tsv_) {
      // TSV cannot quote: tabs, line breaks and backslashes are escaped.
      appendText(out_, text, [](char16_t c, char* p) {
        const char escaped = c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : c == '\\' ? '\\' : 0;
        if (escaped == 0) return p;
        *p++ = '\\';
        *p++ = escaped;
        return p;
      });
      return;
    }
    // CSV quotes a field holding a delimiter, a quote or a line break, and the
    // empty text (so that it differs from Null, which is an empty field).
    const bool quote = text.empty() || std::any_of(text.begin(), text.end(), [](char16_t c) {
                         return c == u',' || c == u'"' || c == u'\n' || c == u'\r';
                       });
    if (!quote) {
      appendText(out_, text, noEscape);
      return;
    }
    out_.put('"');
    appendText(out_, text, [](char16_t c, char* p) {
      if (c == u'"') {
        *p++ = '"';
        *p++ = '"';
      }
      return p;
    });
    out_.put('"');
  }

  OutputBuffer& out_;
  bool tsv_;
  bool header_;
  std::string_view lineEnd_;
};

// JSON: an array with one element per row, an object keyed by column name (or
// an array when the header is turned off), one row per line.
class JsonWriter : public RowWriter {
 public:
  JsonWriter(OutputBuffer& out, const ExportOptions& options) : out_(out), objects_(options.header) {}

  void begin(const std::vector<std::u16string>& columns) override {
    out_.put('[');
    if (!objects_) return;
    // Key prefixes are encoded once: {"A": then ,"B": and so on.
    keys_.clear();
    for (std::size_t i = 0; i < columns.size(); ++i) {
      std::string key = i == 0 ? "{" : ",";
      key += jsonString(columns[i]);
      key += ':';
      keys_.push_back(std::move(key));
    }
  }

  void row(const std::vector<Value>& values) override {
    out_.write(first_ ? "\n" : ",\n");
    first_ = false;
    if (!objects_) out_.put('[');
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (objects_) {
        out_.write(keys_[i]);
      } else if (i > 0) {
        out_.put(',');
      }
      appendValue(values[i]);
    }
    if (values.empty() && objects_) out_.put('{');
    out_.put(objects_ ? '}' : ']');
  }

  void end() override { out_.write("\n]\n"); }

 private:
  static char* escapeJson(char16_t c, char* p) {
    if (c == u'"' || c == u'\\') {
      *p++ = '\\';
      *p++ = static_cast<char>(c);
    } else if (c < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      *p++ = '\\';
      switch (c) {
        case u'\n': *p++ = 'n'; break;
        case u'\r': *p++ = 'r'; break;
        case u'\t': *p++ = 't'; break;
        case u'\b': *p++ = 'b'; break;
        case u'\f': *p++ = 'f'; break;
        default:
          *p++ = 'u';
          *p++ = '0';
          *p++ = '0';
          *p++ = kHex[c >> 4];
          *p++ = kHex[c & 0x0F];
      }
    }
    return p;
  }

  static std::string jsonString(std::u16string_view text) {
    // Column names are short: encode them through a small private buffer.
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
      char buf[16];
      const char16_t c = text[i];
      char* end;
      if (c < 0x80) {
        end = escapeJson(c, buf);
        if (end == buf) *end++ = static_cast<char>(c);
      } else if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
        end = encodeUtf8(buf, 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[++i] - 0xDC00));
      } else {
        end = encodeUtf8(buf, isHighSurrogate(c) || isLowSurrogate(c) ? 0xFFFD : c);
      }
      out.append(buf, end);
    }
    out += '"';
    return out;
  }

  void appendQuotedPlain(const Value& v) {
    out_.put('"');
    appendPlainValue(out_, v);
    out_.put('"');
  }

  void appendValue(const Value& v) {
    switch (v.kind()) {
      case ValueKind::Null: out_.write("null"); return;
      case ValueKind::Text:
        out_.put('"');
        appendText(out_, v.asText(), escapeJson);
        out_.put('"');
        return;
      case ValueKind::Single:
        if (!isFinite(v.asSingle())) return appendNonFinite(v.asSingle());
        break;
      case ValueKind::Double:
        if (!isFinite(v.asDouble())) return appendNonFinite(v.asDouble());
        break;
      case ValueKind::DateTime:
      case ValueKind::Binary:
      case ValueKind::Guid: return appendQuotedPlain(v);
      default: break;
    }
    appendPlainValue(out_, v);
  }

  // JSON has no infinities or NaN: they are written as the strings
  // "Infinity", "-Infinity" and "NaN".
  void appendNonFinite(double v) {
    out_.write(std::isnan(v) ? "\"NaN\"" : v > 0 ? "\"Infinity\"" : "\"-Infinity\"");
  }

  OutputBuffer& out_;
  bool objects_;
  bool first_ = true;
  std::vector<std::string> keys_;
};

}  // namespace

bool parseExportFormat(std::string_view name, ExportFormat& format) {
  if (name == "csv") {
    format = ExportFormat::Csv;
  } else if (name == "tsv") {
    format = ExportFormat::Tsv;
  } else if (name == "json") {
    format = ExportFormat::Json;
  } else {
    return false;
  }
  return true;
}

std::unique_ptr<RowWriter> RowWriter::create(OutputBuffer& out, const ExportOptions& options) {
  if (options.format == ExportFormat::Json) return std::make_unique<JsonWriter>(out, options);
  return std::make_unique<DelimitedWriter>(out, options);
}

}  // namespace qbtool
