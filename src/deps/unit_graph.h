// The units of a tree and what each needs, from the link file and the
// dependency file alone: a unit needs the units it withs (and their
// ancestors), its parent unit, a body its spec, a subunit its parent body,
// and a body the withs of its subunits (they are compiled with it).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formats/dependency_file.h"
#include "formats/link_file_lines.h"

struct Unit {
  std::string_view name;        // as written; letter case does not count
  std::string_view kind;        // "SPEC", "BODY", "PROC"
  std::string_view path;        // as the link file writes it
  std::string_view subunit_of;  // empty unless a subunit
  bool external = false;        // provided from outside: never compiled nor checked here
  bool generic = false;         // a generic declaration (or generic renaming)
  bool is_body() const { return kind != "SPEC"; }
};

// Ada names compare without regard to letter case, as name_fold.h says.
struct NameHash {
  size_t operator()(std::string_view name) const;
};
struct SameName {
  bool operator()(std::string_view a, std::string_view b) const;
};
using NameIndex = std::unordered_map<std::string_view, uint32_t, NameHash, SameName>;

struct Need {
  uint32_t unit;
  bool limited;  // only through limited withs
};

struct Problem {
  enum Kind { kUnresolved, kDuplicate, kNoSpec, kNoParentBody } kind;
  uint32_t unit;             // who withs it, the later duplicate, the body
  std::string_view name;     // the name not found (unresolved, parent body)
  uint32_t other = 0;        // kDuplicate: the unit the link file puts first
};

struct UnitGraph {
  std::vector<Unit> units;                 // link-file order
  std::vector<std::vector<Need>> needs;    // per unit, without repeats; itself if it withs itself
  std::vector<Problem> problems;           // in the order found
  NameIndex spec_of, body_of;              // the first unit of each name
  // Per unit, as the indexes answer for its name: the first unit of its
  // kind (itself unless provided again), and the first of the other kind
  // (a body's spec, a spec's body), or UINT32_MAX.
  std::vector<uint32_t> first_same, first_other;
};

// Why the two files cannot be read together, or empty.
std::string files_out_of_step(const LinkFileText& link, const DependencyFile& deps);

// A pair of files whose units join the graph; `external` when they come
// from outside the project (the compiler's runtime, an installed library).
struct GraphSource {
  const LinkFileText* link;
  const DependencyFile* deps;
  bool external;
};

// Without `with_needs`, only the units and their problems, as check wants
// them: the needs took 2.1 of its 13 ms on the x10 tree. Units come in the
// order of `sources`, each pair's in link-file order; the first provider of a
// name is the one withs reach. Problems of external units are not kept.
UnitGraph build_unit_graph(const std::vector<GraphSource>& sources, bool with_needs = true);
