#include "deps/make_rules.h"

#include "deps/compile_reads.h"
#include "deps/file_paths.h"

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

class MakefileWriter {
 public:
  MakefileWriter(std::string& out, const UnitGraph& graph,
                 const std::vector<GraphSource>& sources)
      : out_(out), graph_(graph), reads_(graph, sources), emitted_(graph.units.size(), false) {
    named_.resize(graph.units.size());
    for (uint32_t i = 0; i < graph.units.size(); ++i) named_[i] = plainly_named(i);
  }

  MakeResult write(const std::vector<bool>& wanted);

 private:
  void name_variable(char prefix, uint32_t i);
  void append_reference(char prefix, uint32_t i);
  bool plainly_named(uint32_t i) const;
  bool word(std::string_view path);
  bool files_of_body(uint32_t body);
  bool needs_of(uint32_t i, uint32_t self);
  bool spec_variables();
  bool generic_variables();
  void implicit_variable();
  void mark_needed();
  void source_rule();
  bool inline_variables();
  bool inline_variable(const std::vector<uint32_t>& members);
  void name_objects(const std::vector<bool>& wanted, MakeResult& result);
  bool object_rule(uint32_t i);

  std::string& out_;
  const UnitGraph& graph_;
  CompileReads reads_;
  std::vector<bool> emitted_;         // per spec: its variable is written
  bool has_implicit_ = false;
  std::vector<bool> named_;           // its variables are named by its name
  std::vector<std::string> objects_;  // per unit: its object, or empty
  std::vector<bool> needed_;          // per unit: its variables are used
  std::vector<uint32_t> component_;   // per spec: the first member of its inline group
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

// " $(s.Name)": a use of the variable.
void MakefileWriter::append_reference(char prefix, uint32_t i) {
  out_.append(" $(");
  name_variable(prefix, i);
  out_.push_back(')');
}

// Named by its name when it is the first unit of that name and the name
// holds nothing make would read otherwise.
bool MakefileWriter::plainly_named(uint32_t i) const {
  const Unit& unit = graph_.units[i];
  uint32_t first = unit.is_body() ? reads_.body_for(i) : reads_.spec_for(i);
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
    for (uint32_t sub : reads_.subunits(pending[at])) pending.push_back(sub);
  }
  return true;
}

