// The layers of the program include one another downwards only:
//
//   app/                          the main window and start-up: any layer
//   browse/   output/   query/    each on the two below, never on one another
//   connection/ui/                the data-access layer, the services and the
//                                 data-bound controls several windows share
//   ui_services/                  Qt alone
//   connection/ (core), engine/, cli/, migrate/   no Qt at all
//
// The build links each layer only to the ones below it, but every header of
// the tree can be included from anywhere, so an include that runs sideways or
// upwards would compile until the day its target is linked alone. This test
// reads every source file's includes and names the ones that break the rule.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = QB_SOURCE_DIR;

// The layer a file of the tree, or a quoted include, belongs to ("" for none
// of the layers below): the longest matching folder prefix.
std::string layerOf(const std::string& path) {
  static const std::vector<std::string> kLayers{"connection/ui/", "ui_services/", "connection/", "browse/",
                                                "output/",        "query/",       "app/",        "engine/",
                                                "cli/",           "migrate/",     "jet/"};
  for (const std::string& layer : kLayers) {
    if (path.rfind(layer, 0) == 0) return layer == "jet/" ? "engine/" : layer;
  }
  return "";
}

// What each Qt layer may include besides Qt and the standard library.
const std::map<std::string, std::set<std::string>>& allowedIncludes() {
  static const std::map<std::string, std::set<std::string>> kAllowed = [] {
    const std::set<std::string> base{"ui_services/", "connection/ui/", "connection/", "engine/"};
    const auto with = [&](std::initializer_list<std::string> more) {
      std::set<std::string> layers = base;
      layers.insert(more);
      return layers;
    };
    return std::map<std::string, std::set<std::string>>{
        {"ui_services/", {"ui_services/"}}, {"connection/ui/", base},
        {"browse/", with({"browse/"})},     {"output/", with({"output/"})},
        {"query/", with({"query/"})},       {"app/", with({"browse/", "output/", "query/", "app/"})},
    };
  }();
  return kAllowed;
}

struct Include {
  std::string target;
  bool quoted;
  int line;
};

std::vector<Include> includesOf(const fs::path& file) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::vector<Include> result;
  std::ifstream in(file);
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    std::smatch match;
    if (std::regex_search(text, match, kInclude)) result.push_back({match[2], match[1] == "\"", line});
  }
  return result;
}

// Source files under `folder` (relative to the tree), with their tree paths.
std::vector<std::string> sourcesUnder(const std::string& folder) {
  std::vector<std::string> files;
  const fs::path root = kSourceDir / folder;
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp")) {
      files.push_back(fs::relative(entry.path(), kSourceDir).generic_string());
    }
  }
  return files;
}

TEST(LayeringTest, QtLayersIncludeOnlyTheLayersBelowThem) {
  std::vector<std::string> broken;
  std::size_t checked = 0;
  for (const auto& [layer, allowed] : allowedIncludes()) {
    for (const std::string& file : sourcesUnder(layer)) {
      // connection/ holds connection/ui/; each file counts for its own layer.
      if (layerOf(file) != layer) continue;
      ++checked;
      for (const Include& include : includesOf(kSourceDir / file)) {
        if (!include.quoted) continue;
        const std::string target = include.target.find('/') == std::string::npos
                                       ? fs::path(file).parent_path().generic_string() + "/" + include.target
                                       : include.target;
        const std::string to = layerOf(target);
        if (!allowed.count(to)) {
          broken.push_back(file + ":" + std::to_string(include.line) + " includes \"" + include.target +
                           "\"");
        }
      }
    }
  }
  EXPECT_GT(checked, 50u) << "the tree was not found at " << kSourceDir;
  EXPECT_TRUE(broken.empty()) << [&] {
    std::string all;
    for (const std::string& b : broken) all += "\n  " + b;
    return all;
  }();
}

TEST(LayeringTest, TheEngineTheDataAccessCoreAndTheToolIncludeNoQt) {
  std::vector<std::string> broken;
  for (const std::string folder : {"engine/", "connection/", "cli/", "migrate/"}) {
    for (const std::string& file : sourcesUnder(folder)) {
      if (layerOf(file) != folder) continue;  // connection/ui/ is Qt
      for (const Include& include : includesOf(kSourceDir / file)) {
        const std::string to = include.quoted ? layerOf(include.target) : "";
        const bool qtHeader = !include.quoted && include.target.rfind("Q", 0) == 0;
        const bool qtLayer = allowedIncludes().count(to) > 0 && to != "connection/";
        if (qtHeader || qtLayer) {
          broken.push_back(file + ":" + std::to_string(include.line) + " includes " + include.target);
        }
      }
    }
  }
  EXPECT_TRUE(broken.empty()) << [&] {
    std::string all;
    for (const std::string& b : broken) all += "\n  " + b;
    return all;
  }();
}

}  // namespace
