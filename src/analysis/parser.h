// The generated parser: parses the file the scanner is set to, running the
// unit recogniser's actions. 0 when the input was accepted, non-zero when the
// parse was abandoned (after its warning).
#pragma once

int ac_yyparse();

// Prints the "may not be Ada 95 compilable" warning, whatever the reason.
void ac_yyerror(const char* description);
