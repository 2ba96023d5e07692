// Like patterns, compiled once and matched without allocation:
//   * or %   any run of characters (also none)
//   ? or _   one character
//   #        one digit 0-9
//   [abc]    one of the characters; [a-z] a range; [!abc] none of them
//   [*]      a special character taken literally
// Letters match without regard to case, ranges too ([a-c] matches 'B').
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace jet::sql {

class LikePattern {
 public:
  // Throws ValueError for a '[' without its ']'.
  explicit LikePattern(std::u16string_view pattern);

  bool matches(std::u16string_view text) const;

 private:
  enum class Kind : unsigned char { Literal, AnyRun, AnyOne, Digit, Set };
  struct Item {
    Kind kind;
    bool negated = false;
    char16_t ch = 0;        // Literal: folded character
    std::size_t first = 0;  // Set: ranges_[first .. first + count)
    std::size_t count = 0;
  };
  struct Range {
    char16_t low, high;  // folded bounds
  };

  bool matchOne(const Item& item, char16_t c) const;

  std::vector<Item> items_;
  std::vector<Range> ranges_;
};

}  // namespace jet::sql
