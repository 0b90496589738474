// The value that travels with each token. The token codes themselves are the
// ones the parser generator writes into its header, included here: single
// characters are their own code.
#pragma once

#include <cstdint>

#include "analysis/ada_tokens.h"  // generated from ada.y

// The reserved word that Ada 2022 adds, which only the Ada 2022 grammar
// (ada2022.y) declares, with this same code; the scanner returns it in that
// mode only, with its text, since the grammar also takes it for a name.
#ifndef KW_PARALLEL
#define KW_PARALLEL 344
#endif

struct NameList;

// One value per token and per grammar symbol on the parser's value stack.
struct TokenValue {
  int64_t line;
  int64_t column;
  const char* text;  // borrowed; lives in the per-file arena
  NameList* names;   // with-clause names, most recent first (parser only)
};

constexpr int END_OF_INPUT = 0;
constexpr int TICK = '\'';
constexpr int BAR = '|';
