#include "analysis/with_clauses.h"

#include <algorithm>

#include "analysis/context.h"

void mark_with_clause(AnalysisContext* context, bool is_limited, bool is_private) {
  uint32_t marks = 0;
  if (is_limited) marks |= WITH_LIMITED;
  if (is_private) marks |= WITH_PRIVATE;
  context->recogniser.with_marks = marks;
}

void add_with_clause(AnalysisContext* context, const NameList* newest_first) {
  Recogniser& r = context->recogniser;
  size_t first = r.context_clause.size();
  for (const NameList* name = newest_first; name != nullptr; name = name->next)
    r.context_clause.push_back({name->name, r.with_marks});
  std::reverse(r.context_clause.begin() + static_cast<std::ptrdiff_t>(first),
               r.context_clause.end());
  r.with_marks = 0;
}

void end_compilation_unit(AnalysisContext* context) {
  context->recogniser.context_clause.clear();
  context->recogniser.nameless_body = false;
}
