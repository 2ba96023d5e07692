// Reading the line-based test scripts: their lines (without CR), and a
// line's command word and the rest.
#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qbtest {

// Every line of `file`; nullopt when it cannot be read.
inline std::optional<std::vector<std::string>> readScriptLines(const std::filesystem::path& file) {
  std::ifstream in(file);
  if (!in) return std::nullopt;
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
  }
  return lines;
}

// "command the rest" → {"command", "the rest"}; a line without a blank is all command.
inline std::pair<std::string, std::string> splitCommand(const std::string& line) {
  const auto space = line.find(' ');
  return {line.substr(0, space), space == std::string::npos ? std::string() : line.substr(space + 1)};
}

}  // namespace qbtest
