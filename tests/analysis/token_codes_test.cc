// The Ada 2022 grammar declares the token codes again, beside the Ada 95
// grammar's header that the scanner includes: both must give the same codes,
// plus the one word only the modern grammar knows.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "analysis/tokens.h"

namespace {

// Every "#define NAME CODE" of a header byacc wrote.
std::map<std::string, int> codes_in(const char* path) {
  std::ifstream header(path);
  EXPECT_TRUE(header) << path;
  static const std::regex define("#define ([A-Z_]+) ([0-9]+)");
  std::map<std::string, int> codes;
  std::smatch match;
  for (std::string line; std::getline(header, line);)
    if (std::regex_match(line, match, define)) codes[match[1]] = std::stoi(match[2]);
  return codes;
}

TEST(TokenCodes, Ada2022GrammarHasTheScannersCodes) {
  std::map<std::string, int> modern = codes_in(VL_TOKEN_DEFINES_2022);
  modern.erase("UNARY_ADDING");  // a precedence, no token
  std::map<std::string, int> scanner = codes_in(VL_TOKEN_DEFINES);
  scanner["KW_PARALLEL"] = KW_PARALLEL;
  EXPECT_EQ(modern, scanner);
}

}  // namespace
