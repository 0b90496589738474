// vantlink-deps COMMAND LINK-FILE DEPENDENCY-FILE [UNIT...]: a build's
// questions answered from the two files vantlink writes; nothing is
// analysed. docs/vantlink-deps.1 has the commands, forms and statuses.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "deps/gpr_project.h"
#include "deps/graph_order.h"
#include "deps/make_rules.h"
#include "deps/name_fold.h"
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
  kNoMemory = 9,  // as vantlink's
};

constexpr const char* kUsageText =
    "usage: vantlink-deps [--dot | --make] [--external LINK-FILE DEPENDENCY-FILE]...\n"
    "                     COMMAND LINK-FILE DEPENDENCY-FILE [UNIT...]\n"
    "commands: order, depends UNIT..., dependents UNIT..., check, gpr NAME\n";

int complain(int status, const std::string& text) {
  std::fprintf(stderr, "vantlink-deps: %s\n", text.c_str());
  return status;
}

bool write_all(const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
         std::fflush(stdout) == 0;
}

// A link file and its dependency file, read and found in step.
struct FilePair {
  FileBytes link_bytes;
  LinkFileText link;
  DependencyFile deps;
};

int read_pair(const char* link_name, const char* deps_name, FilePair& pair, NeedsRead needs) {
  std::string error;
  // Mapped: a file cut short under it ends this program, which changes nothing.
  switch (read_whole_file(link_name, pair.link_bytes, UINT64_MAX, error, nullptr,
                          FileAccess::kMapped)) {
    case WholeFile::kRead: break;
    case WholeFile::kNoMemory: throw std::bad_alloc();
    default:
      return complain(kUnreadable, "cannot read link file " + std::string(link_name) + ": " + error);
  }
  switch (read_dependency_file(deps_name, pair.deps, error, UINT64_MAX, FileAccess::kMapped,
                               needs)) {
    case ReadOutcome::kRead: break;
    case ReadOutcome::kNoMemory: throw std::bad_alloc();
    case ReadOutcome::kMissing:
    case ReadOutcome::kUnreadable:
    case ReadOutcome::kTooLarge:
      return complain(kUnreadable,
                      "cannot read dependency file " + std::string(deps_name) + ": " + error);
    case ReadOutcome::kDamaged:
      if (pair.deps.format != 0 && pair.deps.format != kDependencyFormat)
        return complain(kDamaged, "dependency file " + std::string(deps_name) +
                                      " is of another version of the format (" +
                                      std::to_string(pair.deps.format) + ", not " +
                                      std::to_string(kDependencyFormat) +
                                      "): run vantlink again with VANTLINK_DEPS");
      return complain(kDamaged, "damaged dependency file " + std::string(deps_name) + ": " + error);
  }
  if (!pair.deps.checksum_matches)
    return complain(kDamaged, "dependency file " + std::string(deps_name) +
                                  " was changed after it was written (its checksum differs)");
  pair.link = parse_link_file_text(pair.link_bytes.view());
  if (std::string why = files_out_of_step(pair.link, pair.deps); !why.empty())
    return complain(kDamaged, "link file and dependency file do not match (" +
                                  std::string(link_name) + ", " + deps_name + ": " + why +
                                  "): run vantlink again with VANTLINK_DEPS");
  return kOk;
}

std::string describe_cycle(const UnitGraph& graph, const Ordering::Cycle& cycle) {
  std::string text = "cycle:";
  for (uint32_t unit : cycle.members)
    text.append(" ").append(graph.units[unit].name).append(" ").append(graph.units[unit].kind);
  return text;
}

bool all_external(const UnitGraph& graph, const std::vector<uint32_t>& units) {
  for (uint32_t unit : units)
    if (!graph.units[unit].external) return false;
  return true;
}

// `name` in Latin-1 when it is UTF-8 of Latin-1 characters only, else empty:
// a name typed in UTF-8 still finds a unit whose file is Latin-1.
std::string as_latin1(std::string_view name) {
  std::string out;
  if (is_ascii(name) || !is_utf8(name)) return out;
  for (size_t at = 0; at < name.size();) {
    char32_t c = decode_utf8(name, at);
    if (c > 0xff) return {};
    out.push_back(static_cast<char>(c));
  }
  return out;
}

