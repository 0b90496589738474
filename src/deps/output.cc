#include "deps/output.h"

#include <algorithm>

namespace {

void append_line(std::string& out, const Unit& unit) {
  out.append(unit.name).append(" ").append(unit.kind).append(" ").append(unit.path);
  out.push_back('\n');
}

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

void append_node_id(std::string& out, const Unit& unit) {
  std::string id(unit.name);
  for (char& c : id)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  id.append(unit.is_body() ? "%b" : "%s");
  append_dot_string(out, id);
}

void append_dot(std::string& out, const UnitGraph& graph, const std::vector<uint32_t>& order,
                const std::vector<bool>& shown) {
  out.append("digraph dependencies {\n");
  for (uint32_t i : order) {
    if (!shown[i]) continue;
    const Unit& unit = graph.units[i];
    out.append("  ");
    append_node_id(out, unit);
    out.append(" [label=");
    append_dot_string(out, std::string(unit.name) + " " + std::string(unit.kind) + "\n" +
                               std::string(unit.path));
    out.append("];\n");
  }
  for (uint32_t i : order) {
    if (!shown[i]) continue;
    for (const Need& need : graph.needs[i]) {
      if (!shown[need.unit]) continue;
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
