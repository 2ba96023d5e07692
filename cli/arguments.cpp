// Arguments: parsing and look-up of a command's options and operands.
#include "arguments.h"

#include <algorithm>

namespace qbtool {

Arguments Arguments::parse(std::span<const std::string> words, std::span<const OptionSpec> accepted) {
  Arguments args;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (optionsEnded || word.size() < 2 || word[0] != '-') {
      args.operands_.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = word.find('=');
    const std::string name = word.substr(0, equals);
    const auto spec = std::find_if(accepted.begin(), accepted.end(), [&](const OptionSpec& s) { return s.name == name; });
    if (spec == accepted.end()) throw UsageError("unknown option " + name);
    std::optional<std::string> value;
    if (equals != std::string::npos) {
      if (!spec->takesValue) throw UsageError("option " + name + " takes no value");
      value = word.substr(equals + 1);
    } else if (spec->takesValue) {
      if (i + 1 >= words.size()) throw UsageError("option " + name + " needs a value");
      value = words[++i];
    }
    args.options_.emplace_back(name, std::move(value));
  }
  return args;
}

bool Arguments::has(std::string_view option) const {
  return std::any_of(options_.begin(), options_.end(), [&](const auto& o) { return o.first == option; });
}

std::optional<std::string> Arguments::value(std::string_view option) const {
  for (auto it = options_.rbegin(); it != options_.rend(); ++it) {
    if (it->first == option) return it->second;
  }
  return std::nullopt;
}

std::vector<std::string> Arguments::values(std::string_view option) const {
  std::vector<std::string> out;
  for (const auto& [name, v] : options_) {
    if (name == option && v) out.push_back(*v);
  }
  return out;
}

}  // namespace qbtool
