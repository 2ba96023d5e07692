// Like pattern compilation and matching (greedy runs with one backtrack point,
// which is enough because a later run can absorb anything an earlier one could).
#include "sql/like_pattern.h"

#include "jet/text.h"
#include "value/value_error.h"

namespace jet::sql {

namespace {
char16_t fold(char16_t c) { return toUpperSimple(c); }
}  // namespace

LikePattern::LikePattern(std::u16string_view p) {
  for (std::size_t i = 0; i < p.size(); ++i) {
    const char16_t c = p[i];
    switch (c) {
      case u'*':
      case u'%':
        if (items_.empty() || items_.back().kind != Kind::AnyRun) items_.push_back({Kind::AnyRun});
        break;
      case u'?':
      case u'_': items_.push_back({Kind::AnyOne}); break;
      case u'#': items_.push_back({Kind::Digit}); break;
      case u'[': {
        const std::size_t close = p.find(u']', i + 1);
        if (close == std::u16string_view::npos) throw ValueError("Invalid pattern string: '[' without ']'");
        std::u16string_view body = p.substr(i + 1, close - i - 1);
        i = close;
        Item item{Kind::Set};
        if (!body.empty() && body[0] == u'!') {
          item.negated = true;
          body.remove_prefix(1);
        }
        if (body.empty() && !item.negated) break;  // [] matches nothing, like an empty string
        item.first = ranges_.size();
        for (std::size_t k = 0; k < body.size(); ++k) {
          if (k + 2 < body.size() && body[k + 1] == u'-') {
            char16_t lo = fold(body[k]), hi = fold(body[k + 2]);
            if (lo > hi) std::swap(lo, hi);
            ranges_.push_back({lo, hi});
            k += 2;
          } else {
            ranges_.push_back({fold(body[k]), fold(body[k])});
          }
        }
        item.count = ranges_.size() - item.first;
        items_.push_back(item);
        break;
      }
      default: {
        Item item{Kind::Literal};
        item.ch = fold(c);
        items_.push_back(item);
      }
    }
  }
}

bool LikePattern::matchOne(const Item& item, char16_t c) const {
  switch (item.kind) {
    case Kind::Literal: return fold(c) == item.ch;
    case Kind::AnyOne: return true;
    case Kind::Digit: return c >= u'0' && c <= u'9';
    case Kind::Set: {
      const char16_t f = fold(c);
      bool in = false;
      for (std::size_t k = item.first; k < item.first + item.count && !in; ++k) {
        in = f >= ranges_[k].low && f <= ranges_[k].high;
      }
      return in != item.negated;
    }
    case Kind::AnyRun: break;
  }
  return false;
}

bool LikePattern::matches(std::u16string_view text) const {
  std::size_t p = 0, t = 0;
  std::size_t starP = std::u16string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < items_.size() && items_[p].kind == Kind::AnyRun) {
      starP = p++;
      starT = t;
    } else if (p < items_.size() && matchOne(items_[p], text[t])) {
      ++p;
      ++t;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < items_.size() && items_[p].kind == Kind::AnyRun) ++p;
  return p == items_.size();
}

}  // namespace jet::sql
