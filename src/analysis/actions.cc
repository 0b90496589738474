#include "analysis/actions.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "analysis/context.h"
#include "core/memory.h"

namespace {

bool is_operator_symbol(const char* name) { return name[0] == '"'; }

void set_position(CompilationUnit* unit, const TokenValue& end) {
  if (unit == nullptr || (unit->line != 0 && unit->column != 0)) return;
  unit->line = end.line;
  unit->column = end.column;
}

CompilationUnit* record_unit(AnalysisContext* context, int32_t kind, uint32_t flags) {
  Recogniser& r = context->recogniser;
  if (r.depth != 1 || r.nesting_top == nullptr || r.nameless_body) return nullptr;
  const char* name = r.nesting_top->name;
  if (is_operator_symbol(name)) {
    context->diagnose(Msg::kOperatorAtLibraryLevel,
                      {r.file_name, std::to_string(context->scanner.line)});
    return nullptr;
  }
  std::string full_name = name;
  if (r.subunit_mode) {
    flags |= UNIT_SUBUNIT;
    full_name = r.subunit_prefix + "." + name;
  } else if (std::strchr(name, '.') != nullptr) {
    flags |= UNIT_CHILD;
  }
  CompilationUnit* unit =
      r.append_unit(kind, flags, full_name.c_str(), name, r.nesting_top->with_names);
  r.nesting_top->with_names = nullptr;
  return unit;
}

}  // namespace

const char* join_names(AnalysisContext* context, const char* left, const char* separator,
                       const char* right) {
  return context->arena.join(left, separator, right);
}

NameList* with_name(AnalysisContext* context, const char* name, NameList* rest) {
  auto& nodes = context->recogniser.with_name_nodes;
  nodes.push_back(NameList{const_cast<char*>(name), rest});
  return &nodes.back();
}

void add_pending_with_names(AnalysisContext* context, NameList* newest_first) {
  Recogniser& r = context->recogniser;
  NameList* oldest_first = nullptr;
  NameList* last = newest_first;
  while (newest_first != nullptr) {
    NameList* next = newest_first->next;
    newest_first->next = oldest_first;
    oldest_first = newest_first;
    newest_first = next;
  }
  if (oldest_first == nullptr) return;
  if (r.pending_tail != nullptr)
    r.pending_tail->next = oldest_first;
  else
    r.pending_head = oldest_first;
  r.pending_tail = last;
}

namespace {

void enter_unit(AnalysisContext* context, const char* name, uint32_t flags) {
  context->recogniser.push_entry(name, flags);
  ++context->recogniser.depth;
}

uint32_t entry_flags(AnalysisContext* context) {
  NestingEntry* top = context->recogniser.nesting_top;
  return top ? top->flags : 0;
}

void record_and_leave(AnalysisContext* context, int32_t kind, uint32_t flags) {
  record_unit(context, kind, flags);
  leave_unit(context);
}

void finish_unit(AnalysisContext* context, int32_t kind, uint32_t flags, const TokenValue& end,
                 const char* renaming_target = nullptr) {
  CompilationUnit* unit = record_unit(context, kind, flags);
  if (unit != nullptr && renaming_target != nullptr)
    unit->renaming_target = checked_strndup(renaming_target, std::strlen(renaming_target));
  set_position(unit, end);
  leave_unit(context);
}

}  // namespace

// After a recovery that skipped the end of a unit the stack can be short of
// entries; leaving then only lowers the depth.
void leave_unit(AnalysisContext* context) {
  Recogniser& r = context->recogniser;
  --r.depth;
  if (r.nesting_top != nullptr) r.pop_entry();
}

// Only a procedure takes the with-names pending before it.
void begin_procedure(AnalysisContext* context, const char* name) {
  enter_unit(context, name, UNIT_PROCEDURE);
  Recogniser& r = context->recogniser;
  r.nesting_top->with_names = r.pending_head;
  r.pending_head = r.pending_tail = nullptr;
}

// The kinds and flags of every unit, in one place.
void begin_function(AnalysisContext* c, const char* name) { enter_unit(c, name, UNIT_FUNCTION); }
void begin_package(AnalysisContext* c, const char* name) { enter_unit(c, name, 0); }
void begin_task_declaration(AnalysisContext* c, const char* name) {
  enter_unit(c, name, UNIT_DECLARATION | UNIT_TASK);
}
void begin_task_type_declaration(AnalysisContext* c, const char* name) {
  enter_unit(c, name, UNIT_DECLARATION | UNIT_TASK_TYPE | UNIT_TASK);
}
void begin_task_body(AnalysisContext* c, const char* name) {
  enter_unit(c, name, UNIT_BODY_PART | UNIT_TASK);
}
void begin_protected_body(AnalysisContext* c, const char* name) {
  enter_unit(c, name, UNIT_PROTECTED);
}

