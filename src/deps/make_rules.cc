#include "deps/make_rules.h"

#include <algorithm>
#include <unordered_set>

namespace {

constexpr uint32_t kNone = UINT32_MAX;

void append_shell_word(std::string& out, std::string_view path) {
  out.push_back('\'');
  for (char c : path) {
    if (c == '\'') out.append("'\\''");
    else if (c == '$') out.append("$$");
    else out.push_back(c);
  }
  out.push_back('\'');
}

// Where each unit stands in its file: the unit's position (1-based) and
// whether the file holds more than one unit.
struct Placement {
  std::vector<uint32_t> index;
  std::vector<bool> shared_file;
};

// The graph's units come source after source, each in link-file order.
Placement place_units(const std::vector<GraphSource>& sources) {
  Placement placement;
  for (const GraphSource& source : sources)
    for (const LinkRecord& record : source.link->records)
      for (size_t u = 0; u < record.unit_count; ++u) {
        placement.index.push_back(static_cast<uint32_t>(u + 1));
        placement.shared_file.push_back(record.unit_count > 1);
      }
  return placement;
}

class MakefileWriter {
 public:
  MakefileWriter(std::string& out, const UnitGraph& graph,
                 const std::vector<GraphSource>& sources)
      : out_(out), graph_(graph), placement_(place_units(sources)),
        subunits_(graph.units.size()), emitted_(graph.units.size(), false),
        generic_seen_(graph.units.size(), kNone) {
    // Names as the graph looked them up: the rest asks these lists.
    same_spec_.reserve(graph.units.size());
    same_body_.reserve(graph.units.size());
    for (uint32_t i = 0; i < graph.units.size(); ++i) {
      bool body = graph.units[i].is_body();
      same_spec_.push_back(body ? graph.first_other[i] : graph.first_same[i]);
      same_body_.push_back(body ? graph.first_same[i] : graph.first_other[i]);
    }
    named_.resize(graph.units.size());
    for (uint32_t i = 0; i < graph.units.size(); ++i) named_[i] = plainly_named(i);
    for (uint32_t i = 0; i < graph.units.size(); ++i) {
      const Unit& unit = graph.units[i];
      if (unit.subunit_of.empty()) continue;
      if (auto body = graph.body_of.find(unit.subunit_of); body != graph.body_of.end())
        subunits_[body->second].push_back(i);
    }
    find_nested_generics();
    find_direct_withs(sources);
  }

  MakeResult write(const std::vector<bool>& wanted);

 private:
  uint32_t spec_of(std::string_view name) const {
    auto at = graph_.spec_of.find(name);
    return at == graph_.spec_of.end() ? kNone : at->second;
  }
  uint32_t body_of(std::string_view name) const {
    auto at = graph_.body_of.find(name);
    return at == graph_.body_of.end() ? kNone : at->second;
  }
  // What a with of the unit reads: a spec, or a subprogram body without one.
  bool spec_like(uint32_t i) const {
    const Unit& unit = graph_.units[i];
    return !unit.is_body() || (unit.kind == "PROC" && unit.subunit_of.empty() &&
                               same_spec_[i] == kNone);
  }
  // Compiled on its own: a library body, or a spec no body completes.
  bool compiled(uint32_t i) const {
    const Unit& unit = graph_.units[i];
    if (unit.external) return false;
    if (unit.is_body()) return unit.subunit_of.empty();
    return same_body_[i] == kNone;
  }
  // The unit whose compilation builds `i`: a spec's body, a subunit's
  // library body.
  uint32_t compiled_with(uint32_t i) const {
    for (size_t hops = 0; hops <= graph_.units.size() && i != kNone; ++hops) {
      const Unit& unit = graph_.units[i];
      if (unit.external || compiled(i)) return unit.external ? kNone : i;
      i = unit.is_body() ? body_of(unit.subunit_of) : same_body_[i];
    }
    return kNone;
  }
  uint32_t generic_body(uint32_t i) const {
    return graph_.units[i].generic ? same_body_[i] : kNone;
  }

