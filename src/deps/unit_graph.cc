#include "deps/unit_graph.h"

#include <algorithm>
#include <cstring>

#include "deps/name_fold.h"

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr uint64_t kHighBits = 0x8080808080808080ull;

bool same_folded(std::string_view a, std::string_view b) {
  std::string folded_a, folded_b;
  append_folded_name(folded_a, a);
  append_folded_name(folded_b, b);
  return folded_a == folded_b;
}

}  // namespace

size_t NameHash::operator()(std::string_view name) const {
  uint64_t high = 0;
  size_t hash = hash_words_folded(name, high);
  if ((high & kHighBits) == 0) return hash;
  std::string folded;
  append_folded_name(folded, name);
  return hash_words_folded(folded, high);
}

// ASCII names, nearly all of them, compare byte by byte; a difference in a
// byte beyond ASCII, or in the length of a name beyond ASCII, is settled by
// the folded forms.
bool SameName::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return !(is_ascii(a) && is_ascii(b)) && same_folded(a, b);
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    if ((a[i] | b[i]) & 0x80) return same_folded(a, b);
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

namespace {

// The unit a with of `name` reaches: its spec, or a subprogram body that
// is its own spec.
const uint32_t* withed_unit(const UnitGraph& graph, std::string_view key) {
  if (auto spec = graph.spec_of.find(key); spec != graph.spec_of.end()) return &spec->second;
  if (auto body = graph.body_of.find(key); body != graph.body_of.end()) {
    const Unit& unit = graph.units[body->second];
    if (unit.kind == "PROC" && unit.subunit_of.empty()) return &body->second;
  }
  return nullptr;
}

// Adds needs without repeats: where each unit last went in a list, so a
// repeat is found without looking through the list. Unless `kept`, needs
// are not wanted and nothing is added.
class NeedList {
 public:
  NeedList(UnitGraph& graph, bool kept)
      : graph_(graph), kept_(kept), last_from_(kept ? graph.units.size() : 0, UINT32_MAX),
        slot_(kept ? graph.units.size() : 0) {}

  bool kept() const { return kept_; }

  void add_self(uint32_t unit) {
    if (last_from_[unit] == unit) return;
    last_from_[unit] = unit;
    slot_[unit] = static_cast<uint32_t>(graph_.needs[unit].size());
    graph_.needs[unit].push_back({unit, false});
  }

  void add(uint32_t from, uint32_t to, bool limited) {
    if (!kept_ || from == to) return;
    std::vector<Need>& list = graph_.needs[from];
    if (last_from_[to] == from) {
      Need& need = list[slot_[to]];
      need.limited = need.limited && limited;
      return;
    }
    last_from_[to] = from;
    slot_[to] = static_cast<uint32_t>(list.size());
    list.push_back({to, limited});
  }

 private:
  UnitGraph& graph_;
  bool kept_;
  std::vector<uint32_t> last_from_, slot_;
};

// Problems are the project's own: an external unit's are its provider's.
void report(UnitGraph& graph, const Problem& problem) {
  if (!graph.units[problem.unit].external) graph.problems.push_back(problem);
}

void index_units(UnitGraph& graph) {
  graph.first_same.reserve(graph.units.size());
  for (uint32_t i = 0; i < graph.units.size(); ++i) {
    const Unit& unit = graph.units[i];
    auto& index = unit.is_body() ? graph.body_of : graph.spec_of;
    // Looked up before anything is allocated: most copies of a name are found.
    auto [at, added] = index.try_emplace(unit.name, i);
    if (!added) report(graph, {Problem::kDuplicate, i, unit.name, at->second});
    graph.first_same.push_back(at->second);
  }
  graph.first_other.assign(graph.units.size(), UINT32_MAX);
}

// The library body a subunit belongs to, through subunits of subunits.
uint32_t library_body(const UnitGraph& graph, uint32_t unit) {
  for (size_t hops = 0; hops < graph.units.size(); ++hops) {
    std::string_view parent = graph.units[unit].subunit_of;
    if (parent.empty()) return unit;
    auto body = graph.body_of.find(parent);
    if (body == graph.body_of.end()) return unit;
    unit = body->second;
  }
  return unit;
}

// The unit the longest proper prefix of `name` reaches (through `withed_unit`),
// or kNoUnit.
constexpr uint32_t kNoUnit = UINT32_MAX;

uint32_t nearest_ancestor(const UnitGraph& graph, std::string_view name) {
  for (size_t end = name.rfind('.'); end != std::string_view::npos && end > 0;
       end = name.rfind('.', end - 1))
    if (const uint32_t* reached = withed_unit(graph, name.substr(0, end))) return *reached;
  return kNoUnit;
}

// A with reaches its unit and the units of the name's prefixes. A unit a with
// reaches has the with's name up to letter case, so the prefixes it reaches
// are the same for every with of it: kept per unit, they spare looking up
// every prefix of every with again (on the x10 tree, 1.4 of 19 ms).
class Ancestors {
 public:
  explicit Ancestors(const UnitGraph& graph)
      : graph_(graph), nearest_(graph.units.size(), kUnknown) {}

  uint32_t nearest(uint32_t unit) {
    if (nearest_[unit] == kUnknown)
      nearest_[unit] = nearest_ancestor(graph_, graph_.units[unit].name);
    return nearest_[unit];
  }

