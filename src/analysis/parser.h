// The generated parser: parses the file the scanner is set to, running the
// unit recogniser's actions. 0 when the input was accepted, non-zero when the
// parse was abandoned (after its warning).
#pragma once

#include "analysis/tokens.h"

int ac_yyparse();

// Prints the "may not be Ada 95 compilable" warning, whatever the reason.
void ac_yyerror(const char* description);

// The same for the Ada 2022 grammar, which needs the modern scanner; its
// warning says "Ada 2022". Its token value is its own, which the scanner
// must be set to fill.
int ac_y22parse();
int ac_y22lex();
void ac_y22error(const char* description);
extern TokenValue ac_y22lval;