  void name_variable(char prefix, uint32_t i);
  bool plainly_named(uint32_t i) const;
  bool word(std::string_view path);
  bool files_of_body(uint32_t body);
  bool needs_of(uint32_t i, uint32_t self);
  bool spec_variables();
  bool generic_variables();
  void implicit_variable();
  void find_implicit();
  void mark_needed();
  void find_nested_generics();
  void find_direct_withs(const std::vector<GraphSource>& sources);
  // What a unit needs: the graph's needs, and the Text_IO generic children
  // a with of their parent may instantiate.
  size_t need_count(uint32_t unit) const {
    return graph_.needs[unit].size() + extra_needs_[unit].size();
  }
  Need need_at(uint32_t unit, size_t k) const {
    const std::vector<Need>& needs = graph_.needs[unit];
    return k < needs.size() ? needs[k] : Need{extra_needs_[unit][k - needs.size()], false};
  }
  uint32_t own_body(uint32_t spec) const {
    uint32_t body = same_body_[spec];
    return body == spec || body == kNone || graph_.units[body].external !=
                                                graph_.units[spec].external ? kNone : body;
  }
  void for_each_inline_need(uint32_t spec, auto&& visit) const {
    for (size_t k = 0; k < need_count(spec); ++k) visit(need_at(spec, k));
    if (uint32_t body = own_body(spec); body != kNone)
      for (size_t k = 0; k < need_count(body); ++k) visit(need_at(body, k));
  }
  bool inline_variables();
  bool inline_variable(const std::vector<uint32_t>& members);
  void generics_reached(uint32_t from, uint32_t stamp, std::vector<uint32_t>& found);
  void name_objects(const std::vector<bool>& wanted, MakeResult& result);
  bool object_rule(uint32_t i);

  std::string& out_;
  const UnitGraph& graph_;
  Placement placement_;
  std::vector<std::vector<uint32_t>> subunits_;
  std::vector<bool> emitted_;
  std::vector<uint32_t> generic_seen_;  // the compiled unit last found reaching it
  bool has_implicit_ = false;
  std::vector<uint32_t> implicit_;
  std::vector<std::vector<uint32_t>> nested_generics_;  // per unit
  std::vector<std::vector<uint32_t>> extra_needs_;      // per unit
  std::vector<std::vector<uint32_t>> direct_withs_;     // per unit
  // Per unit: the first spec and the first body of its name.
  std::vector<uint32_t> same_spec_, same_body_;
  std::vector<bool> named_;  // its variables are named by its name
  std::vector<std::string> objects_;  // per unit: its object, or empty
  std::vector<bool> needed_;          // per unit: its variables are used
  std::vector<uint32_t> component_;  // per spec: the first member of its inline component
  std::string error_;
};

// "s.Name" for a spec's closure, "g.Name" for a generic body's; a unit
// another file also provides takes its number too.
void MakefileWriter::name_variable(char prefix, uint32_t i) {
  out_.push_back(prefix);
  out_.push_back('.');
  if (named_[i]) {
    out_.append(graph_.units[i].name);
  } else {
    out_.append("@").append(std::to_string(i));
  }
}

// Named by its name when it is the first unit of that name and the name
// holds nothing make would read otherwise.
bool MakefileWriter::plainly_named(uint32_t i) const {
  const Unit& unit = graph_.units[i];
  uint32_t first = unit.is_body() ? same_body_[i] : same_spec_[i];
  if (first != i) return false;
  for (char c : unit.name)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
          c == '_' || c == '.' || (c & 0x80)))
      return false;
  return true;
}

bool MakefileWriter::word(std::string_view path) {
  if (make_word(out_, path)) return true;
  if (error_.empty()) error_ = std::string(path);
  return false;
}

bool MakefileWriter::files_of_body(uint32_t body) {
  std::vector<uint32_t> pending{body};
  for (size_t at = 0; at < pending.size() && at <= graph_.units.size(); ++at) {
    out_.push_back(' ');
    if (!word(graph_.units[pending[at]].path)) return false;
    for (uint32_t sub : subunits_[pending[at]]) pending.push_back(sub);
  }
  return true;
}

// The closures of what `i` needs: a spec's variable, or, for a limited
// with, its file alone (a limited view reads no further). `self` is the
// spec a body completes when `i` is that body.
bool MakefileWriter::needs_of(uint32_t i, uint32_t self) {
  for (size_t k = 0; k < need_count(i); ++k) {
    Need need = need_at(i, k);
    if (!spec_like(need.unit) || need.unit == self) continue;
    out_.push_back(' ');
    if (need.limited || !emitted_[need.unit]) {
      if (!word(graph_.units[need.unit].path)) return false;
    } else {
      out_.append("$(");
      name_variable('s', need.unit);
      out_.push_back(')');
    }
  }
  return true;
}

