// The scanner's input and position counters, shared with the parser's
// diagnostics and the per-file driver.
#pragma once

#include <cstdio>

#include "analysis/tokens.h"

extern FILE* ac_yyin;
extern int ac_yylineno;
extern int ac_yycolumn;
extern int ac_yyprevleng;

// The value of the token just returned. Defined by the parser, which shifts
// it onto its value stack; scanner-only programs define it themselves.
extern TokenValue ac_yylval;

// Where the scanner puts each token's value: ac_yylval unless a parser with
// a value of its own says otherwise.
void scanner_set_token_value(TokenValue* value);

// Next token code; 0 at end of input.
int ac_yylex();

// Makes `file` the input: drops buffered bytes, line 1, column 1, INITIAL.
void scanner_restart(FILE* file);

// Off by default. On, the scanner also returns what Ada 2022 adds: '[',
// ']', '@' and the reserved word "parallel"; off, those are dropped bytes
// and an identifier, as in Ada 95.
void scanner_set_ada2022(bool on);