 private:
  static constexpr uint32_t kUnknown = UINT32_MAX - 1;
  const UnitGraph& graph_;
  std::vector<uint32_t> nearest_;
};

void add_withs(UnitGraph& graph, NeedList& needs, Ancestors& ancestors,
               const DependencyFile& deps, uint32_t unit, const DependencyUnit& written) {
  uint32_t body = needs.kept() ? library_body(graph, unit) : unit;
  for (size_t w = written.first_with; w < written.first_with + written.with_count; ++w) {
    const DependencyWith& with = deps.withs[w];
    bool limited = with.marks & kWithLimited;
    const uint32_t* target = withed_unit(graph, with.name);
    if (target == nullptr) report(graph, {Problem::kUnresolved, unit, with.name});
    if (!needs.kept()) continue;
    // A unit that withs itself is a cycle of its own, limited or not.
    if (target != nullptr && *target == unit) needs.add_self(unit);
    uint32_t reached = target != nullptr ? *target : nearest_ancestor(graph, with.name);
    // The name and each of its ancestors.
    for (; reached != kNoUnit; reached = ancestors.nearest(reached)) {
      needs.add(unit, reached, limited);
      if (body != unit) needs.add(body, reached, limited);
    }
  }
}

void add_structure(UnitGraph& graph, NeedList& needs, uint32_t i) {
  const Unit& unit = graph.units[i];
  if (!unit.subunit_of.empty()) {
    auto body = graph.body_of.find(unit.subunit_of);
    if (body != graph.body_of.end())
      needs.add(i, body->second, false);
    else
      report(graph, {Problem::kNoParentBody, i, unit.subunit_of});
    return;
  }
  if (unit.is_body()) {
    auto spec = graph.spec_of.find(unit.name);
    if (spec != graph.spec_of.end()) {
      needs.add(i, spec->second, false);
      graph.first_other[i] = spec->second;
      if (graph.first_same[i] == i) graph.first_other[spec->second] = i;
    } else if (unit.kind == "BODY")
      report(graph, {Problem::kNoSpec, i, unit.name});
  }
  if (size_t dot = unit.name.rfind('.'); dot != std::string_view::npos) {
    auto parent = graph.spec_of.find(unit.name.substr(0, dot));
    if (parent != graph.spec_of.end()) needs.add(i, parent->second, false);
  }
}

}  // namespace

std::string files_out_of_step(const LinkFileText& link, const DependencyFile& deps) {
  if (link.mode != deps.mode) return "the two files were written in different modes";
  if (link.records.size() != deps.rules.size())
    return "the two files list " + std::to_string(link.records.size()) + " and " +
           std::to_string(deps.rules.size()) + " files";
  for (size_t r = 0; r < link.records.size(); ++r) {
    const LinkRecord& record = link.records[r];
    const DependencyRule& rule = deps.rules[r];
    bool same = record.key == rule.key && record.time == rule.time &&
                record.unit_count == rule.unit_count;
    for (size_t u = 0; same && u < record.unit_count; ++u) {
      const LinkUnit& a = link.units[record.first_unit + u];
      const DependencyUnit& b = deps.units[rule.first_unit + u];
      same = a.name == b.name && a.kind == b.kind;
    }
    if (!same) return "they differ on the file " + std::string(record.key);
  }
  return {};
}

UnitGraph build_unit_graph(const std::vector<GraphSource>& sources, bool with_needs) {
  UnitGraph graph;
  size_t count = 0;
  for (const GraphSource& source : sources) count += source.link->units.size();
  graph.units.reserve(count);
  // What each unit's rule says, and the file that says it.
  std::vector<std::pair<const DependencyUnit*, const DependencyFile*>> written;
  written.reserve(count);
  for (const GraphSource& source : sources) {
    const LinkFileText& link = *source.link;
    const DependencyFile& deps = *source.deps;
    for (size_t r = 0; r < link.records.size(); ++r) {
      const LinkRecord& record = link.records[r];
      for (size_t u = 0; u < record.unit_count; ++u) {
        const LinkUnit& unit = link.units[record.first_unit + u];
        const DependencyUnit& facts = deps.units[deps.rules[r].first_unit + u];
        graph.units.push_back(
            {unit.name, unit.kind, unit.path, facts.subunit_of, source.external, facts.generic});
        written.push_back({&facts, &deps});
      }
    }
  }
  if (with_needs) graph.needs.resize(graph.units.size());
  graph.spec_of.reserve(graph.units.size());
  graph.body_of.reserve(graph.units.size());
  index_units(graph);
  NeedList needs(graph, with_needs);
  Ancestors ancestors(graph);
  for (uint32_t i = 0; i < graph.units.size(); ++i) {
    // Check wants no needs, and an external unit has no problem to report.
    if (!with_needs && graph.units[i].external) continue;
    // A unit needs about what it withs, its spec and its parent: room made once.
    if (with_needs) graph.needs[i].reserve(written[i].first->with_count + 2);
    add_structure(graph, needs, i);
    add_withs(graph, needs, ancestors, *written[i].second, i, *written[i].first);
  }
  for (uint32_t i = 0; i < graph.units.size(); ++i)
    if (!graph.units[i].is_body() && graph.first_same[i] != i)
      graph.first_other[i] = graph.first_other[graph.first_same[i]];
  return graph;
}
