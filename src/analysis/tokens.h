// Token codes shared by the scanner (ada.l) and the grammar (ada.y), and the
// value that travels with each token. The numbers are fixed: the parse tables
// are built on them, and ada.y declares the same codes (a test compares them).
#pragma once

#include <cstdint>

struct NameList;

// One value per token and per grammar symbol on the parser's value stack.
struct TokenValue {
  int64_t line;
  int64_t column;
  const char* text;  // borrowed; lives in the per-file arena
  NameList* names;   // with-clause names, most recent first (parser only)
};

// X-macro table: name and code of every token above the single characters.
#define ADA_TOKEN_TABLE(T)                                                    \
  T(DOT_DOT, 257) T(LT_LT, 258) T(BOX, 259) T(LT_EQ, 260) T(EXPON, 261)       \
  T(NOT_EQ, 262) T(GT_GT, 263) T(GT_EQ, 264) T(ASSIGN, 265) T(ARROW, 266)     \
  T(KW_ABORT, 267) T(KW_ABS, 268) T(KW_ABSTRACT, 269) T(KW_ACCEPT, 270)       \
  T(KW_ACCESS, 271) T(KW_ALIASED, 272) T(KW_ALL, 273) T(KW_AND, 274)          \
  T(KW_ARRAY, 275) T(KW_AT, 276) T(KW_BEGIN, 277) T(KW_BODY, 278)             \
  T(KW_CASE, 279) T(KW_CONSTANT, 280) T(KW_DECLARE, 281) T(KW_DELAY, 282)     \
  T(KW_DELTA, 283) T(KW_DIGITS, 284) T(KW_DO, 285) T(KW_ELSE, 286)            \
  T(KW_ELSIF, 287) T(KW_END, 288) T(KW_ENTRY, 289) T(KW_EXCEPTION, 290)       \
  T(KW_EXIT, 291) T(KW_FOR, 292) T(KW_FUNCTION, 293) T(KW_GENERIC, 294)       \
  T(KW_GOTO, 295) T(KW_IF, 296) T(KW_IN, 297) T(KW_IS, 298)                   \
  T(KW_LIMITED, 299) T(KW_LOOP, 300) T(KW_MOD, 301) T(KW_NEW, 302)            \
  T(KW_NOT, 303) T(KW_NULL, 304) T(KW_OF, 305) T(KW_OR, 306)                  \
  T(KW_OTHERS, 307) T(KW_OUT, 308) T(KW_PACKAGE, 309) T(KW_PRAGMA, 310)       \
  T(KW_PRIVATE, 311) T(KW_PROCEDURE, 312) T(KW_PROTECTED, 313)                \
  T(KW_RAISE, 314) T(KW_RANGE, 315) T(KW_RECORD, 316) T(KW_REM, 317)          \
  T(KW_RENAMES, 318) T(KW_REQUEUE, 319) T(KW_RETURN, 320) T(KW_REVERSE, 321)  \
  T(KW_SELECT, 322) T(KW_SEPARATE, 323) T(KW_SUBTYPE, 324) T(KW_TAGGED, 325)  \
  T(KW_TASK, 326) T(KW_TERMINATE, 327) T(KW_THEN, 328) T(KW_TYPE, 329)        \
  T(KW_UNTIL, 330) T(KW_USE, 331) T(KW_WHEN, 332) T(KW_WHILE, 333)            \
  T(KW_WITH, 334) T(KW_XOR, 335) T(KW_INTERFACE, 336) T(KW_OVERRIDING, 337)   \
  T(KW_SYNCHRONIZED, 338) T(KW_SOME, 339) T(CHAR_LITERAL, 340)                \
  T(IDENTIFIER, 341) T(STRING_LITERAL, 342) T(NUMERIC_LITERAL, 343)

// The reserved word that Ada 2022 adds; only the modern scanner returns it
// (with its text, since the grammar also takes it for a name), and only the
// Ada 2022 grammar (ada2022.y) knows it. The modern scanner also returns
// '[', ']' and '@' as their own codes.
#define ADA2022_TOKEN_TABLE(T) T(KW_PARALLEL, 344)

// The generated parser defines these names as macros itself; only code
// outside the parser sees them as enumerators.
#ifndef YYERRCODE
enum TokenCode : int {
  END_OF_INPUT = 0,
  TICK = '\'',
  BAR = '|',
#define ADA_TOKEN_ENUM(name, code) name = code,
  ADA_TOKEN_TABLE(ADA_TOKEN_ENUM)
  ADA2022_TOKEN_TABLE(ADA_TOKEN_ENUM)
#undef ADA_TOKEN_ENUM
};
#endif
