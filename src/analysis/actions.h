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

// Program units: enter pushes a nesting entry and deepens the nesting by one,
// leave undoes both. A procedure specification takes the pending with-names.
void enter_unit(AnalysisContext* context, const char* name, uint32_t flags);
void take_pending_with_names(AnalysisContext* context);
void leave_unit(AnalysisContext* context);
uint32_t entry_flags(AnalysisContext* context);  // flags of the unit on top, 0 when none

// A protected definition deepens the nesting without an entry of its own.
void open_protected_definition(AnalysisContext* context);
void close_protected_definition(AnalysisContext* context);

// Makes the record of the unit on top when it stands at library level, then
// leaves it. A library-level operator symbol is diagnosed instead.
void record_and_leave(AnalysisContext* context, int32_t kind, uint32_t flags);
// The same, with its renaming target and its end position.
void finish_unit(AnalysisContext* context, int32_t kind, uint32_t flags, const TokenValue& end,
                 const char* renaming_target = nullptr);
// The end position for the record made last, when it has none yet.
void position_last_unit(AnalysisContext* context, const TokenValue& end);

// separate (parent): the units that follow are named parent.unit.
void begin_subunit(AnalysisContext* context, const char* parent);
void end_subunit(AnalysisContext* context);

// The warning for any syntax error or stack overflow, at the scanner's place.
void report_not_ada95(AnalysisContext* context);
void report_not_ada2022(AnalysisContext* context);