// One variable a spec, after those of what it needs (a cycle that no
// limited with closes is cut where it closes: such a tree does not compile).
bool MakefileWriter::spec_variables() {
  std::vector<std::pair<uint32_t, size_t>> calls;
  std::vector<bool> entered(graph_.units.size(), false);
  for (uint32_t root = 0; root < graph_.units.size(); ++root) {
    if (entered[root] || !spec_like(root) || !needed_[root]) continue;
    calls.push_back({root, 0});
    entered[root] = true;
    while (!calls.empty()) {
      auto& [unit, next] = calls.back();
      if (next < need_count(unit)) {
        Need need = need_at(unit, next++);
        if (!need.limited && spec_like(need.unit) && !entered[need.unit]) {
          entered[need.unit] = true;
          calls.push_back({need.unit, 0});
        }
        continue;
      }
      uint32_t done = unit;
      calls.pop_back();
      name_variable('s', done);
      out_.append(" := $(sort ");
      if (!word(graph_.units[done].path) || !needs_of(done, kNone)) return false;
      out_.append(")\n");
      emitted_[done] = true;
    }
  }
  return true;
}

// The units the compiler loads on its own for what a unit's code does
// (raising, tagged types, finalization, images, the secondary stack...):
// the whole System hierarchy, where nearly all of them are, and the few
// elsewhere. Which ones a unit loads only the compiler knows, so every
// object needs them all: they change with the compiler, which rebuilds
// everything anyway.
void MakefileWriter::find_implicit() {
  static constexpr std::string_view kElsewhere[] = {
      "Ada.Exceptions",      "Ada.Tags",        "Ada.Finalization",
      "Ada.Streams",         "Ada.Strings.Text_Buffers", "Ada.Unchecked_Conversion",
      "Ada.Unchecked_Deallocation", "Ada.Calendar", "Ada.Calendar.Delays",
      "Ada.Real_Time",       "Ada.Real_Time.Delays", "Ada.Task_Identification",
      "Ada.Interrupts",      "Interfaces",      "Interfaces.C"};
  SameName same;
  for (uint32_t i = 0; i < graph_.units.size(); ++i) {
    if (same_spec_[i] != i) continue;
    std::string_view name = graph_.units[i].name;
    bool system = same(name.substr(0, 6), "System") && (name.size() == 6 || name[6] == '.');
    bool elsewhere = false;
    for (std::string_view other : kElsewhere) elsewhere = elsewhere || same(name, other);
    if (spec_like(i) && (system || elsewhere) && same_spec_[i] == i) implicit_.push_back(i);
  }
}

void MakefileWriter::implicit_variable() {
  has_implicit_ = !implicit_.empty();
  if (!has_implicit_) return;
  out_.append("implicit := $(sort");
  for (uint32_t unit : implicit_) {
    out_.append(" $(");
    name_variable('s', unit);
    out_.push_back(')');
  }
  out_.append(")\n");
}

