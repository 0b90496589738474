#include "deps/compile_reads.h"

namespace {

constexpr uint32_t kNone = CompileReads::kNone;

// `name` is `ancestor` followed by "." and more, letter case aside.
bool descends_from(std::string_view name, std::string_view ancestor) {
  return name.size() > ancestor.size() && name[ancestor.size()] == '.' &&
         SameName()(name.substr(0, ancestor.size()), ancestor);
}

}  // namespace

CompileReads::CompileReads(const UnitGraph& graph, const std::vector<GraphSource>& sources)
    : graph_(graph), subunits_(graph.units.size()), generic_seen_(graph.units.size(), kNone) {
  // Names as the graph looked them up: the rest asks these lists.
  same_spec_.reserve(graph.units.size());
  same_body_.reserve(graph.units.size());
  for (uint32_t i = 0; i < graph.units.size(); ++i) {
    bool body = graph.units[i].is_body();
    same_spec_.push_back(body ? graph.first_other[i] : graph.first_same[i]);
    same_body_.push_back(body ? graph.first_same[i] : graph.first_other[i]);
  }
  for (uint32_t i = 0; i < graph.units.size(); ++i) {
    const Unit& unit = graph.units[i];
    if (unit.subunit_of.empty()) continue;
    if (auto body = graph.body_of.find(unit.subunit_of); body != graph.body_of.end())
      subunits_[body->second].push_back(i);
  }
  place_units(sources);
  find_nested_generics();
  find_direct_withs(sources);
  find_implicit();
}

uint32_t CompileReads::spec_of(std::string_view name) const {
  auto at = graph_.spec_of.find(name);
  return at == graph_.spec_of.end() ? kNone : at->second;
}

uint32_t CompileReads::compiled_with(uint32_t i) const {
  for (size_t hops = 0; hops <= graph_.units.size() && i != kNone; ++hops) {
    const Unit& unit = graph_.units[i];
    if (unit.external || compiled(i)) return unit.external ? kNone : i;
    if (unit.is_body()) {
      auto body = graph_.body_of.find(unit.subunit_of);
      i = body == graph_.body_of.end() ? kNone : body->second;
    } else {
      i = same_body_[i];
    }
  }
  return kNone;
}

// The graph's units come source after source, each in link-file order.
void CompileReads::place_units(const std::vector<GraphSource>& sources) {
  unit_index_.reserve(graph_.units.size());
  shared_file_.reserve(graph_.units.size());
  for (const GraphSource& source : sources)
    for (size_t r = 0; r < source.link->records.size(); ++r) {
      const LinkRecord& record = source.link->records[r];
      // After a syntax error a unit may be missing, and the count off.
      bool unsure = record.unit_count > 1 && !source.deps->rules[r].clean;
      for (size_t u = 0; u < record.unit_count; ++u) {
        unit_index_.push_back(static_cast<uint32_t>(u + 1));
        shared_file_.push_back(record.unit_count > 1);
        index_unsure_.push_back(unsure);
      }
    }
}

// The units the compiler loads on its own for what a unit's code does
// (raising, tagged types, finalization, images, the secondary stack...):
// the whole System hierarchy, where nearly all of them are, and the few
// elsewhere. Which ones a unit loads only the compiler knows, so every
// object needs them all: they change with the compiler, which rebuilds
// everything anyway.
void CompileReads::find_implicit() {
  static constexpr std::string_view kElsewhere[] = {
      "Ada.Exceptions",      "Ada.Tags",        "Ada.Finalization",
      "Ada.Streams",         "Ada.Strings.Text_Buffers", "Ada.Unchecked_Conversion",
      "Ada.Unchecked_Deallocation", "Ada.Calendar", "Ada.Calendar.Delays",
      "Ada.Real_Time",       "Ada.Real_Time.Delays", "Ada.Task_Identification",
      "Ada.Interrupts",      "Interfaces",      "Interfaces.C"};
  SameName same;
  for (uint32_t i = 0; i < graph_.units.size(); ++i) {
    std::string_view name = graph_.units[i].name;
    char first = static_cast<char>(name.empty() ? 0 : name[0] | 0x20);
    if (same_spec_[i] != i || (first != 's' && first != 'a' && first != 'i')) continue;
    bool system = same(name, "System") || descends_from(name, "System");
    bool elsewhere = false;
    for (std::string_view other : kElsewhere)
      elsewhere = elsewhere || (!system && same(name, other));
    if (spec_like(i) && (system || elsewhere)) implicit_.push_back(i);
  }
}

