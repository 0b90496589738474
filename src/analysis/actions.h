// What the grammar's actions tell the unit recogniser: the names they build,
// the with clauses they read, and where program units begin and end. Only
// units at nesting depth 1 become records.
#pragma once

#include <cstdint>

#include "analysis/tokens.h"
#include "analysis/units.h"

// Name texts live in the per-file arena, like the token texts they join.
const char* join_names(const char* left, const char* separator, const char* right);

// With clauses: `with_name` puts one name in front of a clause's list;
// `add_pending_with_names` appends a finished clause, in source order, to
// the names waiting for the next procedure specification.
NameList* with_name(const char* name, NameList* rest);
void add_pending_with_names(NameList* newest_first);

// Program units: enter pushes a nesting entry and deepens the nesting by one,
// leave undoes both. A procedure specification takes the pending with-names.
void enter_unit(const char* name, uint32_t flags);
void take_pending_with_names();
void leave_unit();
uint32_t entry_flags();  // flags of the unit on top, 0 when none

// A protected definition deepens the nesting without an entry of its own.
void open_protected_definition();
void close_protected_definition();

// Makes the record of the unit on top when it stands at library level;
// null otherwise. A library-level operator symbol is reported instead.
CompilationUnit* record_unit(int32_t kind, uint32_t flags);
void record_and_leave(int32_t kind, uint32_t flags);
// record_unit, then its renaming target and its end position, then leave.
void finish_unit(int32_t kind, uint32_t flags, const TokenValue& end,
                 const char* renaming_target = nullptr);
// The end position for the record made last, when it has none yet.
void position_last_unit(const TokenValue& end);

// separate (parent): the units that follow are named parent.unit.
void begin_subunit(const char* parent);
void end_subunit();

// The warning printed for any syntax error or stack overflow, by grammar.
void report_not_ada95();
void report_not_ada2022();

// For tests: what a completed parse must leave balanced.
int32_t nesting_depth();
int32_t nesting_entry_count();