// With ADA_INLINE set, what the compiler may read to inline across units:
// every body a spec leads to, transitively, with the bodies' subunits and
// needs. Bodies may with each other, so one variable a group of specs
// whose bodies need each other (Tarjan's components, successors first).
bool MakefileWriter::inline_variables() {
  size_t count = graph_.units.size();
  component_.assign(count, kNone);
  std::vector<uint32_t> index(count, kNone), low(count, 0), stack;
  std::vector<bool> on_stack(count, false);
  std::vector<std::pair<uint32_t, std::vector<uint32_t>>> calls;  // unit, needs left
  uint32_t next_index = 0;
  out_.append("ifneq ($(ADA_INLINE),)\n");
  auto enter = [&](uint32_t unit) {
    index[unit] = low[unit] = next_index++;
    stack.push_back(unit);
    on_stack[unit] = true;
    std::vector<uint32_t> needs;
    for_each_inline_need(unit, [&](const Need& need) {
      if (spec_like(need.unit) && need.unit != unit) needs.push_back(need.unit);
    });
    calls.push_back({unit, std::move(needs)});
  };
  for (uint32_t root = 0; root < count; ++root) {
    if (index[root] != kNone || !spec_like(root) || !needed_[root]) continue;
    enter(root);
    while (!calls.empty()) {
      uint32_t unit = calls.back().first;
      std::vector<uint32_t>& left = calls.back().second;
      if (!left.empty()) {
        uint32_t to = left.back();
        left.pop_back();
        if (index[to] == kNone) enter(to);
        else if (on_stack[to]) low[unit] = std::min(low[unit], index[to]);
        continue;
      }
      calls.pop_back();
      if (!calls.empty()) low[calls.back().first] = std::min(low[calls.back().first], low[unit]);
      if (low[unit] != index[unit]) continue;
      size_t first = stack.size();
      while (stack[first - 1] != unit) --first;
      --first;
      std::vector<uint32_t> members(stack.begin() + first, stack.end());
      stack.resize(first);
      for (uint32_t member : members) on_stack[member] = false, component_[member] = unit;
      if (!inline_variable(members)) return false;
    }
  }
  if (has_implicit_) {
    out_.append("implicit.inline := $(sort");
    for (uint32_t unit : implicit_) {
      out_.append(" $(");
      name_variable('b', component_[unit]);
      out_.push_back(')');
    }
    out_.append(")\n");
  }
  out_.append("endif\n");
  return true;
}

bool MakefileWriter::inline_variable(const std::vector<uint32_t>& members) {
  name_variable('b', component_[members.front()]);
  out_.append(" := $(sort");
  for (uint32_t member : members) {
    out_.append(" $(");
    name_variable('s', member);
    out_.push_back(')');
    if (uint32_t body = own_body(member); body != kNone && !files_of_body(body)) return false;
  }
  uint32_t self = component_[members.front()];
  for (uint32_t member : members) {
    bool ok = true;
    for_each_inline_need(member, [&](const Need& need) {
      if (!ok || !spec_like(need.unit) || component_[need.unit] == self) return;
      out_.push_back(' ');
      if (component_[need.unit] == kNone) {
        ok = word(graph_.units[need.unit].path);
      } else {
        out_.append("$(");
        name_variable('b', component_[need.unit]);
        out_.push_back(')');
      }
    });
    if (!ok) return false;
  }
  out_.append(")\n");
  return true;
}

// What instantiating a generic reads beyond its spec: its body, the body's
// subunits and what they all need.
bool MakefileWriter::generic_variables() {
  for (uint32_t i = 0; i < graph_.units.size(); ++i) {
    uint32_t body = generic_body(i);
    if (body == kNone || !needed_[i]) continue;
    name_variable('g', i);
    // Its spec too, for the generics a with does not name (Text_IO's).
    out_.append(" := $(sort $(");
    name_variable('s', i);
    out_.push_back(')');
    if (!files_of_body(body) || !needs_of(body, kNone)) return false;
    out_.append(")\n");
  }
  return true;
}

