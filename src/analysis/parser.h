// The generated parser: parses the file the context's scanner is set to,
// running the unit recogniser's actions. 0 when the input was accepted,
// non-zero when the parse was abandoned (after its warning).
#pragma once

struct AnalysisContext;

int ac_yyparse(AnalysisContext* context);

// Diagnoses "may not be Ada 95 compilable", whatever the reason.
void ac_yyerror(AnalysisContext* context, const char* description);

// The same with the Ada 2022 grammar, over a context in that mode; its
// warning says "Ada 2022".
int ac_y22parse(AnalysisContext* context);
void ac_y22error(AnalysisContext* context, const char* description);

// ac_y22parse, resumed at each compilation unit that begins a line after a
// syntax error: what recovery cannot mend costs its own unit only.
int parse_ada2022(AnalysisContext* context);
