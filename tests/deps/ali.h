// GNAT's .ali files as the dependency oracle: each "U" line names a unit
// (lower case, "%s" spec or "%b" body) and its source file; the "W" (with)
// and "Y" (limited with) lines below it, up to the next "U" line, are what
// that unit withs. "Z" lines are the compiler's own implicit withs.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace ali {

struct Unit {
  std::string name;    // lower case, without "%s" / "%b"
  bool body = false;   // "%b"
  std::string source;  // the file name the U line gives
  // Withed names (lower case), limited or not; a name both withed and
  // limited-withed counts as withed.
  std::map<std::string, bool> withs;  // name -> limited only
  std::vector<std::string> implicit;  // "Z" lines
  bool generic = false;               // "GE" on its U line
};

// The units of one .ali file, in file order.
std::vector<Unit> read_units(const std::string& path);

}  // namespace ali
