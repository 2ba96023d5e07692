// Text functions: Len, Left, Right, Mid, UCase, LCase, Trim and its kin, InStr,
// InStrRev, Replace, StrComp, StrReverse, Asc, Chr, Space, String.
#include <algorithm>
#include <array>

#include "jet/text.h"
#include "sql/function_args.h"
#include "sql/function_registry.h"

namespace jet::sql {

namespace {

// Windows-1252 characters 0x80..0x9F, which Chr and Asc use for those codes.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t charFromCode(std::int64_t code) {
  if (code < 0 || code > 255) invalidCall();
  if (code >= 0x80 && code <= 0x9F) return kCp1252High[static_cast<std::size_t>(code - 0x80)];
  return static_cast<char16_t>(code);
}

int codeFromChar(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return c;
  for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
    if (kCp1252High[i] == c) return static_cast<int>(0x80 + i);
  }
  return '?';
}

// Compare mode argument: 0 binary (exact), 1 text (without case). Text is the default.
bool textCompare(std::span<const Value> args, std::size_t i) {
  if (!given(args, i)) return true;
  const std::int64_t mode = longArg(args[i]);
  if (mode != 0 && mode != 1 && mode != 2) invalidCall();
  return mode != 0;
}

bool sameText(std::u16string_view a, std::u16string_view b, bool text) { return text ? equalText(a, b) : a == b; }

// 0-based position of `what` in `in` from `from`, or npos.
std::size_t findIn(std::u16string_view in, std::u16string_view what, std::size_t from, bool text) {
  if (what.size() > in.size()) return std::u16string_view::npos;
  for (std::size_t i = from; i + what.size() <= in.size(); ++i) {
    if (sameText(in.substr(i, what.size()), what, text)) return i;
  }
  return std::u16string_view::npos;
}

Value len(std::span<const Value> a, const EvalEnv&) {
  return Value::longInt(static_cast<std::int32_t>(textArg(a[0]).size()));
}

Value left(std::span<const Value> a, const EvalEnv&) {
  const std::u16string s = textArg(a[0]);
  return Value::text(s.substr(0, std::min(countArg(a[1]), s.size())));
}

Value right(std::span<const Value> a, const EvalEnv&) {
  const std::u16string s = textArg(a[0]);
  const std::size_t n = std::min(countArg(a[1]), s.size());
  return Value::text(s.substr(s.size() - n));
}

Value mid(std::span<const Value> a, const EvalEnv&) {
  const std::u16string s = textArg(a[0]);
  const std::int64_t start = longArg(a[1]);
  if (start < 1) invalidCall();
  const std::size_t from = static_cast<std::size_t>(start - 1);
  if (from >= s.size()) return Value::text(u"");
  const std::size_t n = given(a, 2) ? countArg(a[2]) : s.size();
  return Value::text(s.substr(from, n));
}

Value ucase(std::span<const Value> a, const EvalEnv&) {
  std::u16string s = textArg(a[0]);
  for (auto& c : s) c = toUpperSimple(c);
  return Value::text(std::move(s));
}

Value lcase(std::span<const Value> a, const EvalEnv&) {
  std::u16string s = textArg(a[0]);
  for (auto& c : s) c = toLowerSimple(c);
  return Value::text(std::move(s));
}

Value trimSides(const Value& v, bool front, bool back) {
  const std::u16string s = textArg(v);
  std::size_t b = 0, e = s.size();
  while (front && b < e && s[b] == u' ') ++b;
  while (back && e > b && s[e - 1] == u' ') --e;
  return Value::text(s.substr(b, e - b));
}
Value trim(std::span<const Value> a, const EvalEnv&) { return trimSides(a[0], true, true); }
Value ltrim(std::span<const Value> a, const EvalEnv&) { return trimSides(a[0], true, false); }
Value rtrim(std::span<const Value> a, const EvalEnv&) { return trimSides(a[0], false, true); }

// InStr([start,] text, sought[, compare])
Value instr(std::span<const Value> a, const EvalEnv&) {
  std::size_t first = 0;
  std::size_t start = 1;
  if (a.size() >= 3) {
    requireValue(a[0]);
    const std::int64_t s = longArg(a[0]);
    if (s < 1) invalidCall();
    start = static_cast<std::size_t>(s);
    first = 1;
  }
  const Value& in = a[first];
  const Value& what = a[first + 1];
  if (in.isNull() || what.isNull()) return Value();
  const bool text = textCompare(a, first + 2);
  const std::u16string s = textArg(in), w = textArg(what);
  if (start > s.size() + (w.empty() ? 1 : 0)) return Value::longInt(0);
  if (w.empty()) return Value::longInt(static_cast<std::int32_t>(start));
  const std::size_t at = findIn(s, w, start - 1, text);
  return Value::longInt(at == std::u16string_view::npos ? 0 : static_cast<std::int32_t>(at + 1));
}

// InStrRev(text, sought[, start[, compare]])
Value instrrev(std::span<const Value> a, const EvalEnv&) {
  if (a[1].isNull()) return Value();
  const std::u16string s = textArg(a[0]), w = textArg(a[1]);
  std::int64_t start = given(a, 2) ? longArg(a[2]) : -1;
  if (start == 0 || start < -1) invalidCall();
  const bool text = textCompare(a, 3);
  const std::size_t end = start == -1 ? s.size() : std::min(static_cast<std::size_t>(start), s.size());
  if (w.empty()) return Value::longInt(static_cast<std::int32_t>(start == -1 ? s.size() : static_cast<std::size_t>(start)));
  for (std::size_t i = end; i >= w.size(); --i) {
    if (sameText(std::u16string_view(s).substr(i - w.size(), w.size()), w, text)) {
      return Value::longInt(static_cast<std::int32_t>(i - w.size() + 1));
    }
  }
  return Value::longInt(0);
}

