// Runs the scanner over bytes or a stream and records what it hands back, so
// that tests can compare whole token lists.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/context.h"

// One token as the parser would see it.
struct ScannedToken {
  int code = 0;
  std::optional<std::string> text;  // none: the scanner left the text alone
  int64_t line = 0;
  int64_t column = 0;
};

// Code and text only, for tables that do not care about positions.
struct Lexeme {
  Lexeme(int code) : code(code) {}  // a bare code stands for a token without text
  Lexeme(int code, std::optional<std::string> text) : code(code), text(std::move(text)) {}
  int code;
  std::optional<std::string> text;
  bool operator==(const Lexeme&) const = default;
};
void PrintTo(const Lexeme& lexeme, std::ostream* out);

// Value fields the scanner did not write keep these.
constexpr int64_t kUntouched = -1;

// The test program's analysis context of each mode, whose scanner every
// helper uses (Ada 95 unless told otherwise).
AnalysisContext& scan_context(AdaMode mode = AdaMode::kAda95);
inline const Scanner& scanner() { return scan_context().scanner; }

// The value every lex() writes, kept from call to call as in a parse.
TokenValue& lexed();

// File restart and next token code (0 at end of input). A failure of the
// scanner's input ends the process the way it ends a run.
void scanner_restart(FILE* file, AdaMode mode = AdaMode::kAda95);
int lex(AdaMode mode = AdaMode::kAda95);

// A temporary file holding `bytes`, positioned at its start.
FILE* stream_with(std::string_view bytes);

// The next token from the current input; code 0 at end of input.
ScannedToken next_token(AdaMode mode = AdaMode::kAda95);

// File restart on `file`, then every token up to end of input.
std::vector<ScannedToken> scan_stream(FILE* file, AdaMode mode = AdaMode::kAda95);

// The same for `source` written to a temporary file.
std::vector<ScannedToken> scan(std::string_view source, AdaMode mode = AdaMode::kAda95);
std::vector<Lexeme> lexemes(std::string_view source, AdaMode mode = AdaMode::kAda95);

// The name of a token code, for messages ("IDENTIFIER", "'('").
std::string token_name(int code);