void finish_subprogram_declaration(AnalysisContext* c, const TokenValue& end) {
  finish_unit(c, KIND_SPEC, entry_flags(c) | UNIT_DECLARATION, end);
}
void finish_generic_subprogram_declaration(AnalysisContext* c, const TokenValue& end) {
  finish_unit(c, KIND_SPEC, entry_flags(c) | UNIT_GENERIC | UNIT_DECLARATION, end);
}
void finish_abstract_subprogram(AnalysisContext* c, const TokenValue& end) {
  finish_unit(c, KIND_BODY, entry_flags(c) | UNIT_ABSTRACT, end);
}
void finish_subprogram_body(AnalysisContext* c, const TokenValue& end) {
  finish_unit(c, KIND_PROC, entry_flags(c) | UNIT_BODY_PART, end);
}
void finish_subprogram_stub(AnalysisContext* c, const TokenValue& end) {
  finish_unit(c, KIND_BODY, entry_flags(c) | UNIT_BODY_PART | UNIT_STUB, end);
}
void finish_subprogram_instantiation(AnalysisContext* c) {
  record_and_leave(c, KIND_SPEC, entry_flags(c) | UNIT_INSTANCE | UNIT_BODY_PART);
}
void finish_subprogram_renaming(AnalysisContext* c, const char* target, const TokenValue& end) {
  finish_unit(c, KIND_SPEC, entry_flags(c) | UNIT_DECLARATION | UNIT_RENAMING, end, target);
}
void finish_generic_subprogram_renaming(AnalysisContext* c, const char* target,
                                        const TokenValue& end) {
  finish_unit(c, KIND_SPEC, entry_flags(c) | UNIT_GENERIC | UNIT_DECLARATION | UNIT_RENAMING,
              end, target);
}
void finish_package_declaration(AnalysisContext* c) {
  record_and_leave(c, KIND_SPEC, UNIT_DECLARATION | UNIT_PACKAGE);
}
void finish_package_body(AnalysisContext* c, const TokenValue& end) {
  finish_unit(c, KIND_BODY, UNIT_BODY_PART | UNIT_PACKAGE, end);
}
void finish_package_instantiation(AnalysisContext* c, const char* name) {
  enter_unit(c, name, 0);
  record_and_leave(c, KIND_SPEC, UNIT_INSTANCE | UNIT_PACKAGE);
}
void finish_package_renaming(AnalysisContext* c, const char* name, const char* target,
                             const TokenValue& end) {
  enter_unit(c, name, 0);
  finish_unit(c, KIND_SPEC, UNIT_DECLARATION | UNIT_RENAMING | UNIT_PACKAGE, end, target);
}
void finish_generic_package_renaming(AnalysisContext* c, const char* name, const char* target,
                                     const TokenValue& end) {
  enter_unit(c, name, 0);
  finish_unit(c, KIND_SPEC, UNIT_GENERIC | UNIT_RENAMING | UNIT_PACKAGE, end, target);
}
void finish_task_body(AnalysisContext* c, const TokenValue& end) {
  finish_unit(c, KIND_BODY, UNIT_BODY_PART | UNIT_TASK, end);
}
void finish_protected_body(AnalysisContext* c, const TokenValue& end) {
  finish_unit(c, KIND_BODY, UNIT_BODY_PART | UNIT_PROTECTED, end);
}

void open_protected_definition(AnalysisContext* context) { ++context->recogniser.depth; }
void close_protected_definition(AnalysisContext* context) { --context->recogniser.depth; }

void position_last_unit(AnalysisContext* context, const TokenValue& end) {
  set_position(context->recogniser.list_tail, end);
}

// Positions the last record as position_last_unit does, and marks it generic
// when it is the library-level package this declaration made: still
// unpositioned, and no unit open around it.
void finish_generic_package(AnalysisContext* context, const TokenValue& end) {
  CompilationUnit* last = context->recogniser.list_tail;
  if (last != nullptr && context->recogniser.depth == 0 && last->line == 0 &&
      (last->flags & UNIT_PACKAGE) && last->kind == KIND_SPEC)
    last->generic_package = true;
  position_last_unit(context, end);
}

void begin_subunit(AnalysisContext* context, const char* parent) {
  context->recogniser.subunit_prefix = parent ? parent : "";
  context->recogniser.subunit_mode = true;
}

void end_subunit(AnalysisContext* context) {
  context->recogniser.subunit_prefix.clear();
  context->recogniser.subunit_mode = false;
}

namespace {

bool begins_proper_body(int token) {
  return token == KW_PROCEDURE || token == KW_FUNCTION || token == KW_PACKAGE;
}

}  // namespace

void resume_at_next_unit(AnalysisContext* context, int first_token) {
  Recogniser& r = context->recogniser;
  r.doubtful_from = std::min(r.doubtful_from, r.records.size());
  r.unit_first_record = r.records.size();
  r.nameless_body = r.subunit_mode && r.depth == 0 && begins_proper_body(first_token);
  r.release_nesting_stack();
  r.depth = 0;
  r.pending_head = r.pending_tail = nullptr;
  r.context_clause.clear();  // the abandoned unit's: the next one has its own
  r.with_marks = 0;
  end_subunit(context);
}

void end_library_unit(AnalysisContext* context, const TokenValue& first) {
  Recogniser& r = context->recogniser;
  if (first.column != 1)
    for (size_t i = r.unit_first_record; i < r.records.size(); ++i) r.indented.push_back(i);
  r.unit_first_record = r.records.size();
}

void withdraw_doubtful_units(AnalysisContext* context) {
  Recogniser& r = context->recogniser;
  for (size_t i = r.doubtful_from; i < r.records.size(); ++i) r.records[i]->withdrawn = true;
  if (r.depth != 0) return;
  for (size_t i : r.indented) r.records[i]->withdrawn = true;
}

void report_not_ada95(AnalysisContext* context) {
  context->diagnose(Msg::kNotAda95,
                    {context->recogniser.file_name, std::to_string(context->scanner.line),
                     std::to_string(context->scanner.column)});
}

void report_not_ada2022(AnalysisContext* context) {
  context->diagnose(Msg::kNotAda2022,
                    {context->recogniser.file_name, std::to_string(context->scanner.line),
                     std::to_string(context->scanner.column)});
}
