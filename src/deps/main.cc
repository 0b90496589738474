// vantlink-deps COMMAND LINK-FILE DEPENDENCY-FILE [UNIT...]: a build's
// questions answered from the two files vantlink writes; nothing is
// analysed. docs/vantlink-deps.1 has the commands, forms and statuses.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "deps/gpr_project.h"
#include "deps/graph_order.h"
#include "deps/output.h"
#include "deps/unit_graph.h"
#include "formats/whole_file.h"

namespace {

enum Status {
  kOk = 0,
  kFound = 1,       // check found problems, or order a cycle no limited with closes
  kUsage = 2,
  kUnreadable = 3,  // an input missing or unreadable
  kDamaged = 4,     // an input damaged, or the two out of step
  kUnknownUnit = 5,
};

constexpr const char* kUsageText =
    "usage: vantlink-deps [--dot | --make] COMMAND LINK-FILE DEPENDENCY-FILE [UNIT...]\n"
    "commands: order, depends UNIT..., dependents UNIT..., check, gpr NAME\n";

int complain(int status, const std::string& text) {
  std::fprintf(stderr, "vantlink-deps: %s\n", text.c_str());
  return status;
}

bool write_all(const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
         std::fflush(stdout) == 0;
}

std::string describe_cycle(const UnitGraph& graph, const Ordering::Cycle& cycle) {
  std::string text = cycle.illegal ? "cycle:" : "cycle closed by limited withs:";
  for (uint32_t unit : cycle.members)
    text.append(" ").append(graph.units[unit].name).append(" ").append(graph.units[unit].kind);
  return text;
}

// The units named (any letter case), spec and body alike.
bool find_units(const UnitGraph& graph, const std::vector<std::string>& names,
                std::vector<uint32_t>& found, std::string& unknown) {
  for (const std::string& name : names) {
    bool any = false;
    for (const auto* index : {&graph.spec_of, &graph.body_of})
      if (auto at = index->find(name); at != index->end()) {
        found.push_back(at->second);
        any = true;
      }
    if (!any) {
      unknown = name;
      return false;
    }
  }
  return true;
}

int run(int argc, char** argv) {
  OutputForm form = OutputForm::kLines;
  int at = 1;
  for (; at < argc && argv[at][0] == '-'; ++at) {
    std::string_view option = argv[at];
    if (option == "--dot") form = OutputForm::kDot;
    else if (option == "--make") form = OutputForm::kMake;
    else if (option == "--help") return std::fputs(kUsageText, stdout), kOk;
    else return complain(kUsage, "unknown option " + std::string(option) + "\n" + kUsageText);
  }
  if (argc - at < 3) return complain(kUsage, std::string("missing arguments\n") + kUsageText);
  std::string_view command = argv[at];
  bool takes_units = command == "depends" || command == "dependents";
  bool gpr = command == "gpr";
  if (!takes_units && !gpr && command != "order" && command != "check")
    return complain(kUsage, "unknown command " + std::string(command) + "\n" + kUsageText);
  std::vector<std::string> names(argv + at + 3, argv + argc);
  if (takes_units && names.empty()) return complain(kUsage, "no unit named");
  if (gpr && (names.size() != 1 || !valid_project_name(names[0])))
    return complain(kUsage, "gpr needs one project name, an Ada identifier that is no reserved "
                            "word of the project language");
  if (!takes_units && !gpr && !names.empty())
    return complain(kUsage, "units after " + std::string(command));

  const char* link_name = argv[at + 1];
  const char* deps_name = argv[at + 2];
  std::vector<char> link_bytes;
  size_t link_length = 0;
  std::string error;
  if (read_whole_file(link_name, link_bytes, link_length, UINT64_MAX, error) != WholeFile::kRead)
    return complain(kUnreadable, "cannot read link file " + std::string(link_name) + ": " + error);
  std::string_view link_text(link_bytes.data(), link_length);
  DependencyFile deps;
  switch (read_dependency_file(deps_name, deps, error)) {
    case ReadOutcome::kRead: break;
    case ReadOutcome::kMissing:
    case ReadOutcome::kUnreadable:
    case ReadOutcome::kTooLarge:
      return complain(kUnreadable,
                      "cannot read dependency file " + std::string(deps_name) + ": " + error);
    case ReadOutcome::kDamaged:
      if (deps.format != 0 && deps.format != kDependencyFormat)
        return complain(kDamaged, "dependency file " + std::string(deps_name) +
                                      " is of another version of the format (" +
                                      std::to_string(deps.format) + ", not " +
                                      std::to_string(kDependencyFormat) +
                                      "): run vantlink again with VANTLINK_DEPS");
      return complain(kDamaged, "damaged dependency file " + std::string(deps_name) + ": " + error);
  }
  if (!deps.checksum_matches)
    return complain(kDamaged, "dependency file " + std::string(deps_name) +
                                  " was changed after it was written (its checksum differs)");
  LinkFileText link = parse_link_file_text(link_text);
  if (std::string why = files_out_of_step(link, deps); !why.empty())
    return complain(kDamaged, "link file and dependency file do not match (" + why +
                                  "): run vantlink again with VANTLINK_DEPS");

  if (gpr) {
    GprProject project = make_gpr_project(link, deps, names[0]);
    std::fwrite(project.left_out.data(), 1, project.left_out.size(), stderr);
    if (!write_all(project.text)) return complain(kUnreadable, "cannot write the output");
    return project.left_out.empty() ? kOk : kFound;
  }
  UnitGraph graph = build_unit_graph(link, deps, command != "check");
  // A unit's line in the output is shorter than its line in the link file:
  // room made once for the output of order, where growing it step by step
  // copied it and touched twice the pages. Room not used is never touched.
  std::string out;
  out.reserve(link_text.size());
  int status = kOk;
  if (command == "check") {
    append_problems(out, graph);
    if (!graph.problems.empty()) status = kFound;
  } else {
    Ordering ordering = order_units(graph);
    std::vector<bool> shown(graph.units.size(), true);
    if (takes_units) {
      std::vector<uint32_t> start;
      std::string unknown;
      if (!find_units(graph, names, start, unknown))
        return complain(kUnknownUnit, "unknown unit " + unknown);
      shown = closure(graph, start, command == "dependents");
    } else {
      for (const Ordering::Cycle& cycle : ordering.cycles) {
        complain(0, describe_cycle(graph, cycle));
        if (cycle.illegal) status = kFound;
      }
    }
    append_units(out, graph, ordering.order, shown, form);
  }
  if (!write_all(out)) return complain(kUnreadable, "cannot write the output");
  return status;
}

}  // namespace

// Everything the run made is left to the end of the process: freeing a graph
// of every unit piece by piece would cost more than answering.
int main(int argc, char** argv) {
  int status = run(argc, argv);
  std::fflush(stdout);
  std::_Exit(status);
}
