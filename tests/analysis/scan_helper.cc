#include "scan_helper.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>

namespace {

// Marks a text field the scanner has not written since the last call.
const char kNoText[] = "<no text>";

void end_if_failed() {
  if (scanner().failure == nullptr) return;
  print_fatal_end({ExitStatus::kScannerInput, scanner().failure, 0});
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

AnalysisContext& scan_context() {
  static AnalysisContext& context = *new AnalysisContext(AdaMode::kAda95);
  return context;
}

TokenValue& lexed() {
  static TokenValue value{};
  return value;
}

void scanner_restart(FILE* file) {
  scan_context().scanner.restart(file);
  end_if_failed();
}

int lex() {
  int code = ac_yylex(&lexed(), &scan_context());
  end_if_failed();
  return code;
}

FILE* stream_with(std::string_view bytes) {
  FILE* file = std::tmpfile();
  if (file == nullptr) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
  std::rewind(file);
  return file;
}

ScannedToken next_token() {
  lexed().line = kUntouched;
  lexed().column = kUntouched;
  lexed().text = kNoText;
  ScannedToken token;
  token.code = lex();
  token.line = lexed().line;
  token.column = lexed().column;
  if (lexed().text != kNoText) token.text = lexed().text;
  return token;
}

std::vector<ScannedToken> scan_stream(FILE* file) {
  scanner_restart(file);
  std::vector<ScannedToken> tokens;
  for (ScannedToken token = next_token(); token.code != 0; token = next_token())
    tokens.push_back(token);
  scan_context().arena.reset();
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
