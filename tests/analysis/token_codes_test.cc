// The parser's tables are built on the token codes byacc was given; the
// scanner returns the codes of tokens.h. Both must be the same numbers.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "analysis/tokens.h"

namespace {

std::map<std::string, int> codes_in_tokens_h() {
  std::map<std::string, int> codes;
#define ADD_TOKEN(name, code) codes[#name] = code;
  ADA_TOKEN_TABLE(ADD_TOKEN)
#undef ADD_TOKEN
  return codes;
}

// Every "#define NAME CODE" of a header byacc wrote.
std::map<std::string, int> codes_in_parser_header(const char* path = VL_TOKEN_DEFINES) {
  std::ifstream header(path);
  EXPECT_TRUE(header) << path;
  static const std::regex define("#define ([A-Z_]+) ([0-9]+)");
  std::map<std::string, int> codes;
  std::smatch match;
  for (std::string line; std::getline(header, line);)
    if (std::regex_match(line, match, define)) codes[match[1]] = std::stoi(match[2]);
  return codes;
}

TEST(TokenCodes, ParserHeaderMatchesTokenTable) {
  std::map<std::string, int> parser = codes_in_parser_header();
  parser.erase("YYERRCODE");
  EXPECT_EQ(parser, codes_in_tokens_h());
}

// The Ada 2022 parser knows one word more, and a precedence that is no
// token the scanner returns.
TEST(TokenCodes, Ada2022ParserHeaderMatchesBothTables) {
  std::map<std::string, int> parser = codes_in_parser_header(VL_TOKEN_DEFINES_2022);
  parser.erase("YYERRCODE");
  parser.erase("UNARY_ADDING");
  std::map<std::string, int> scanner = codes_in_tokens_h();
#define ADD_TOKEN(name, code) scanner[#name] = code;
  ADA2022_TOKEN_TABLE(ADD_TOKEN)
#undef ADD_TOKEN
  EXPECT_EQ(parser, scanner);
}

TEST(TokenCodes, TableCoversTheRangeWithoutGaps) {
  std::map<int, std::string> by_code;
  for (const auto& [name, code] : codes_in_tokens_h()) by_code[code] = name;
  ASSERT_EQ(by_code.size(), 87u);
  EXPECT_EQ(by_code.begin()->first, 257);
  EXPECT_EQ(by_code.rbegin()->first, 343);
}

}  // namespace