// The units named (any letter case), spec and body alike.
bool find_units(const UnitGraph& graph, const std::vector<std::string>& names,
                std::vector<uint32_t>& found, std::string& unknown) {
  for (const std::string& name : names) {
    bool any = false;
    for (const std::string& spelling : {name, as_latin1(name)}) {
      if (any || spelling.empty()) break;
      for (const auto* index : {&graph.spec_of, &graph.body_of})
        if (auto at = index->find(spelling); at != index->end()) {
          found.push_back(at->second);
          any = true;
        }
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
  std::string_view form_option;  // the option that chose `form`
  std::vector<std::pair<const char*, const char*>> externals;
  int at = 1;
  for (; at < argc && argv[at][0] == '-'; ++at) {
    std::string_view option = argv[at];
    if (option == "--external") {
      if (argc - at < 3)
        return complain(kUsage, "--external needs two files\n" + std::string(kUsageText));
      externals.push_back({argv[at + 1], argv[at + 2]});
      at += 2;
    } else if (option == "--dot" || option == "--make") {
      if (!form_option.empty() && form_option != option)
        return complain(kUsage, "both " + std::string(form_option) + " and " +
                                    std::string(option) + ": one output form at most\n" +
                                    kUsageText);
      form_option = option;
      form = option == "--dot" ? OutputForm::kDot : OutputForm::kMake;
    } else if (option == "--help") return std::fputs(kUsageText, stdout), kOk;
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
  // A form or an external file that a command has no use for is a mistake,
  // not something to pass over in silence.
  if ((gpr || command == "check") && !form_option.empty())
    return complain(kUsage, std::string(command) + " has no " + std::string(form_option) +
                                " form");
  if (gpr && !externals.empty()) return complain(kUsage, "gpr takes no --external");

  // The project's pair first: its units come first and win over external ones.
  std::deque<FilePair> pairs(externals.size() + 1);
  // A project file lists sources, not what they need.
  NeedsRead needs = gpr ? NeedsRead::kSkipped : NeedsRead::kRead;
  if (int status = read_pair(argv[at + 1], argv[at + 2], pairs[0], needs); status != kOk)
    return status;
  std::vector<GraphSource> sources = {{&pairs[0].link, &pairs[0].deps, false}};
  for (size_t e = 0; e < externals.size(); ++e) {
    FilePair& pair = pairs[e + 1];
    if (int status = read_pair(externals[e].first, externals[e].second, pair, needs);
        status != kOk)
      return status;
    sources.push_back({&pair.link, &pair.deps, true});
  }
  if (gpr) {
    GprProject project = make_gpr_project(pairs[0].link, pairs[0].deps, names[0]);
    std::fwrite(project.left_out.data(), 1, project.left_out.size(), stderr);
    if (!write_all(project.text)) return complain(kUnreadable, "cannot write the output");
    return project.left_out.empty() ? kOk : kFound;
  }
  UnitGraph graph = build_unit_graph(sources, command != "check");
  // A unit's line in the output is shorter than its line in the link file:
  // room made once for the output of order, where growing it step by step
  // copied it and touched twice the pages. Room not used is never touched.
  std::string out;
  // A Makefile is about as long as the link file and the dependency file.
  out.reserve(form == OutputForm::kMake ? pairs[0].link_bytes.view().size() * 2 : pairs[0].link_bytes.view().size());
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
      // A Makefile builds the named units too.
      if (form == OutputForm::kMake)
        for (uint32_t unit : start) shown[unit] = true;
    } else {
      // A cycle limited withs close is legal, and ordered: nothing to report.
      for (const Ordering::Cycle& cycle : ordering.cycles) {
        if (!cycle.illegal || all_external(graph, cycle.members)) continue;
        complain(0, describe_cycle(graph, cycle));
        status = kFound;
      }
    }
    if (form == OutputForm::kMake) {
      MakeResult made =
          append_makefile(out, graph, sources, takes_units ? shown : std::vector<bool>());
      if (!made.error.empty()) return complain(kFound, made.error);
      if (made.left_out > 0)
        complain(0, std::to_string(made.left_out) +
                        " files left out of the Makefile: each one's object is named as an "
                        "earlier file's (the first: " + made.first_left_out + ")");
      if (made.unsure > 0)
        complain(0, std::to_string(made.unsure) +
                        " objects of files of several units that were analysed with a syntax "
                        "warning: their unit index may be off (the first: " +
                        made.first_unsure + ")");
    } else {
      append_units(out, graph, ordering.order, shown, form);
    }
  }
  if (!write_all(out)) return complain(kUnreadable, "cannot write the output");
  return status;
}

}  // namespace

// Everything the run made is left to the end of the process: freeing a graph
// of every unit piece by piece would cost more than answering.
int main(int argc, char** argv) {
  int status;
  try {
    status = run(argc, argv);
  } catch (const std::bad_alloc&) {
    // Nothing was written to the output yet: it is written whole at the end.
    std::fputs("vantlink-deps: out of memory\n", stderr);
    status = kNoMemory;
  }
  std::fflush(stdout);
  std::_Exit(status);
}
