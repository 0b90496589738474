// What a grammar's actions tell the unit recogniser: the names they build,
// the with clauses they read, and where program units begin and end. Only
// units at nesting depth 1 become records. Every action takes the context
// the parser was given, so any grammar over this recogniser calls them the
// same way.
#pragma once

#include <cstdint>

#include "analysis/analysis.h"  // unit kinds and flags
#include "analysis/tokens.h"

struct AnalysisContext;

// Name texts live in the per-file arena, like the token texts they join.
const char* join_names(AnalysisContext* context, const char* left, const char* separator,
                       const char* right);

// With clauses: `with_name` puts one name in front of a clause's list;
// `add_pending_with_names` appends a finished clause, in source order, to
// the names waiting for the next procedure specification.
NameList* with_name(AnalysisContext* context, const char* name, NameList* rest);
void add_pending_with_names(AnalysisContext* context, NameList* newest_first);

// Program units. A begin action pushes a nesting entry for the unit whose
// name it is given and deepens the nesting by one; a finish action makes the
// record of the unit on top when it stands at library level (a library-level
// operator symbol is diagnosed instead), then leaves it. `end` is the token
// whose place the record takes; `target` the renamed unit. Which kind and
// flags each unit gets is decided in actions.cc alone.
void begin_procedure(AnalysisContext* context, const char* name);  // takes the pending with-names
void begin_function(AnalysisContext* context, const char* name);
void begin_package(AnalysisContext* context, const char* name);
void begin_task_declaration(AnalysisContext* context, const char* name);
void begin_task_type_declaration(AnalysisContext* context, const char* name);
void begin_task_body(AnalysisContext* context, const char* name);
void begin_protected_body(AnalysisContext* context, const char* name);
void leave_unit(AnalysisContext* context);  // without a record

void finish_subprogram_declaration(AnalysisContext* context, const TokenValue& end);
void finish_generic_package(AnalysisContext* context, const TokenValue& end);
void finish_generic_subprogram_declaration(AnalysisContext* context, const TokenValue& end);
void finish_abstract_subprogram(AnalysisContext* context, const TokenValue& end);
void finish_subprogram_body(AnalysisContext* context, const TokenValue& end);
void finish_subprogram_stub(AnalysisContext* context, const TokenValue& end);
void finish_subprogram_instantiation(AnalysisContext* context);
void finish_subprogram_renaming(AnalysisContext* context, const char* target,
                                const TokenValue& end);
void finish_generic_subprogram_renaming(AnalysisContext* context, const char* target,
                                        const TokenValue& end);
void finish_package_declaration(AnalysisContext* context);
void finish_package_body(AnalysisContext* context, const TokenValue& end);
void finish_package_instantiation(AnalysisContext* context, const char* name);
void finish_package_renaming(AnalysisContext* context, const char* name, const char* target,
                             const TokenValue& end);
void finish_generic_package_renaming(AnalysisContext* context, const char* name,
                                     const char* target, const TokenValue& end);
void finish_task_body(AnalysisContext* context, const TokenValue& end);
void finish_protected_body(AnalysisContext* context, const TokenValue& end);

// A protected definition deepens the nesting without an entry of its own.
void open_protected_definition(AnalysisContext* context);
void close_protected_definition(AnalysisContext* context);

// The end position for the record made last, when it has none yet.
void position_last_unit(AnalysisContext* context, const TokenValue& end);

// separate (parent): the units that follow are named parent.unit.
void begin_subunit(AnalysisContext* context, const char* parent);
void end_subunit(AnalysisContext* context);

// The parse resumes at the next compilation unit, whose first token is
// `first_token`, after giving up the one it was in: the units left open are
// dropped, with the pending with-names.
void resume_at_next_unit(AnalysisContext* context, int first_token);

// No unit may keep a name the recovery cannot vouch for. The body of a
// subunit whose parent name was lost is not recorded. Each library unit
// read tells where it began (`first`, its first token); at every syntax
// error after the parse first resumed, the units recorded since then are
// withdrawn (the resumption may have been inside a unit, and a unit that
// begins a line there may be nested in it), and at an error between units,
// which shows that an "end" closed a unit too early, so are the units that
// did not begin a line: library units begin one, nested units rarely do.
void end_library_unit(AnalysisContext* context, const TokenValue& first);
void withdraw_doubtful_units(AnalysisContext* context);

// The warning for any syntax error or stack overflow, at the scanner's place.
void report_not_ada95(AnalysisContext* context);
void report_not_ada2022(AnalysisContext* context);
