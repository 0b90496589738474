// The scanner of one analysis context: flex's reentrant state, the position
// counters the diagnostics read, and the failure that ends a run.
#pragma once

#include <cstdio>

#include "analysis/tokens.h"

struct AnalysisContext;

class Scanner {
 public:
  explicit Scanner(AnalysisContext& context);
  ~Scanner();
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  // Makes `file` the input: drops buffered bytes, line 1, column 1, INITIAL,
  // no failure. A scanner that failed is made afresh first. A terminal is
  // read a line at a time.
  void restart(FILE* file, bool terminal);

  // The flex state may be left half-way by an exception: made afresh at the
  // next restart.
  void discard() { discarded_ = true; }

  // Set when the input failed (a read error, a buffer that cannot be made or
  // grow): flex's own message. From then on the scanner returns end of input.
  const char* failure = nullptr;

  int line = 1;
  int column = 1;
  int previous_length = 0;
  int state_before_comment = 0;  // where a comment began (see ada.l)
  bool at_file_start = false;    // the modern mode skips a byte-order mark here
  // The modern parser's resumption at the next compilation unit (ada2022.y):
  // set once a syntax error was reported, and while a token is held for the
  // parse that resumes.
  bool syntax_error = false;
  int held_token = 0;
  TokenValue held_value{};
  bool terminal = false;  // told by the caller: flex's own look costs two calls a file

 private:
  friend int ac_yylex(TokenValue* value, AnalysisContext* context);
  void make();
  void destroy();

  AnalysisContext& context_;
  void* flex_ = nullptr;  // yyscan_t
  bool discarded_ = false;
};

// Next token code, 0 at end of input; writes the position (and the text of a
// token that has one) into `value`. Any pure parser over this scanner calls
// it with its context: a grammar with another prefix maps its own name onto
// this one (`#define <prefix>lex ac_yylex` in its prologue).
int ac_yylex(TokenValue* value, AnalysisContext* context);
