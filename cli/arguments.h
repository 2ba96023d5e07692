// Arguments: the words after a qbtool command name — operands, flags and
// options with values — checked against what that command accepts.
#pragma once

#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qbtool {

// A mistake in the command line; qbtool prints it with the usage and exits with 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct OptionSpec {
  std::string_view name;  // with its dashes: "--format"
  bool takesValue = false;
};

class Arguments {
 public:
  // Options may come anywhere, as "--name value" or "--name=value"; "--" ends
  // them. Throws UsageError for an option not in `accepted`, a missing value,
  // or a value given to a flag.
  static Arguments parse(std::span<const std::string> words, std::span<const OptionSpec> accepted);

  const std::vector<std::string>& operands() const { return operands_; }
  bool has(std::string_view option) const;
  // The value of an option given with one (the last one when repeated).
  std::optional<std::string> value(std::string_view option) const;
  // Every value of an option that may be repeated, in order.
  std::vector<std::string> values(std::string_view option) const;

 private:
  std::vector<std::string> operands_;
  std::vector<std::pair<std::string, std::optional<std::string>>> options_;
};

}  // namespace qbtool
