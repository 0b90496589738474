// What the grammars tell the recogniser about context clauses: every with
// clause read, and where a compilation unit ends. Each unit recorded keeps
// the with clauses read since the compilation unit before it ended, so a
// unit of a multi-unit file has its own, a subunit its own, and a unit kept
// after a syntax error the ones read for it. The pending with-names that a
// procedure takes (actions.h) are a separate matter and unchanged.
#pragma once

#include <cstdint>

#include "analysis/analysis.h"

struct AnalysisContext;

// The marks of the with clause being read ("limited", "private").
void mark_with_clause(AnalysisContext* context, bool is_limited, bool is_private);

// A finished with clause, its names most recent first (the parser's list,
// before add_pending_with_names reorders it).
void add_with_clause(AnalysisContext* context, const NameList* newest_first);

// The compilation unit is complete: the next unit's context clause begins.
void end_compilation_unit(AnalysisContext* context);
