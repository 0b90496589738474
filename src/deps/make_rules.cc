#include "deps/make_rules.h"

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
    for (uint32_t i = 0; i < graph.units.size(); ++i) {
      const Unit& unit = graph.units[i];
      if (unit.subunit_of.empty()) continue;
      if (auto body = graph.body_of.find(unit.subunit_of); body != graph.body_of.end())
        subunits_[body->second].push_back(i);
    }
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
                               spec_of(unit.name) == kNone);
  }
  // Compiled on its own: a library body, or a spec no body completes.
  bool compiled(uint32_t i) const {
    const Unit& unit = graph_.units[i];
    if (unit.external) return false;
    if (unit.is_body()) return unit.subunit_of.empty();
    return body_of(unit.name) == kNone;
  }
  uint32_t generic_body(uint32_t i) const {
    return graph_.units[i].generic ? body_of(graph_.units[i].name) : kNone;
  }

  void name_variable(char prefix, uint32_t i);
  bool word(std::string_view path);
  bool files_of_body(uint32_t body);
  bool needs_of(uint32_t i, uint32_t self);
  bool spec_variables();
  bool generic_variables();
  void generics_reached(uint32_t from, uint32_t stamp, std::vector<uint32_t>& found);
  bool object_rule(uint32_t i, std::unordered_set<std::string>& objects,
                   std::vector<std::string>& names, MakeResult& result);

  std::string& out_;
  const UnitGraph& graph_;
  Placement placement_;
  std::vector<std::vector<uint32_t>> subunits_;
  std::vector<bool> emitted_;
  std::vector<uint32_t> generic_seen_;  // the compiled unit last found reaching it
  std::string error_;
};

// "s.Name" for a spec's closure, "g.Name" for a generic body's; a unit
// another file also provides takes its number too.
void MakefileWriter::name_variable(char prefix, uint32_t i) {
  const Unit& unit = graph_.units[i];
  out_.push_back(prefix);
  out_.push_back('.');
  bool plain = prefix == 'g' ? true : spec_like(i);
  uint32_t first = unit.is_body() ? body_of(unit.name) : spec_of(unit.name);
  for (char c : unit.name)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
          c == '_' || c == '.' || (c & 0x80)))
      plain = false;
  if (plain && first == i) {
    out_.append(unit.name);
  } else {
    out_.append("@").append(std::to_string(i));
  }
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
  for (const Need& need : graph_.needs[i]) {
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
    if (entered[root] || !spec_like(root)) continue;
    calls.push_back({root, 0});
    entered[root] = true;
    while (!calls.empty()) {
      auto& [unit, next] = calls.back();
      const std::vector<Need>& needs = graph_.needs[unit];
      if (next < needs.size()) {
        const Need& need = needs[next++];
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

// What instantiating a generic reads beyond its spec: its body, the body's
// subunits and what they all need.
bool MakefileWriter::generic_variables() {
  for (uint32_t i = 0; i < graph_.units.size(); ++i) {
    uint32_t body = generic_body(i);
    if (body == kNone) continue;
    name_variable('g', i);
    out_.append(" := $(sort");
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
  for (size_t at = 0; at < pending.size(); ++at) {
    for (const Need& need : graph_.needs[pending[at]]) {
      uint32_t unit = need.unit;
      if (need.limited || !graph_.units[unit].generic || generic_seen_[unit] == stamp) continue;
      generic_seen_[unit] = stamp;
      // A generic renaming has no body of its own: what it withs leads on.
      pending.push_back(unit);
      if (uint32_t body = generic_body(unit); body != kNone) {
        found.push_back(unit);
        pending.push_back(body);
      }
    }
  }
}

bool MakefileWriter::object_rule(uint32_t i, std::unordered_set<std::string>& objects,
                                 std::vector<std::string>& names, MakeResult& result) {
  const Unit& unit = graph_.units[i];
  std::string object = object_name(unit.path, placement_.shared_file[i] ? placement_.index[i] : 0);
  if (!objects.insert(object).second) {
    if (result.left_out++ == 0) result.first_left_out = std::string(unit.path);
    return true;
  }
  if (!word(object)) return false;
  names.push_back(object);
  out_.append(":");
  // A body's needs hold its spec's closure and its subunits' withs.
  uint32_t spec = unit.is_body() ? spec_of(unit.name) : kNone;
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
  out_.append(
      "# Written by vantlink-deps: make -f THIS builds every unit the compiler compiles on\n"
      "# its own, objects and .ali files in the current directory.\n"
      "ADA ?= gcc -c\nADAFLAGS ?=\nADA_INCLUDES ?=");
  std::unordered_set<std::string_view> directories;
  for (const Unit& unit : graph_.units) {
    size_t slash = unit.path.rfind('/');
    std::string_view directory = slash == std::string_view::npos ? "." : unit.path.substr(0, slash);
    if (directory.empty()) directory = "/";
    if (!directories.insert(directory).second) continue;
    out_.append(" -I");
    size_t mark = out_.size();
    append_shell_word(out_, directory);
    // A comment sign would end the variable's value.
    for (size_t at = mark; at < out_.size(); ++at)
      if (out_[at] == '#') out_.insert(at++, 1, '\\');
  }
  out_.append("\n.PHONY: all clean\nall:\n\n");
  size_t all_at = out_.size() - 2;
  MakeResult refused;
  refused.error = "cannot be named in a Makefile: ";
  if (!spec_variables() || !generic_variables()) return refused.error.append(error_), refused;
  std::unordered_set<std::string> objects;
  std::vector<std::string> names;
  for (uint32_t i = 0; i < graph_.units.size(); ++i) {
    if (!compiled(i) || (!wanted.empty() && !wanted[i])) continue;
    if (!object_rule(i, objects, names, result))
      return refused.error.append(error_), refused;
  }
  std::string list;
  for (const std::string& name : names) {
    list.push_back(' ');
    make_word(list, name);
  }
  out_.insert(all_at, list);
  out_.append("clean:\n\trm -f");
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
      case '#': case ':': case '*': case '?': case '[':
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
