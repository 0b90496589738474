#include "scan_helper.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>

#include "core/exit_status.h"
#include "core/messages.h"

namespace {

// Marks a text field the scanner has not written since the last call.
const char kNoText[] = "<no text>";

void end_if_failed(AdaMode mode) {
  const char* failure = scan_context(mode).scanner.failure;
  if (failure == nullptr) return;
  print_message(stderr, failure, "%s\n");
  std::exit(static_cast<int>(ExitStatus::kScannerInput));
}

// Token names, read from the header the parser generator wrote.
std::map<int, std::string> token_names() {
  std::map<int, std::string> names;
  std::ifstream header(VL_TOKEN_HEADER);
  static const std::regex define("#define ([A-Z_]+) ([0-9]+)");
  std::smatch match;
  for (std::string line; std::getline(header, line);)
    if (std::regex_match(line, match, define)) names[std::stoi(match[2])] = match[1];
  return names;
}

}  // namespace

AnalysisContext& scan_context(AdaMode mode) {
  static AnalysisContext& ada95 = *new AnalysisContext(AdaMode::kAda95);
  static AnalysisContext& ada2022 = *new AnalysisContext(AdaMode::kAda2022);
  return mode == AdaMode::kAda2022 ? ada2022 : ada95;
}

TokenValue& lexed() {
  static TokenValue value{};
  return value;
}

void scanner_restart(FILE* file, AdaMode mode) {
  scan_context(mode).scanner.restart(file, ::isatty(::fileno(file)) > 0);
  end_if_failed(mode);
}

int lex(AdaMode mode) {
  int code = ac_yylex(&lexed(), &scan_context(mode));
  end_if_failed(mode);
  return code;
}

FILE* stream_with(std::string_view bytes) {
  FILE* file = std::tmpfile();
  if (file == nullptr) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
  std::rewind(file);
  return file;
}

ScannedToken next_token(AdaMode mode) {
  lexed().line = kUntouched;
  lexed().column = kUntouched;
  lexed().text = kNoText;
  ScannedToken token;
  token.code = lex(mode);
  token.line = lexed().line;
  token.column = lexed().column;
  if (lexed().text != kNoText) token.text = lexed().text;
  return token;
}

std::vector<ScannedToken> scan_stream(FILE* file, AdaMode mode) {
  scanner_restart(file, mode);
  std::vector<ScannedToken> tokens;
  for (ScannedToken token = next_token(mode); token.code != 0; token = next_token(mode))
    tokens.push_back(token);
  scan_context(mode).arena.reset();
  return tokens;
}

std::vector<ScannedToken> scan(std::string_view source, AdaMode mode) {
  FILE* file = stream_with(source);
  std::vector<ScannedToken> tokens = scan_stream(file, mode);
  std::fclose(file);
  return tokens;
}

std::vector<Lexeme> lexemes(std::string_view source, AdaMode mode) {
  std::vector<Lexeme> out;
  for (const ScannedToken& token : scan(source, mode)) out.push_back({token.code, token.text});
  return out;
}

std::string token_name(int code) {
  static const std::map<int, std::string> names = token_names();
  if (auto found = names.find(code); found != names.end()) return found->second;
  if (code == 0) return "END_OF_INPUT";
  if (code > 0 && code < 256) return std::string("'") + static_cast<char>(code) + "'";
  return "code " + std::to_string(code);
}

void PrintTo(const Lexeme& lexeme, std::ostream* out) {
  *out << token_name(lexeme.code);
  if (lexeme.text) *out << " \"" << *lexeme.text << '"';
}
