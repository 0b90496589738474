// The analysis of arbitrary bytes as one file, then of a fixed file that must
// give the same records as in a fresh process, whatever the first one did
// (abandoned parse, stack overflow, unfinished subunit, huge tokens...); with
// each grammar, Ada 95 and Ada 2022.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis/analysis.h"
#include "analysis/context.h"

namespace {

constexpr char kFixedSource[] =
    "with Ada.Text_IO, Interfaces;\n"
    "package Fixed.Child is\n"
    "   procedure Inner;\n"
    "   type R is record A : Integer; end record;\n"
    "end Fixed.Child;\n"
    "with Fixed.Child;\n"
    "generic\n"
    "   type T is private;\n"
    "procedure Fixed.Swap (A, B : in out T);\n"
    "package body Fixed.Child is\n"
    "   procedure Inner is begin null; end Inner;\n"
    "   task type Worker;\n"
    "   task body Worker is begin null; end Worker;\n"
    "end Fixed.Child;\n"
    "function Fixed.Twice (X : Integer) return Integer renames Fixed.Double;\n"
    "separate (Fixed)\n"
    "procedure Sub is begin if True then null; end if; end Sub;\n";

int memory_file = -1;
// One per grammar for every input, as a worker thread has.
Analyser* analysers[2] = {nullptr, nullptr};
std::string expected;  // the fixed file's records in a fresh process, either grammar

// A fresh stream over `size` bytes of `data`, read like any source file.
FILE* open_bytes(const uint8_t* data, size_t size) {
  if (::ftruncate(memory_file, 0) != 0 ||
      ::pwrite(memory_file, data, size, 0) != static_cast<ssize_t>(size))
    std::abort();
  int fd = ::dup(memory_file);
  if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0) std::abort();
  FILE* file = ::fdopen(fd, "r");
  if (file == nullptr) std::abort();
  return file;
}

// Every field of every record, so that the sanitizers see each byte.
std::string describe(const FileAnalysis& analysis) {
  std::string out = analysis.accepted ? "accepted\n" : "abandoned\n";
  for (const CompilationUnit* unit = analysis.units; unit != nullptr; unit = unit->next) {
    const char* fields[] = {unit_kind_text(*unit), unit->full_name, unit->simple_name,
                            unit->file_name, unit->directory ? unit->directory : "-"};
    for (const char* field : fields) out.append(field).append(" ");
    out.append(std::to_string(unit->flags)).append(" ");
    out.append(std::to_string(unit->line)).append(":").append(std::to_string(unit->column));
    for (const NameList* name = unit->with_names; name != nullptr; name = name->next)
      out.append(" with ").append(name->name);
    if (unit->renaming_target != nullptr) out.append(" renames ").append(unit->renaming_target);
    out.append("\n");
  }
  return out;
}

std::string analyse_bytes(Analyser* analyser, const uint8_t* data, size_t size,
                          const char* name) {
  FILE* file = open_bytes(data, size);
  FileAnalysis analysis = analyser->analyse_stream(file, name, "/fixed/directory");
  std::fclose(file);
  std::string seen = describe(analysis);
  release_unit_list(analysis.units);
  if (analyser->context().arena.bytes_in_use() != 0) std::abort();  // the arena is per file
  return seen;
}

std::string analyse_fixed_file(Analyser* analyser) {
  return analyse_bytes(analyser, reinterpret_cast<const uint8_t*>(kFixedSource),
                       sizeof kFixedSource - 1, "fixed.ada");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  memory_file = ::memfd_create("vantlink-fuzz", MFD_CLOEXEC);
  if (memory_file < 0) std::abort();
  analysers[0] = new Analyser(AdaMode::kAda95);
  analysers[1] = new Analyser(AdaMode::kAda2022);
  expected = analyse_fixed_file(analysers[0]);
  if (expected.rfind("accepted\n", 0) != 0 || expected.find("Fixed.Sub") == std::string::npos ||
      analyse_fixed_file(analysers[1]) != expected) {
    std::fprintf(stderr, "the fixed file does not give its records:\n%s", expected.c_str());
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (Analyser* analyser : analysers) {
    analyse_bytes(analyser, data, size, "input.ada");
    std::string seen = analyse_fixed_file(analyser);
    if (seen != expected) {
      std::fprintf(stderr, "fixed file after the input (%s):\n%s\nexpected:\n%s",
                   analyser == analysers[0] ? "Ada 95" : "Ada 2022", seen.c_str(),
                   expected.c_str());
      std::abort();
    }
  }
  return 0;
}
