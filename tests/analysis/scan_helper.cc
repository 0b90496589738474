#include "scan_helper.h"

#include <cstdlib>

#include "analysis/arena.h"
#include "analysis/scanner.h"

// The parser owns the token value; programs with the scanner alone own it.
TokenValue ac_yylval;

namespace {

// Marks a text field the scanner has not written since the last call.
const char kNoText[] = "<no text>";

}  // namespace

FILE* stream_with(std::string_view bytes) {
  FILE* file = std::tmpfile();
  if (file == nullptr) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
  std::rewind(file);
  return file;
}

ScannedToken next_token() {
  ac_yylval.line = kUntouched;
  ac_yylval.column = kUntouched;
  ac_yylval.text = kNoText;
  ScannedToken token;
  token.code = ac_yylex();
  token.line = ac_yylval.line;
  token.column = ac_yylval.column;
  if (ac_yylval.text != kNoText) token.text = ac_yylval.text;
  return token;
}

std::vector<ScannedToken> scan_stream(FILE* file) {
  scanner_restart(file);
  std::vector<ScannedToken> tokens;
  for (ScannedToken token = next_token(); token.code != 0; token = next_token())
    tokens.push_back(token);
  arena_reset();
  return tokens;
}

std::vector<ScannedToken> scan(std::string_view source) {
  FILE* file = stream_with(source);
  std::vector<ScannedToken> tokens = scan_stream(file);
  std::fclose(file);
  return tokens;
}

std::vector<Lexeme> lexemes(std::string_view source) {
  std::vector<Lexeme> out;
  for (const ScannedToken& token : scan(source)) out.push_back({token.code, token.text});
  return out;
}

std::string token_name(int code) {
  switch (code) {
#define ADA_TOKEN_NAME(name, value) \
  case value:                       \
    return #name;
    ADA_TOKEN_TABLE(ADA_TOKEN_NAME)
    ADA2022_TOKEN_TABLE(ADA_TOKEN_NAME)
#undef ADA_TOKEN_NAME
    case 0:
      return "END_OF_INPUT";
  }
  if (code > 0 && code < 256) return std::string("'") + static_cast<char>(code) + "'";
  return "code " + std::to_string(code);
}

void PrintTo(const Lexeme& lexeme, std::ostream* out) {
  *out << token_name(lexeme.code);
  if (lexeme.text) *out << " \"" << *lexeme.text << '"';
}
