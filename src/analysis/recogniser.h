// The unit recogniser's state: the nesting of the program units being
// parsed, the with-names waiting for their unit, the subunit prefix, and the
// records made for the current file. Plain data, one per context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "analysis/units.h"

// One program unit being parsed.
struct NestingEntry {
  char* name;
  uint32_t flags;
  NameList* with_names;  // per-file nodes, like the pending names
  NestingEntry* next;
};

struct Recogniser {
  Recogniser() = default;
  ~Recogniser();
  Recogniser(const Recogniser&) = delete;
  Recogniser& operator=(const Recogniser&) = delete;

  // Clears everything an earlier (perhaps abandoned) parse left behind and
  // names the file and directory text that its records will carry.
  void start_file(const char* name, const char* directory_text);

  // Appends a new record with its own copies of the names, the with-names,
  // the file name and the directory text.
  CompilationUnit* append_unit(int32_t kind, uint32_t flags, const char* full_name,
                               const char* simple_name, const NameList* with_names);

  // Hands over the records made since the last call, but for the withdrawn
  // ones, and starts a new list.
  CompilationUnit* take_unit_list();

  void push_entry(const char* name, uint32_t flags);
  void pop_entry();
  void release_nesting_stack();

  NestingEntry* nesting_top = nullptr;
  int32_t entry_count = 0;
  int32_t depth = 0;

  // With-clause names live as long as the file's analysis: a record that
  // takes them makes its own copy. Their texts are in the arena.
  std::deque<NameList> with_name_nodes;
  NameList* pending_head = nullptr;  // source order
  NameList* pending_tail = nullptr;

  // The with clauses read since the last compilation unit ended: the
  // context clause of the unit being parsed. Names are in the arena.
  struct ContextName {
    const char* name;
    uint32_t marks;
  };
  std::vector<ContextName> context_clause;
  uint32_t with_marks = 0;  // of the with clause being read

  std::string subunit_prefix;
  bool subunit_mode = false;

  // What the modern analysis's recovery knows of the records (actions.h):
  // each record made, in order (those it no longer vouches for are marked
  // withdrawn, and the hand-over leaves them out).
  std::vector<CompilationUnit*> records;
  size_t doubtful_from = SIZE_MAX;  // the records since the parse first resumed
  std::vector<size_t> indented;     // records of units that did not begin a line
  size_t unit_first_record = 0;     // of the compilation unit being read
  bool nameless_body = false;       // a subunit's body whose parent name was lost

  CompilationUnit* list_head = nullptr;
  CompilationUnit* list_tail = nullptr;

  std::string file_name;
  std::string directory_text;
  bool has_directory_text = false;
};
