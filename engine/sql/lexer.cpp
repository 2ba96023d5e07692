// Lexer for the Access (Jet) SQL dialect.
#include "sql/lexer.h"

#include <array>
#include <utility>

#include "jet/error.h"
#include "jet/text.h"

namespace jet::sql {

namespace {

struct KeywordName {
  std::u16string_view name;  // upper case
  Keyword keyword;
};

constexpr std::array kKeywords = {
    KeywordName{u"AND", Keyword::And},           KeywordName{u"OR", Keyword::Or},
    KeywordName{u"NOT", Keyword::Not},           KeywordName{u"XOR", Keyword::Xor},
    KeywordName{u"EQV", Keyword::Eqv},           KeywordName{u"IMP", Keyword::Imp},
    KeywordName{u"MOD", Keyword::Mod},           KeywordName{u"LIKE", Keyword::Like},
    KeywordName{u"ALIKE", Keyword::ALike},       KeywordName{u"IS", Keyword::Is},
    KeywordName{u"NULL", Keyword::Null},         KeywordName{u"BETWEEN", Keyword::Between},
    KeywordName{u"IN", Keyword::In},             KeywordName{u"TRUE", Keyword::True},
    KeywordName{u"FALSE", Keyword::False},       KeywordName{u"SELECT", Keyword::Select},
    KeywordName{u"DISTINCT", Keyword::Distinct}, KeywordName{u"DISTINCTROW", Keyword::DistinctRow},
    KeywordName{u"TOP", Keyword::Top},           KeywordName{u"PERCENT", Keyword::Percent},
    KeywordName{u"FROM", Keyword::From},         KeywordName{u"WHERE", Keyword::Where},
    KeywordName{u"GROUP", Keyword::Group},       KeywordName{u"BY", Keyword::By},
    KeywordName{u"HAVING", Keyword::Having},     KeywordName{u"ORDER", Keyword::Order},
    KeywordName{u"ASC", Keyword::Asc},           KeywordName{u"DESC", Keyword::Desc},
    KeywordName{u"AS", Keyword::As},             KeywordName{u"ON", Keyword::On},
    KeywordName{u"INNER", Keyword::Inner},       KeywordName{u"LEFT", Keyword::Left},
    KeywordName{u"RIGHT", Keyword::Right},       KeywordName{u"OUTER", Keyword::Outer},
    KeywordName{u"JOIN", Keyword::Join},         KeywordName{u"UNION", Keyword::Union},
    KeywordName{u"ALL", Keyword::All},           KeywordName{u"INSERT", Keyword::Insert},
    KeywordName{u"INTO", Keyword::Into},         KeywordName{u"VALUES", Keyword::Values},
    KeywordName{u"UPDATE", Keyword::Update},     KeywordName{u"SET", Keyword::Set},
    KeywordName{u"DELETE", Keyword::Delete},     KeywordName{u"CREATE", Keyword::Create},
    KeywordName{u"DROP", Keyword::Drop},         KeywordName{u"ALTER", Keyword::Alter},
    KeywordName{u"TABLE", Keyword::Table},       KeywordName{u"INDEX", Keyword::Index},
    KeywordName{u"UNIQUE", Keyword::Unique},     KeywordName{u"PRIMARY", Keyword::Primary},
    KeywordName{u"KEY", Keyword::Key},           KeywordName{u"CONSTRAINT", Keyword::Constraint},
    KeywordName{u"REFERENCES", Keyword::References},
    KeywordName{u"PARAMETERS", Keyword::Parameters},
    KeywordName{u"TRANSFORM", Keyword::Transform}, KeywordName{u"PIVOT", Keyword::Pivot},
    KeywordName{u"EXISTS", Keyword::Exists},     KeywordName{u"WITH", Keyword::With},
};

Keyword keywordOf(std::u16string_view word) {
  for (const auto& k : kKeywords) {
    if (equalNamesNoCase(word, k.name)) return k.keyword;
  }
  return Keyword::None;
}

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0 || c == 0x3000; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isWordStart(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || (c >= 0x80 && !isSpace(c));
}
bool isWordPart(char16_t c) { return isWordStart(c) || isDigit(c) || c == u'$'; }

class Lexer {
 public:
  Lexer(std::u16string_view source, std::string_view context) : src_(source), context_(context) {}

  std::vector<Token> run() {
    std::vector<Token> out;
    for (;;) {
      while (i_ < src_.size() && isSpace(src_[i_])) ++i_;
      if (i_ >= src_.size()) break;
      out.push_back(next());
    }
    Token end;
    end.position = src_.size() + 1;
    out.push_back(std::move(end));
    return out;
  }

 private:
  [[noreturn]] void fail(const std::string& what, std::size_t at) const {
    throw Error(ErrorCode::Syntax, what + atPosition(context_, at + 1));
  }

  Token make(TokenKind kind, std::size_t start, std::u16string text = {}) const {
    Token t;
    t.kind = kind;
    t.position = start + 1;
    t.length = i_ - start;
    t.text = std::move(text);
    return t;
  }