// The generics whose bodies compiling `from` instantiates: those it withs,
// and those their bodies with in turn.
void CompileReads::generics_reached(uint32_t from, uint32_t stamp,
                                      std::vector<uint32_t>& found) {
  std::vector<uint32_t> pending{from};
  // A generic renaming compiled on its own reads the body of the generic it
  // renames, but instantiates nothing: what that body instantiates is not
  // read.
  bool renaming = graph_.units[from].generic && !graph_.units[from].is_body() &&
                  generic_body(from) == kNone;
  auto reach = [&](uint32_t unit) {
    if (!graph_.units[unit].generic || generic_seen_[unit] == stamp) return;
    generic_seen_[unit] = stamp;
    if (renaming) {
      if (generic_body(unit) != kNone) found.push_back(unit);
      return;
    }
    // A generic renaming has no body of its own: what it withs leads on.
    pending.push_back(unit);
    if (uint32_t body = generic_body(unit); body != kNone) {
      found.push_back(unit);
      pending.push_back(body);
    }
  };
  // By the withs themselves: the parent of a unit and the ancestors of a
  // withed name are needed, but not instantiated (a generic child's parent
  // is generic, and instantiating the child does not instantiate it).
  for (size_t at = 0; at < pending.size(); ++at) {
    uint32_t unit = pending[at];
    for (uint32_t withed : direct_withs_[unit]) {
      reach(withed);
      for (uint32_t child : nested_generics_[withed]) reach(child);
    }
    // A body is compiled with its subunits.
    for (uint32_t subunit : subunits_[unit]) pending.push_back(subunit);
    if (pending.size() > 2 * graph_.units.size()) break;
  }
}

// The units each unit's own withs reach that may lead to a generic's body,
// limited ones left out. They are among its needs (with the ancestors of
// what it withs, which are not instantiated): only names are compared, and
// only for the few needs that are generic. The graph's units are the
// sources' units in order, as are their rules' units.
void CompileReads::find_direct_withs(const std::vector<GraphSource>& sources) {
  direct_withs_.resize(graph_.units.size());
  uint32_t i = 0;
  std::vector<uint32_t> candidates;
  SameName same;
  for (const GraphSource& source : sources) {
    const DependencyFile& deps = *source.deps;
    for (const DependencyUnit& unit : deps.units) {
      candidates.clear();
      for (const Need& need : graph_.needs[i])
        if (!need.limited && (graph_.units[need.unit].generic || nesting(need.unit)))
          candidates.push_back(need.unit);
      for (size_t w = unit.first_with; !candidates.empty() && w < unit.first_with + unit.with_count;
           ++w) {
        if (deps.withs[w].marks & kWithLimited) continue;
        for (uint32_t candidate : candidates)
          if (same(deps.withs[w].name, graph_.units[candidate].name))
            direct_withs_[i].push_back(candidate);
      }
      if (++i == graph_.units.size()) return;
    }
  }
}

// The compiler makes the generic children of the three Text_IO packages
// (Integer_IO, Float_IO...) visible as if nested in them, as the language
// has them: a with of the parent may instantiate them.
void CompileReads::find_nested_generics() {
  static constexpr std::string_view kParents[] = {"Ada.Text_IO", "Ada.Wide_Text_IO",
                                                  "Ada.Wide_Wide_Text_IO"};
  nested_generics_.resize(graph_.units.size());
  for (std::string_view name : kParents) {
    uint32_t parent = spec_of(name);
    if (parent == kNone) continue;
    for (uint32_t i = 0; i < graph_.units.size(); ++i) {
      std::string_view child = graph_.units[i].name;
      if (graph_.units[i].generic && descends_from(child, name) &&
          child.find('.', name.size() + 1) == std::string_view::npos)
        nested_generics_[parent].push_back(i);
    }
    if (!nested_generics_[parent].empty()) nesting_parents_.push_back(parent);
  }
  // Not for the parent's own descendants, which would need each other.
  extra_needs_.resize(graph_.units.size());
  if (nesting_parents_.empty()) return;
  for (uint32_t i = 0; i < graph_.units.size(); ++i)
    for (const Need& need : graph_.needs[i]) {
      if (need.limited || !nesting(need.unit)) continue;
      std::string_view parent = graph_.units[need.unit].name, name = graph_.units[i].name;
      if (descends_from(name, parent)) continue;
      const std::vector<uint32_t>& children = nested_generics_[need.unit];
      extra_needs_[i].insert(extra_needs_[i].end(), children.begin(), children.end());
    }
}
