#include "analysis/units.h"

#include "core/memory.h"

const char* unit_kind_text(const CompilationUnit& unit) {
  switch (unit.kind) {
    case KIND_SPEC:
      return "SPEC";
    case KIND_BODY:
      return "BODY";
    case KIND_PROC:
      return "PROC";
    default:
      return "<UNKOWN>";
  }
}

void release_unit_list(CompilationUnit* head) {
  while (head != nullptr) {
    CompilationUnit* next = head->next;
    for (NameList* name = head->with_names; name != nullptr;) {
      NameList* following = name->next;
      release_block(name->name);
      release_block(name);
      name = following;
    }
    release_block(head->full_name);
    release_block(head->simple_name);
    release_block(head->file_name);
    release_block(head->directory);
    release_block(head->renaming_target);
    for (WithClause* clause = head->with_clauses; clause != nullptr;) {
      WithClause* following = clause->next;
      release_block(clause->name);
      release_block(clause);
      clause = following;
    }
    release_block(head);
    head = next;
  }
}