  Token next() {
    const std::size_t start = i_;
    const char16_t c = src_[i_];
    if (isDigit(c) || (c == u'.' && i_ + 1 < src_.size() && isDigit(src_[i_ + 1]))) return number();
    if (isWordStart(c)) {
      while (i_ < src_.size() && isWordPart(src_[i_])) ++i_;
      Token t = make(TokenKind::Word, start, std::u16string(src_.substr(start, i_ - start)));
      t.keyword = keywordOf(t.text);
      return t;
    }
    switch (c) {
      case u'[': return delimited(u']', TokenKind::BracketName, "Unterminated name after '['");
      case u'#': return delimited(u'#', TokenKind::Date, "Unterminated date after '#'");
      case u'\'':
      case u'"': return quoted(c);
      default: break;
    }
    ++i_;
    auto two = [&](char16_t second) {
      if (i_ < src_.size() && src_[i_] == second) {
        ++i_;
        return true;
      }
      return false;
    };
    switch (c) {
      case u'(': return make(TokenKind::LParen, start);
      case u')': return make(TokenKind::RParen, start);
      case u',': return make(TokenKind::Comma, start);
      case u'.': return make(TokenKind::Dot, start);
      case u'!': return make(TokenKind::Bang, start);
      case u';': return make(TokenKind::Semicolon, start);
      case u'?': return make(TokenKind::Parameter, start);
      case u'=': return make(TokenKind::Eq, start);
      case u'<':
        if (two(u'>')) return make(TokenKind::Ne, start);
        if (two(u'=')) return make(TokenKind::Le, start);
        return make(TokenKind::Lt, start);
      case u'>':
        if (two(u'=')) return make(TokenKind::Ge, start);
        return make(TokenKind::Gt, start);
      case u'+': return make(TokenKind::Plus, start);
      case u'-': return make(TokenKind::Minus, start);
      case u'*': return make(TokenKind::Star, start);
      case u'/': return make(TokenKind::Slash, start);
      case u'\\': return make(TokenKind::Backslash, start);
      case u'^': return make(TokenKind::Caret, start);
      case u'&': return make(TokenKind::Ampersand, start);
      default: break;
    }
    fail("Unexpected character '" + toUtf8(src_.substr(start, 1)) + "'", start);
  }

  Token number() {
    const std::size_t start = i_;
    while (i_ < src_.size() && isDigit(src_[i_])) ++i_;
    if (i_ < src_.size() && src_[i_] == u'.') {
      ++i_;
      while (i_ < src_.size() && isDigit(src_[i_])) ++i_;
    }
    if (i_ < src_.size() && (src_[i_] == u'e' || src_[i_] == u'E')) {
      std::size_t j = i_ + 1;
      if (j < src_.size() && (src_[j] == u'+' || src_[j] == u'-')) ++j;
      if (j < src_.size() && isDigit(src_[j])) {
        i_ = j;
        while (i_ < src_.size() && isDigit(src_[i_])) ++i_;
      }
    }
    return make(TokenKind::Number, start, std::u16string(src_.substr(start, i_ - start)));
  }

  // [name] and #date#: everything up to the closing character, which cannot occur inside.
  Token delimited(char16_t close, TokenKind kind, const char* unterminated) {
    const std::size_t start = i_++;
    const std::size_t end = src_.find(close, i_);
    if (end == std::u16string_view::npos) fail(unterminated, start);
    std::u16string inner(src_.substr(i_, end - i_));
    i_ = end + 1;
    if (kind == TokenKind::BracketName && inner.empty()) fail("Empty name '[]'", start);
    return make(kind, start, std::move(inner));
  }

  // '...' or "..."; the quote is written twice to stand for itself.
  Token quoted(char16_t quote) {
    const std::size_t start = i_++;
    std::u16string text;
    for (;;) {
      if (i_ >= src_.size()) fail("Unterminated text literal", start);
      const char16_t c = src_[i_++];
      if (c == quote) {
        if (i_ < src_.size() && src_[i_] == quote) {
          text.push_back(quote);
          ++i_;
          continue;
        }
        break;
      }
      text.push_back(c);
    }
    return make(TokenKind::String, start, std::move(text));
  }

  std::u16string_view src_;
  std::string_view context_;
  std::size_t i_ = 0;
};

}  // namespace

bool isOperatorKeyword(Keyword k) noexcept {
  return k != Keyword::None && static_cast<int>(k) <= static_cast<int>(Keyword::False);
}

std::string describeToken(const Token& token) {
  switch (token.kind) {
    case TokenKind::End: return "end of text";
    case TokenKind::String: return "'" + toUtf8(token.text) + "'";
    case TokenKind::BracketName: return "'[" + toUtf8(token.text) + "]'";
    case TokenKind::Date: return "'#" + toUtf8(token.text) + "#'";
    case TokenKind::Word:
    case TokenKind::Number: return "'" + toUtf8(token.text) + "'";
    default: break;
  }
  static constexpr std::array<const char*, 20> kSymbols = {
      "?", "(", ")", ",", ".", "!", ";", "=", "<>", "<", ">", "<=", ">=", "+", "-", "*", "/", "\\", "^", "&"};
  const auto index = static_cast<std::size_t>(token.kind) - static_cast<std::size_t>(TokenKind::Parameter);
  return std::string("'") + (index < kSymbols.size() ? kSymbols[index] : "") + "'";
}

std::vector<Token> tokenize(std::u16string_view source, std::string_view context) {
  return Lexer(source, context).run();
}

std::string atPosition(std::string_view context, std::size_t position) {
  return " in " + std::string(context) + " at position " + std::to_string(position);
}

}  // namespace jet::sql
