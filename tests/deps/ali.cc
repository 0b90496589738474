#include "ali.h"

#include <fstream>
#include <sstream>

namespace ali {

namespace {

void split_name(const std::string& word, std::string& name, bool& body) {
  size_t percent = word.rfind('%');
  name = word.substr(0, percent);
  body = percent != std::string::npos && word.compare(percent, 2, "%b") == 0;
}

}  // namespace

std::vector<Unit> read_units(const std::string& path) {
  std::vector<Unit> units;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() < 2 || line[1] != ' ') continue;
    char tag = line[0];
    if (tag != 'U' && tag != 'W' && tag != 'Y' && tag != 'Z') continue;
    std::istringstream words(line.substr(2));
    std::string word, name;
    bool body = false;
    words >> word;
    split_name(word, name, body);
    if (tag == 'U') {
      Unit unit;
      unit.name = name;
      unit.body = body;
      words >> unit.source;
      for (std::string flag; words >> flag;) unit.generic = unit.generic || flag == "GE";
      units.push_back(unit);
    } else if (tag == 'Z') {
      if (!units.empty()) units.back().implicit.push_back(name);
    } else if (!units.empty()) {
      bool limited = tag == 'Y';
      auto [at, added] = units.back().withs.emplace(name, limited);
      if (!added) at->second = at->second && limited;
    }
  }
  return units;
}

}  // namespace ali
