// What compiling each unit reads, as GNAT compiles: which units are
// compiled on their own, what a with of a unit reads, which generics'
// bodies a compilation instantiates, the runtime units the compiler loads
// on its own, and where a unit stands in a file of several.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "deps/unit_graph.h"

class CompileReads {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  CompileReads(const UnitGraph& graph, const std::vector<GraphSource>& sources);

  uint32_t spec_of(std::string_view name) const;
  // The first spec and the first body of the unit's name, or kNone.
  uint32_t spec_for(uint32_t i) const { return same_spec_[i]; }
  uint32_t body_for(uint32_t i) const { return same_body_[i]; }

  // What a with of the unit reads: a spec, or a subprogram body without one.
  bool spec_like(uint32_t i) const {
    const Unit& unit = graph_.units[i];
    return !unit.is_body() ||
           (unit.kind == "PROC" && unit.subunit_of.empty() && same_spec_[i] == kNone);
  }
  // Compiled on its own: a library body, or a spec no body completes; never
  // a unit from outside.
  bool compiled(uint32_t i) const {
    const Unit& unit = graph_.units[i];
    if (unit.external) return false;
    if (unit.is_body()) return unit.subunit_of.empty();
    return same_body_[i] == kNone;
  }
  // The unit whose compilation builds `i`: a spec's body, a subunit's
  // library body; kNone for a unit from outside.
  uint32_t compiled_with(uint32_t i) const;
  uint32_t generic_body(uint32_t i) const {
    return graph_.units[i].generic ? same_body_[i] : kNone;
  }
  // A spec's body from the same side (the project or outside).
  uint32_t own_body(uint32_t spec) const {
    uint32_t body = same_body_[spec];
    bool same_side = body != kNone && graph_.units[body].external == graph_.units[spec].external;
    return body == spec || !same_side ? kNone : body;
  }
  const std::vector<uint32_t>& subunits(uint32_t body) const { return subunits_[body]; }

  // What a unit needs: the graph's needs, and the Text_IO generic children
  // a with of their parent may instantiate.
  size_t need_count(uint32_t unit) const {
    return graph_.needs[unit].size() + extra_needs_[unit].size();
  }
  Need need_at(uint32_t unit, size_t k) const {
    const std::vector<Need>& needs = graph_.needs[unit];
    return k < needs.size() ? needs[k] : Need{extra_needs_[unit][k - needs.size()], false};
  }
  // What a spec and its own body need: what inlining across units may read.
  void for_each_inline_need(uint32_t spec, auto&& visit) const {
    for (size_t k = 0; k < need_count(spec); ++k) visit(need_at(spec, k));
    if (uint32_t body = own_body(spec); body != kNone)
      for (size_t k = 0; k < need_count(body); ++k) visit(need_at(body, k));
  }

  // Adds to `found` the generics with a body that compiling `from`
  // instantiates, each once for a given `stamp` (a unit number).
  void generics_reached(uint32_t from, uint32_t stamp, std::vector<uint32_t>& found);

  // The specs the compiler may load on its own.
  const std::vector<uint32_t>& implicit() const { return implicit_; }

  // The unit's position in its file (1-based), and whether the file holds
  // several units.
  uint32_t unit_index(uint32_t i) const { return unit_index_[i]; }
  bool shared_file(uint32_t i) const { return shared_file_[i]; }
  // The file drew a syntax warning: the position may be off.
  bool index_unsure(uint32_t i) const { return index_unsure_[i]; }

 private:
  void place_units(const std::vector<GraphSource>& sources);
  void find_implicit();
  void find_nested_generics();
  void find_direct_withs(const std::vector<GraphSource>& sources);
  bool nesting(uint32_t unit) const {
    for (uint32_t parent : nesting_parents_)
      if (parent == unit) return true;
    return false;
  }

  const UnitGraph& graph_;
  std::vector<uint32_t> same_spec_, same_body_;
  std::vector<std::vector<uint32_t>> subunits_;
  std::vector<uint32_t> generic_seen_;  // the stamp that last reached it
  std::vector<uint32_t> implicit_;
  std::vector<std::vector<uint32_t>> nested_generics_;  // per unit
  std::vector<uint32_t> nesting_parents_;  // the units that have some
  std::vector<std::vector<uint32_t>> extra_needs_;      // per unit
  std::vector<std::vector<uint32_t>> direct_withs_;     // per unit
  std::vector<uint32_t> unit_index_;
  std::vector<bool> shared_file_, index_unsure_;
};