// Replace(text, find, with[, start[, count[, compare]]]): the result starts at `start`.
Value replace(std::span<const Value> a, const EvalEnv&) {
  for (std::size_t i = 0; i < 3; ++i) requireValue(a[i]);
  const std::u16string s = textArg(a[0]), find = textArg(a[1]), with = textArg(a[2]);
  const std::int64_t start = given(a, 3) ? longArg(a[3]) : 1;
  std::int64_t count = given(a, 4) ? longArg(a[4]) : -1;
  if (start < 1 || count < -1) invalidCall();
  const bool text = given(a, 5) && textCompare(a, 5);
  if (static_cast<std::size_t>(start) > s.size()) return Value::text(u"");
  const std::u16string_view rest = std::u16string_view(s).substr(static_cast<std::size_t>(start - 1));
  if (find.empty() || count == 0) return Value::text(std::u16string(rest));
  std::u16string out;
  std::size_t i = 0;
  while (count != 0) {
    const std::size_t at = findIn(rest, find, i, text);
    if (at == std::u16string_view::npos) break;
    out.append(rest.substr(i, at - i)).append(with);
    checkTextLength(out.size());
    i = at + find.size();
    if (count > 0) --count;
  }
  out.append(rest.substr(i));
  return Value::text(std::move(out));
}

Value strcomp(std::span<const Value> a, const EvalEnv&) {
  const std::u16string x = textArg(a[0]), y = textArg(a[1]);
  const int c = textCompare(a, 2) ? compareText(x, y) : x.compare(y);
  return Value::integer(static_cast<std::int16_t>(c < 0 ? -1 : c > 0 ? 1 : 0));
}

Value strreverse(std::span<const Value> a, const EvalEnv&) {
  std::u16string s = textArg(a[0]);
  std::reverse(s.begin(), s.end());
  return Value::text(std::move(s));
}

Value firstChar(const Value& v) {
  requireValue(v);
  const std::u16string s = textArg(v);
  if (s.empty()) invalidCall();
  return Value::text(s.substr(0, 1));
}

Value asc(std::span<const Value> a, const EvalEnv&) {
  return Value::integer(static_cast<std::int16_t>(codeFromChar(firstChar(a[0]).asText()[0])));
}

Value ascw(std::span<const Value> a, const EvalEnv&) {
  return Value::integer(static_cast<std::int16_t>(firstChar(a[0]).asText()[0]));
}

Value chr(std::span<const Value> a, const EvalEnv&) { return Value::text(std::u16string(1, charFromCode(longArg(a[0])))); }

Value chrw(std::span<const Value> a, const EvalEnv&) {
  const std::int64_t code = longArg(a[0]);
  if (code < -32768 || code > 65535) invalidCall();
  return Value::text(std::u16string(1, static_cast<char16_t>(code & 0xFFFF)));
}

Value space(std::span<const Value> a, const EvalEnv&) {
  const std::size_t n = countArg(a[0]);
  checkTextLength(n);
  return Value::text(std::u16string(n, u' '));
}

// String(count, character or character code)
Value string(std::span<const Value> a, const EvalEnv&) {
  const std::size_t n = countArg(a[0]);
  checkTextLength(n);
  requireValue(a[1]);
  const char16_t c = a[1].kind() == ValueKind::Text ? firstChar(a[1]).asText()[0] : charFromCode(longArg(a[1]) % 256);
  return Value::text(std::u16string(n, c));
}

constexpr auto T = ValueKind::Text;
constexpr auto L = ValueKind::Long;
constexpr auto I = ValueKind::Integer;
constexpr auto kFirst = NullRule::FirstNullGivesNull;
constexpr auto kAny = NullRule::AnyNullGivesNull;
constexpr auto kOwn = NullRule::Handled;

constexpr std::array kTextFunctions = {
    FunctionDef{u"Len", 1, 1, len, kFirst, L},
    FunctionDef{u"Left", 2, 2, left, kFirst, T},
    FunctionDef{u"Right", 2, 2, right, kFirst, T},
    FunctionDef{u"Mid", 2, 3, mid, kFirst, T},
    FunctionDef{u"UCase", 1, 1, ucase, kFirst, T},
    FunctionDef{u"LCase", 1, 1, lcase, kFirst, T},
    FunctionDef{u"Trim", 1, 1, trim, kFirst, T},
    FunctionDef{u"LTrim", 1, 1, ltrim, kFirst, T},
    FunctionDef{u"RTrim", 1, 1, rtrim, kFirst, T},
    FunctionDef{u"InStr", 2, 4, instr, kOwn, L},
    FunctionDef{u"InStrRev", 2, 4, instrrev, kFirst, L},
    FunctionDef{u"Replace", 3, 6, replace, kOwn, T},
    FunctionDef{u"StrComp", 2, 3, strcomp, kAny, I},
    FunctionDef{u"StrReverse", 1, 1, strreverse, kFirst, T},
    FunctionDef{u"Asc", 1, 1, asc, kOwn, I},
    FunctionDef{u"AscW", 1, 1, ascw, kOwn, I},
    FunctionDef{u"Chr", 1, 1, chr, kOwn, T},
    FunctionDef{u"ChrW", 1, 1, chrw, kOwn, T},
    FunctionDef{u"Space", 1, 1, space, kOwn, T},
    FunctionDef{u"String", 2, 2, string, kOwn, T},
};

}  // namespace

std::span<const FunctionDef> textFunctions() { return kTextFunctions; }

}  // namespace jet::sql
