#include "deps/output.h"

#include <algorithm>

#include "deps/name_fold.h"

namespace {

void append_line(std::string& out, const Unit& unit) {
  out.append(unit.name).append(" ").append(unit.kind).append(" ").append(unit.path);
  out.push_back('\n');
}

// Graphviz reads UTF-8: a name or path that is not UTF-8 is shown as
// Latin-1, each byte its character (how name_fold.h reads such a name).
// Each part on its own: a Latin-1 name may sit in a UTF-8 directory.
std::string utf8_of(std::string_view text) {
  if (is_utf8(text)) return std::string(text);
  std::string utf8;
  for (char c : text) append_utf8(utf8, static_cast<unsigned char>(c));
  return utf8;
}

// `text` in UTF-8, quoted.
void append_dot_string(std::string& out, std::string_view text) {
  out.push_back('"');
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    if (c == '\n') {
      out.append("\\n");
      continue;
    }
    out.push_back(c);
  }
  out.push_back('"');
}

// One node a unit and file: a unit several files provide is several nodes.
void append_node_id(std::string& out, const Unit& unit) {
  std::string id = utf8_of(unit.name);
  for (char& c : id)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  id.append(unit.is_body() ? "%b@" : "%s@").append(utf8_of(unit.path));
  append_dot_string(out, id);
}

// The units shown, and the external units they need directly (grey): where
// the project reaches outside, without all that lies beyond.
void append_dot(std::string& out, const UnitGraph& graph, const std::vector<uint32_t>& order,
                const std::vector<bool>& shown) {
  std::vector<bool> drawn(graph.units.size(), false);
  for (uint32_t i : order) {
    if (!shown[i] || graph.units[i].external) continue;
    drawn[i] = true;
    for (const Need& need : graph.needs[i])
      if (graph.units[need.unit].external) drawn[need.unit] = true;
  }
  out.append("digraph dependencies {\n");
  for (uint32_t i : order) {
    if (!drawn[i]) continue;
    const Unit& unit = graph.units[i];
    out.append("  ");
    append_node_id(out, unit);
    out.append(" [label=");
    append_dot_string(out, utf8_of(unit.name) + " " + std::string(unit.kind) + "\n" +
                               utf8_of(unit.path));
    out.append(unit.external ? ", color=gray, fontcolor=gray];\n" : "];\n");
  }
  for (uint32_t i : order) {
    if (!drawn[i] || graph.units[i].external) continue;
    for (const Need& need : graph.needs[i]) {
      if (!drawn[need.unit]) continue;
      out.append("  ");
      append_node_id(out, graph.units[i]);
      out.append(" -> ");
      append_node_id(out, graph.units[need.unit]);
      out.append(need.limited ? " [style=dashed];\n" : ";\n");
    }
  }
  out.append("}\n");
}

}  // namespace

void append_units(std::string& out, const UnitGraph& graph, const std::vector<uint32_t>& order,
                  const std::vector<bool>& shown, OutputForm form) {
  if (form == OutputForm::kDot) return append_dot(out, graph, order, shown);
  // A build compiles and orders only its own units: external ones are not listed.
  for (uint32_t i : order)
    if (shown[i] && !graph.units[i].external) append_line(out, graph.units[i]);
}

void append_problems(std::string& out, const UnitGraph& graph) {
  for (const Problem& problem : graph.problems) {
    const Unit& unit = graph.units[problem.unit];
    switch (problem.kind) {
      case Problem::kUnresolved:
        out.append("unresolved ").append(problem.name);
        break;
      case Problem::kDuplicate:
        out.append("duplicate ").append(graph.units[problem.other].path);
        break;
      case Problem::kNoSpec:
        out.append("no-spec");
        break;
      case Problem::kNoParentBody:
        out.append("no-parent-body ").append(problem.name);
        break;
    }
    out.append(": ");
    append_line(out, unit);
  }
}
