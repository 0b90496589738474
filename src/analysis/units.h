// The record of one library-level compilation unit, as the analysis hands it
// over: its kind, flags, names and place.
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

// One name of a unit's context clause, as written before it.
enum WithMarks : uint32_t { WITH_LIMITED = 0x1, WITH_PRIVATE = 0x2 };
struct WithClause {
  char* name;
  uint32_t marks;
  WithClause* next;  // source order
};

// One library-level unit of a file. Its strings are its own.
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
  WithClause* with_clauses;  // its own context clause's names
  // A generic package: its flags are a plain package's, but a build must
  // know that instantiating it reads its body.
  bool generic_package;
  bool withdrawn;  // the recovery no longer vouches for its name: never handed over
  CompilationUnit* next;
};

// "SPEC", "BODY", "PROC", or "<UNKOWN>" for any other kind.
const char* unit_kind_text(const CompilationUnit& unit);

// Frees a list of records with all their strings and with-names.
void release_unit_list(CompilationUnit* head);
