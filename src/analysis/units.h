// Compilation unit records: what the analysis of one file hands back, one
// record per library-level unit, and the recogniser state that makes them.
#pragma once

#include <cstdint>

struct NameList {
  char* name;
  NameList* next;
};

enum UnitFlags : uint32_t {
  UNIT_PROCEDURE = 0x1,
  UNIT_FUNCTION = 0x2,
  UNIT_PACKAGE = 0x4,
  UNIT_TASK = 0x8,
  UNIT_PROTECTED = 0x10,
  UNIT_CHILD = 0x40000,
  UNIT_ABSTRACT = 0x80000,
  UNIT_RENAMING = 0x100000,
  UNIT_TASK_TYPE = 0x200000,
  UNIT_SUBUNIT = 0x400000,
  UNIT_STUB = 0x800000,
  UNIT_DECLARATION = 0x1000000,
  UNIT_BODY_PART = 0x2000000,
  UNIT_GENERIC = 0x4000000,
  UNIT_INSTANCE = 0x8000000,
};

enum UnitKind : int32_t { KIND_SPEC = 0, KIND_BODY = 1, KIND_PROC = 2 };

// Lives until the link file is written; its strings are its own.
struct CompilationUnit {
  int32_t kind;  // 0 SPEC, 1 BODY, 2 PROC
  uint32_t flags;
  char* full_name;
  char* simple_name;
  char* file_name;
  char* directory;  // may be null
  int64_t line;
  int64_t column;
  NameList* with_names;
  char* renaming_target;
  CompilationUnit* next;
};

// "SPEC", "BODY", "PROC", or "<UNKOWN>" for any other kind.
const char* unit_kind_text(const CompilationUnit& unit);

// Empties the nesting stack, releasing its entries (once per directory).
void empty_nesting_stack();

// Hands over the records made since the last call and starts a new list.
CompilationUnit* take_unit_list();

// Frees a list of records with all their strings and with-names.
void release_unit_list(CompilationUnit* head);

// Set by the driver: the file being analysed and the directory text.
void set_current_file_name(const char* name);
void set_current_directory_text(const char* text);  // may be null
void set_nesting_depth(int32_t depth);
const char* current_file_name();

// Used by the recogniser: appends a new record to the file's list, with its
// own copies of the names, the with-names, the current file name and the
// directory text.
CompilationUnit* append_unit(int32_t kind, uint32_t flags, const char* full_name,
                             const char* simple_name, NameList* with_names);
CompilationUnit* last_unit();  // null when the list is empty

// Clears everything an abandoned parse may leave behind: nesting stack,
// subunit prefix and mode, pending with-names. Called before every file.
void reset_recogniser();