// The generics whose bodies compiling `from` instantiates: those it withs,
// and those their bodies with in turn.
void MakefileWriter::generics_reached(uint32_t from, uint32_t stamp,
                                      std::vector<uint32_t>& found) {
  std::vector<uint32_t> pending{from};
  auto reach = [&](uint32_t unit) {
    if (!graph_.units[unit].generic || generic_seen_[unit] == stamp) return;
    generic_seen_[unit] = stamp;
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
void MakefileWriter::find_direct_withs(const std::vector<GraphSource>& sources) {
  direct_withs_.resize(graph_.units.size());
  uint32_t i = 0;
  std::vector<uint32_t> candidates;
  SameName same;
  for (const GraphSource& source : sources) {
    const DependencyFile& deps = *source.deps;
    for (const DependencyUnit& unit : deps.units) {
      candidates.clear();
      for (const Need& need : graph_.needs[i])
        if (!need.limited &&
            (graph_.units[need.unit].generic || !nested_generics_[need.unit].empty()))
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
void MakefileWriter::find_nested_generics() {
  static constexpr std::string_view kParents[] = {"Ada.Text_IO", "Ada.Wide_Text_IO",
                                                  "Ada.Wide_Wide_Text_IO"};
  nested_generics_.resize(graph_.units.size());
  for (std::string_view name : kParents) {
    uint32_t parent = spec_of(name);
    if (parent == kNone) continue;
    for (uint32_t i = 0; i < graph_.units.size(); ++i) {
      std::string_view child = graph_.units[i].name;
      if (graph_.units[i].generic && child.size() > name.size() &&
          child[name.size()] == '.' && SameName()(child.substr(0, name.size()), name) &&
          child.find('.', name.size() + 1) == std::string_view::npos)
        nested_generics_[parent].push_back(i);
    }
  }
  // Not for the parent's own descendants, which would need each other.
  extra_needs_.resize(graph_.units.size());
  for (uint32_t i = 0; i < graph_.units.size(); ++i)
    for (const Need& need : graph_.needs[i]) {
      const std::vector<uint32_t>& children = nested_generics_[need.unit];
      std::string_view parent = graph_.units[need.unit].name, name = graph_.units[i].name;
      if (need.limited || children.empty() ||
          (name.size() > parent.size() && name[parent.size()] == '.' &&
           SameName()(name.substr(0, parent.size()), parent)))
        continue;
      extra_needs_[i].insert(extra_needs_[i].end(), children.begin(), children.end());
    }
}

// The objects to build, by unit: a file whose object an earlier file's has
// the name of is left out. Only the variables these need are written: the
// first unit of each name's (what withs reach) and the objects' own.
void MakefileWriter::name_objects(const std::vector<bool>& wanted, MakeResult& result) {
  std::vector<bool> built(graph_.units.size(), wanted.empty());
  for (uint32_t i = 0; i < wanted.size(); ++i)
    if (uint32_t unit = wanted[i] ? compiled_with(i) : kNone; unit != kNone) built[unit] = true;
  objects_.resize(graph_.units.size());
  std::unordered_set<std::string> taken;
  for (uint32_t i = 0; i < graph_.units.size(); ++i) {
    const Unit& unit = graph_.units[i];
    if (!compiled(i) || !built[i]) continue;
    std::string object =
        object_name(unit.path, placement_.shared_file[i] ? placement_.index[i] : 0);
    if (!taken.insert(object).second) {
      if (result.left_out++ == 0) result.first_left_out = std::string(unit.path);
      continue;
    }
    objects_[i] = std::move(object);
  }
  find_implicit();
  mark_needed();
}

// The units whose variables the objects use, directly or through other
// variables: what the objects and the implicit units lead to, bodies
// included (the inline variables follow them).
void MakefileWriter::mark_needed() {
  needed_.assign(graph_.units.size(), false);
  std::vector<uint32_t> pending;
  auto reach = [&](uint32_t unit) {
    if (!needed_[unit]) needed_[unit] = true, pending.push_back(unit);
  };
  for (uint32_t i = 0; i < graph_.units.size(); ++i)
    if (!objects_[i].empty()) reach(i);
  if (std::any_of(objects_.begin(), objects_.end(), [](auto& o) { return !o.empty(); }))
    for (uint32_t unit : implicit_) reach(unit);
  while (!pending.empty()) {
    uint32_t unit = pending.back();
    pending.pop_back();
    for_each_inline_need(unit, [&](const Need& need) { reach(need.unit); });
    for (uint32_t subunit : subunits_[unit]) reach(subunit);
  }
}

bool MakefileWriter::object_rule(uint32_t i) {
  const Unit& unit = graph_.units[i];
  const std::string& object = objects_[i];
  if (!word(object)) return false;
  out_.append(":");
  // A body's needs hold its spec's closure and its subunits' withs.
  uint32_t spec = unit.is_body() ? same_spec_[i] : kNone;
  if (unit.is_body()) {
    if (!files_of_body(i) || !needs_of(i, i)) return false;
  } else {
    out_.append(" $(");
    name_variable('s', i);
    out_.push_back(')');
  }
  std::vector<uint32_t> generics;
  generics_reached(i, i, generics);
  if (spec != kNone) generics_reached(spec, i, generics);
  for (uint32_t generic : generics) {
    out_.append(" $(");
    name_variable('g', generic);
    out_.push_back(')');
  }
  if (has_implicit_) out_.append(" $(implicit) $(implicit.inline)");
  if (uint32_t own = spec_like(i) ? i : spec; own != kNone) {
    out_.append(" $(");
    name_variable('b', component_[own]);
    out_.push_back(')');
  }
  out_.append("\n\t$(ADA) $(ADAFLAGS) $(ADA_INCLUDES)");
  std::string_view path = unit.path;
  bool plain_ending = path.ends_with(".ads") || path.ends_with(".adb");
  if (!plain_ending) out_.append(" -x ada");
  if (placement_.shared_file[i])
    out_.append(" -gnateI").append(std::to_string(placement_.index[i]));
  out_.push_back(' ');
  append_shell_word(out_, path);
  if (placement_.shared_file[i]) {
    out_.append(" -o ");
    append_shell_word(out_, object);
  }
  out_.push_back('\n');
  return true;
}

MakeResult MakefileWriter::write(const std::vector<bool>& wanted) {
  MakeResult result;
  name_objects(wanted, result);
  out_.append(
      "# Written by vantlink-deps: make -f THIS builds every unit the compiler compiles on\n"
      "# its own, objects and .ali files in the current directory.\n"
      "ADA ?= gcc -c\nADAFLAGS ?=\n"
      // A backslash keeps a comment sign only outside a function's call.
      "hash := \\#\n"
      "ADA_INCLUDES ?=");
  // Where the compiler finds what the objects need, but for the compiler's
  // own runtime (from outside, where System is), which it finds itself.
  auto directory_of = [](std::string_view path) -> std::string_view {
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
  };
  std::unordered_set<std::string_view> directories;
  if (uint32_t system = spec_of("System"); system != kNone && graph_.units[system].external)
    directories.insert(directory_of(graph_.units[system].path));
  for (uint32_t i = 0; i < graph_.units.size(); ++i) {
    if (!needed_[i]) continue;
    std::string_view directory = directory_of(graph_.units[i].path);
    if (!directories.insert(directory).second) continue;
    out_.append(" -I");
    size_t mark = out_.size();
    append_shell_word(out_, directory);
    // A comment sign would end the variable's value.
    for (size_t at = mark; at < out_.size(); ++at)
      if (out_[at] == '#') out_.insert(at++, 1, '\\');
  }
  // The first target; its prerequisites come at the end, once known.
  out_.append("\n.PHONY: all clean\nall:\n");
  MakeResult refused;
  refused.error = "cannot be named in a Makefile: ";
  if (!spec_variables() || !generic_variables()) return refused.error.append(error_), refused;
  implicit_variable();
  if (!inline_variables()) return refused.error.append(error_), refused;
  std::vector<std::string> names;
  for (uint32_t i = 0; i < graph_.units.size(); ++i) {
    if (objects_[i].empty()) continue;
    if (!object_rule(i)) return refused.error.append(error_), refused;
    names.push_back(std::move(objects_[i]));
  }
  std::string list;
  for (const std::string& name : names) {
    list.push_back(' ');
    make_word(list, name);
  }
  out_.append("all:").append(list).append("\nclean:\n\trm -f");
  for (std::string name : names) {
    for (std::string_view ending : {".o", ".ali"}) {
      name.replace(name.rfind('.'), std::string::npos, ending);
      out_.push_back(' ');
      append_shell_word(out_, name);
    }
  }
  out_.push_back('\n');
  return result;
}

}  // namespace

std::string object_name(std::string_view path, size_t index) {
  size_t slash = path.rfind('/');
  std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = base.rfind('.');
  if (dot != std::string_view::npos && dot > 0) base = base.substr(0, dot);
  std::string name(base);
  if (index > 0) name.append("~").append(std::to_string(index));
  return name.append(".o");
}

bool make_word(std::string& out, std::string_view path) {
  size_t mark = out.size();
  for (char c : path) {
    switch (c) {
      case ' ': case '\t': case '\n': case '\r': case '\\': case ';': case '=':
        out.resize(mark);
        return false;
      case '$':
        out.push_back('$');
        break;
      case '#':
        out.append("$(hash)");
        continue;
      case ':': case '*': case '?': case '[':
        out.push_back('\\');
        break;
      default:
        break;
    }
    out.push_back(c);
  }
  return !path.empty();
}

MakeResult append_makefile(std::string& out, const UnitGraph& graph,
                           const std::vector<GraphSource>& sources,
                           const std::vector<bool>& wanted) {
  MakefileWriter writer(out, graph, sources);
  return writer.write(wanted);
}
