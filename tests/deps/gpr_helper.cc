#include "gpr_helper.h"

#include <regex>
#include <sstream>

#include "deps_helper.h"

namespace gpr {

namespace {

std::string folded(std::string name) {
  for (char& c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xc0 && u <= 0xde && u != 0xd7))
      c = static_cast<char>(u + 0x20);
  }
  return name;
}

}  // namespace

std::set<std::string> naming_entries(const std::string& project) {
  static const std::regex entry(
      R"re(^\s*for (Spec|Body) \("([^"]*)"\) use "([^"]*)"( at (\d+))?;)re");
  std::set<std::string> entries;
  std::istringstream lines(project);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (!std::regex_search(line, match, entry)) continue;
    std::string text = match[1].str() + " " + folded(match[2]) + " " + match[3].str();
    if (match[5].matched) text += " " + match[5].str();
    entries.insert(text);
  }
  return entries;
}

std::vector<std::string> list_items(const std::string& project, const std::string& attribute) {
  std::vector<std::string> items;
  size_t at = project.find("for " + attribute + " use");
  if (at == std::string::npos) return items;
  size_t end = project.find(';', at);
  static const std::regex item("\"((?:[^\"]|\"\")*)\"");
  std::string list = project.substr(at, end - at);
  for (std::sregex_iterator i(list.begin(), list.end(), item), none; i != none; ++i)
    items.push_back(std::regex_replace((*i)[1].str(), std::regex("\"\""), "\""));
  return items;
}

CliResult shell(const std::string& command, const std::string& directory) {
  CliCall call;
  call.binary = "/bin/sh";
  call.args = {"-c", command};
  call.directory = directory;
  call.merge_streams = true;
  call.timeout_seconds = 900;
  return run_vantlink(call);
}

bool installed(const std::string& program) {
  return shell("command -v " + program, ".").status == 0;
}

CliResult export_project(const ScratchDir& scratch, const std::vector<std::string>& directories,
                         const std::string& name) {
  std::vector<std::string> args = {"-s", "-f", "-r", "links.txt"};
  args.insert(args.end(), directories.begin(), directories.end());
  CliCall call;
  call.args = args;
  call.env = {{"VANTLINK_DEPS", "deps.json"}, {"VANTLINK_ADA", "2022"}};
  call.directory = scratch.path();
  CliResult analysed = run_vantlink(call);
  if (analysed.status != 0) return analysed;
  return run_vantlink_deps({"gpr", "links.txt", "deps.json", name}, scratch.path());
}

std::string gnatname_naming(const std::string& work, const std::vector<std::string>& directories,
                            bool only_ada) {
  std::string command = "gnatname -Pgn.gpr";
  for (const std::string& directory : directories) command += " '-d" + directory + "'";
  command += only_ada ? " '*.ada'" : " '*'";
  if (shell(command, work).status != 0) return "";
  return read_file(work + "/gn_naming.gpr");
}

}  // namespace gpr