// The closures of what `i` needs: a spec's variable, or, for a limited
// with, its file alone (a limited view reads no further); not `self`'s (a
// unit that withs itself).
bool MakefileWriter::needs_of(uint32_t i, uint32_t self) {
  for (size_t k = 0; k < reads_.need_count(i); ++k) {
    Need need = reads_.need_at(i, k);
    if (!reads_.spec_like(need.unit) || need.unit == self) continue;
    if (!need.limited && emitted_[need.unit]) {
      append_reference('s', need.unit);
    } else {
      out_.push_back(' ');
      if (!word(graph_.units[need.unit].path)) return false;
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
    if (entered[root] || !reads_.spec_like(root) || !needed_[root]) continue;
    calls.push_back({root, 0});
    entered[root] = true;
    while (!calls.empty()) {
      auto& [unit, next] = calls.back();
      if (next < reads_.need_count(unit)) {
        Need need = reads_.need_at(unit, next++);
        if (!need.limited && reads_.spec_like(need.unit) && !entered[need.unit]) {
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

void MakefileWriter::implicit_variable() {
  has_implicit_ = !reads_.implicit().empty();
  if (!has_implicit_) return;
  out_.append("implicit := $(sort");
  for (uint32_t unit : reads_.implicit()) {
    append_reference('s', unit);
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
    reads_.for_each_inline_need(unit, [&](const Need& need) {
      if (reads_.spec_like(need.unit) && need.unit != unit) needs.push_back(need.unit);
    });
    calls.push_back({unit, std::move(needs)});
  };
  for (uint32_t root = 0; root < count; ++root) {
    if (index[root] != kNone || !reads_.spec_like(root) || !needed_[root]) continue;
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
    for (uint32_t unit : reads_.implicit()) {
      append_reference('b', component_[unit]);
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
    append_reference('s', member);
    uint32_t body = reads_.own_body(member);
    if (body != kNone && !files_of_body(body)) return false;
  }
  uint32_t self = component_[members.front()];
  for (uint32_t member : members) {
    bool ok = true;
    reads_.for_each_inline_need(member, [&](const Need& need) {
      if (!ok || !reads_.spec_like(need.unit) || component_[need.unit] == self) return;
      if (component_[need.unit] != kNone) {
        append_reference('b', component_[need.unit]);
      } else {
        out_.push_back(' ');
        ok = word(graph_.units[need.unit].path);
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
    uint32_t body = reads_.generic_body(i);
    if (body == kNone || !needed_[i]) continue;
    name_variable('g', i);
    // Its spec too, for the generics a with does not name (Text_IO's).
    out_.append(" := $(sort");
    append_reference('s', i);
    if (!files_of_body(body) || !needs_of(body, kNone)) return false;
    out_.append(")\n");
  }
  return true;
}

// The objects to build, by unit: a file whose object an earlier file's has
// the name of is left out. Only the variables these need are written: the
// first unit of each name's (what withs reach) and the objects' own.
void MakefileWriter::name_objects(const std::vector<bool>& wanted, MakeResult& result) {
  std::vector<bool> built(graph_.units.size(), wanted.empty());
  for (uint32_t i = 0; i < wanted.size(); ++i)
    if (uint32_t unit = wanted[i] ? reads_.compiled_with(i) : kNone; unit != kNone)
      built[unit] = true;
  objects_.resize(graph_.units.size());
  std::unordered_set<std::string> taken;
  taken.reserve(graph_.units.size());
  for (uint32_t i = 0; i < graph_.units.size(); ++i) {
    const Unit& unit = graph_.units[i];
    if (!reads_.compiled(i) || !built[i]) continue;
    std::string object =
        object_name(unit.path, reads_.shared_file(i) ? reads_.unit_index(i) : 0);
    if (!taken.insert(object).second) {
      if (result.left_out++ == 0) result.first_left_out = std::string(unit.path);
      continue;
    }
    objects_[i] = std::move(object);
    if (reads_.index_unsure(i) && result.unsure++ == 0)
      result.first_unsure = std::string(unit.path);
  }
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
    for (uint32_t unit : reads_.implicit()) reach(unit);
  while (!pending.empty()) {
    uint32_t unit = pending.back();
    pending.pop_back();
    reads_.for_each_inline_need(unit, [&](const Need& need) { reach(need.unit); });
    for (uint32_t subunit : reads_.subunits(unit)) reach(subunit);
  }
}

bool MakefileWriter::object_rule(uint32_t i) {
  const Unit& unit = graph_.units[i];
  const std::string& object = objects_[i];
  if (!word(object)) return false;
  out_.append(":");
  // A body's needs hold its spec's closure and its subunits' withs.
  uint32_t spec = unit.is_body() ? reads_.spec_for(i) : kNone;
  if (unit.is_body()) {
    if (!files_of_body(i) || !needs_of(i, i)) return false;
  } else {
    append_reference('s', i);
  }
  std::vector<uint32_t> generics;
  reads_.generics_reached(i, i, generics);
  if (spec != kNone) reads_.generics_reached(spec, i, generics);
  for (uint32_t generic : generics) {
    append_reference('g', generic);
  }
  out_.append(" $(ADA_CONFIG)");
  if (has_implicit_) out_.append(" $(implicit) $(implicit.inline)");
  if (uint32_t own = reads_.spec_like(i) ? i : spec; own != kNone) {
    append_reference('b', component_[own]);
  }
  out_.append("\n\t$(ADA) $(ADAFLAGS) $(ADA_INCLUDES)");
  std::string_view path = unit.path;
  bool plain_ending = path.ends_with(".ads") || path.ends_with(".adb");
  if (!plain_ending) out_.append(" -x ada");
  if (reads_.shared_file(i))
    out_.append(" -gnateI").append(std::to_string(reads_.unit_index(i)));
  out_.push_back(' ');
  append_shell_word(out_, path);
  if (reads_.shared_file(i)) {
    out_.append(" -o ");
    append_shell_word(out_, object);
  }
  out_.push_back('\n');
  return true;
}

// Sources are made by no rule: a terminal rule with no recipe for their
// endings spares make looking for one, file by file (half its time).
void MakefileWriter::source_rule() {
  std::unordered_set<std::string_view> endings;
  for (uint32_t i = 0; i < graph_.units.size(); ++i) {
    if (!needed_[i]) continue;
    std::string_view path = graph_.units[i].path;
    size_t dot = path.rfind('.'), slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
      continue;
    std::string_view ending = path.substr(dot);
    if (ending.find_first_of(" \t\\;=:#$%*?[") == std::string_view::npos)
      endings.insert(ending);
  }
  if (endings.empty()) return;
  std::vector<std::string_view> sorted(endings.begin(), endings.end());
  std::sort(sorted.begin(), sorted.end());
  for (size_t at = 0; at < sorted.size(); ++at)
    out_.append(at == 0 ? "%" : " %").append(sorted[at]);
  out_.append(":: ;\n");
}

MakeResult MakefileWriter::write(const std::vector<bool>& wanted) {
  MakeResult result;
  name_objects(wanted, result);
  out_.append(
      "# Written by vantlink-deps: make -f THIS builds every unit the compiler compiles on\n"
      "# its own, objects and .ali files in the current directory.\n"
      "ADA ?= gcc -c\nADAFLAGS ?=\n"
      // The compiler reads its configuration pragmas from there.
      "ADA_CONFIG ?= $(wildcard gnat.adc)\n"
      // A backslash keeps a comment sign only outside a function's call.
      "hash := \\#\n"
      "ADA_INCLUDES ?=");
  // Where the compiler finds what the objects need, but for the compiler's
  // own runtime (from outside, where System is), which it finds itself.
  std::unordered_set<std::string_view> directories;
  if (uint32_t system = reads_.spec_of("System"); system != kNone && graph_.units[system].external)
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
  source_rule();
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
  std::string_view base = file_name_of(path);
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
