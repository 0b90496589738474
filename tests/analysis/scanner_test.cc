// The scanner: which bytes make which tokens, where each token stands, and
// how the input is read.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include <pty.h>
#include <sys/resource.h>
#include <unistd.h>

#include "scan_helper.h"

namespace {

using Lexemes = std::vector<Lexeme>;

Lexeme text(int code, std::string value) { return {code, std::move(value)}; }
Lexeme id(std::string name) { return text(IDENTIFIER, std::move(name)); }
Lexeme str(std::string value) { return text(STRING_LITERAL, std::move(value)); }
const Lexeme kTick{TICK};
const Lexeme kNumber{NUMERIC_LITERAL};
const Lexeme kChar = text(CHAR_LITERAL, "'");

// Appended to a token, this tells the start condition it left behind: a tick
// follows a name, a character literal follows anything else.
constexpr std::string_view kProbe = "'a'";
const Lexemes kAfterName = {kTick, id("a"), kTick};
const Lexemes kAfterOther = {kChar};

std::string joined(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (std::string_view part : parts) out.append(part);
  return out;
}

Lexemes concat(Lexemes head, const Lexemes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

struct Case {
  const char* name;
  std::string source;
  Lexemes expected;
};

std::string case_name(const testing::TestParamInfo<Case>& info) { return info.param.name; }
void PrintTo(const Case& c, std::ostream* out) { *out << testing::PrintToString(c.source); }

// ---------------------------------------------------------------- reserved words

// The 69 words in code order from 267, then the four later words.
const char* const kReservedWords[] = {
    "abort",    "abs",       "abstract",  "accept",  "access",    "aliased",  "all",
    "and",      "array",     "at",        "begin",   "body",      "case",     "constant",
    "declare",  "delay",     "delta",     "digits",  "do",        "else",     "elsif",
    "end",      "entry",     "exception", "exit",    "for",       "function", "generic",
    "goto",     "if",        "in",        "is",      "limited",   "loop",     "mod",
    "new",      "not",       "null",      "of",      "or",        "others",   "out",
    "package",  "pragma",    "private",   "procedure", "protected", "raise",  "range",
    "record",   "rem",       "renames",   "requeue", "return",    "reverse",  "select",
    "separate", "subtype",   "tagged",    "task",    "terminate", "then",     "type",
    "until",    "use",       "when",      "while",   "with",      "xor",      "interface",
    "overriding", "synchronized", "some"};
constexpr int kFirstWordCode = 267;

const std::set<std::string> kTextWords = {"abstract", "aliased",   "protected",  "requeue",
                                          "tagged",   "until",     "interface",  "overriding",
                                          "synchronized", "some"};
const std::set<std::string> kNameEndingWords = {"access", "all", "delta", "digits"};

std::string upper(std::string word) {
  for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return word;
}
std::string capitalised(std::string word) {
  word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
  return word;
}

class ReservedWord : public testing::TestWithParam<int> {
 protected:
  std::string word() const { return kReservedWords[GetParam()]; }
  int code() const { return kFirstWordCode + GetParam(); }
  Lexeme as_written(const std::string& spelling) const {
    if (kTextWords.count(word())) return text(code(), spelling);
    return {code()};
  }
};

TEST(ReservedWords, SeventyThreeWordsEndAtCodeOfSome) {
  EXPECT_EQ(std::size(kReservedWords), 73u);
  EXPECT_EQ(kFirstWordCode + 72, KW_SOME);
}

TEST_P(ReservedWord, IsRecognisedInAnyLetterCase) {
  for (const std::string& spelling : {word(), upper(word()), capitalised(word())})
    EXPECT_EQ(lexemes(spelling), Lexemes{as_written(spelling)}) << spelling;
}

TEST_P(ReservedWord, LeavesTheStartConditionOfItsKind) {
  bool ends_name = kTextWords.count(word()) || kNameEndingWords.count(word());
  EXPECT_EQ(lexemes(joined({word(), kProbe})),
            concat({as_written(word())}, ends_name ? kAfterName : kAfterOther));
}

TEST_P(ReservedWord, IsAnIdentifierWhenLonger) {
  const std::string w = word();
  for (const std::string& longer :
       {joined({w, "x"}), joined({w, "_1"}), joined({"q", w}), joined({w, "9"})})
    EXPECT_EQ(lexemes(longer), Lexemes{id(longer)}) << longer;
}

INSTANTIATE_TEST_SUITE_P(All, ReservedWord, testing::Range(0, 73),
                         [](const testing::TestParamInfo<int>& info) {
                           return std::string(kReservedWords[info.param]);
                         });

// ---------------------------------------------------------------- delimiters

struct Delimiter {
  const char* name;
  const char* source;
  int code;
  bool ends_name;
};

const Delimiter kDelimiters[] = {
    {"ampersand", "&", '&', false},    {"open", "(", '(', false},
    {"close", ")", ')', true},         {"star", "*", '*', false},
    {"plus", "+", '+', false},         {"comma", ",", ',', false},
    {"minus", "-", '-', false},        {"dot", ".", '.', false},
    {"slash", "/", '/', false},        {"colon", ":", ':', false},
    {"semicolon", ";", ';', false},    {"less", "<", '<', false},
    {"equal", "=", '=', false},        {"greater", ">", '>', false},
    {"bar", "|", '|', false},          {"exclamation", "!", '|', false},
    {"arrow", "=>", ARROW, false},     {"dot_dot", "..", DOT_DOT, false},
    {"expon", "**", EXPON, false},     {"assign", ":=", ASSIGN, false},
    {"not_eq", "/=", NOT_EQ, false},   {"gt_eq", ">=", GT_EQ, false},
    {"lt_eq", "<=", LT_EQ, false},     {"lt_lt", "<<", LT_LT, false},
    {"gt_gt", ">>", GT_GT, false},     {"box", "<>", BOX, false},
};

void PrintTo(const Delimiter& d, std::ostream* out) { *out << d.source; }

class DelimiterTest : public testing::TestWithParam<Delimiter> {};

TEST_P(DelimiterTest, HasItsCodeAndNoText) {
  EXPECT_EQ(lexemes(GetParam().source), Lexemes{{GetParam().code}});
}

TEST_P(DelimiterTest, LeavesTheStartConditionOfItsKind) {
  // A name first, so that a delimiter that sets nothing would show a tick.
  EXPECT_EQ(lexemes(joined({"x", GetParam().source, kProbe})),
            concat({id("x"), {GetParam().code}},
                   GetParam().ends_name ? kAfterName : kAfterOther));
}

INSTANTIATE_TEST_SUITE_P(All, DelimiterTest, testing::ValuesIn(kDelimiters),
                         [](const testing::TestParamInfo<Delimiter>& info) {
                           return std::string(info.param.name);
                         });

// ---------------------------------------------------------------- token tables

class Tokens : public testing::TestWithParam<Case> {};

TEST_P(Tokens, Scan) { EXPECT_EQ(lexemes(GetParam().source), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Names, Tokens,
    testing::Values(
        Case{"keyword_prefix", "beginning begin_x", {id("beginning"), id("begin_x")}},
        Case{"digits_and_underscores", "A_1_b2", {id("A_1_b2")}},
        Case{"double_underscore_splits", "x__y", {id("x"), id("y")}},
        Case{"trailing_underscore_dropped", "x_ y", {id("x"), id("y")}},
        Case{"leading_underscore_dropped", "_x", {id("x")}},
        Case{"utf8_letter_splits", "caf\xC3\xA9s", {id("caf"), id("s")}},
        Case{"bar_and_exclamation", "a|b!c",
             {id("a"), {'|'}, id("b"), {'|'}, id("c")}},
        Case{"longest_delimiter", "a<=>b", {id("a"), {LT_EQ}, {'>'}, id("b")}},
        Case{"three_stars", "***", {{EXPON}, {'*'}}},
        Case{"text_words_keep_their_case", "Protected ABSTRACT Some",
             {text(KW_PROTECTED, "Protected"), text(KW_ABSTRACT, "ABSTRACT"),
              text(KW_SOME, "Some")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Apostrophes, Tokens,
    testing::Values(
        Case{"qualified_character", "Character'('a')",
             {id("Character"), kTick, {'('}, kChar, {')'}}},
        Case{"two_characters", "('a','b')", {{'('}, kChar, {','}, kChar, {')'}}},
        Case{"space_character", "' '", {kChar}},
        Case{"apostrophe_character", "'''", {kChar}},
        Case{"high_byte_character", "'\xE9'", {kChar}},
        Case{"all_then_attribute", "Ptr.all'Address",
             {id("Ptr"), {'.'}, {KW_ALL}, kTick, id("Address")}},
        Case{"access_then_attribute", "X'Access'Size",
             {id("X"), kTick, {KW_ACCESS}, kTick, id("Size")}},
        Case{"until_then_tick", "until'x", {text(KW_UNTIL, "until"), kTick, id("x")}},
        Case{"parenthesis_then_tick", "A(I)'First",
             {id("A"), {'('}, id("I"), {')'}, kTick, id("First")}},
        Case{"string_then_tick", "\"ab\"'Length", {str("\"ab\""), kTick, id("Length")}},
        Case{"character_then_tick", "'a''Pos", {kChar, kTick, id("Pos")}},
        Case{"lone_apostrophe_dropped", "'ab'", {id("ab"), kTick}},
        Case{"control_byte_is_no_character", "'\t'", {}},
        Case{"newline_is_no_character", "'\n'", {}},
        Case{"tick_resets_to_initial", "x''a'", {id("x"), kTick, kChar}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Numbers, Tokens,
    testing::Values(
        Case{"integer", "123", {kNumber}},
        Case{"integer_underscores", "1_000_000", {kNumber}},
        Case{"real", "3.14_15", {kNumber}},
        Case{"real_exponent", "1.0E+10", {kNumber}},
        Case{"integer_exponent", "1e5", {kNumber}},
        Case{"negative_exponent_on_integer", "2e-3", {kNumber}},
        Case{"based", "16#FF#", {kNumber}},
        Case{"based_lower_case", "16#ff_ff#", {kNumber}},
        Case{"based_exponent", "2#1010#E3", {kNumber}},
        Case{"based_point_exponent", "16#F.F#e-2", {kNumber}},
        Case{"colons", "16:FF:", {kNumber}},
        Case{"colons_point", "16:F.F:E1", {kNumber}},
        Case{"base_not_checked", "1#1# 2#9#", {kNumber, kNumber}},
        Case{"range", "1..10", {kNumber, {DOT_DOT}, kNumber}},
        Case{"point_needs_digits", "1.e5", {kNumber, {'.'}, id("e5")}},
        Case{"exponent_needs_digits", "1e", {kNumber, id("e")}},
        Case{"based_exponent_needs_digits", "16#FF#E", {kNumber, id("E")}},
        Case{"unterminated_based", "16#FF", {kNumber, id("FF")}},
        Case{"mixed_based_delimiters", "16#FF:", {kNumber, id("FF"), {':'}}},
        Case{"double_underscore", "1__0", {kNumber, kNumber}},
        Case{"letters_after_digits", "12abc", {kNumber, id("abc")}},
        Case{"two_points", "1.5.3", {kNumber, {'.'}, kNumber}},
        Case{"declaration", "X : Integer := 16#FF#;",
             {id("X"), {':'}, id("Integer"), {ASSIGN}, kNumber, {';'}}},
        Case{"keeps_after_name", "x 1'a'", {id("x"), kNumber, kTick, id("a"), kTick}},
        Case{"keeps_initial", "(1'a'", {{'('}, kNumber, kChar}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Strings, Tokens,
    testing::Values(
        Case{"doubled_quotes", "\"he said \"\"hi\"\"\"", {str("\"he said \"\"hi\"\"\"")}},
        Case{"empty", "\"\"", {str("\"\"")}},
        Case{"two_strings", "\"a\" & \"b\"", {str("\"a\""), {'&'}, str("\"b\"")}},
        Case{"adjacent_doubled", "\"a\"\"b\"", {str("\"a\"\"b\"")}},
        Case{"percent_runs_to_last_percent", "%a% & %b%", {str("%a% & %b%")}},
        Case{"percent_empty", "%%", {str("%%")}},
        Case{"percent_stops_at_quote", "%a\"b%", {id("a"), id("b")}},
        Case{"percent_stops_at_line_end", "%a\nb%", {id("a"), id("b")}},
        Case{"unterminated_quote", "\"abc\n", {id("abc")}},
        Case{"unterminated_quote_at_end", "\"abc", {id("abc")}},
        Case{"high_bytes_inside", "\"caf\xC3\xA9\"", {str("\"caf\xC3\xA9\"")}},
        Case{"apostrophes_inside", "\"'a'\"", {str("\"'a'\"")}},
        Case{"comment_inside", "\"a--b\" c", {str("\"a--b\""), id("c")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Skipped, Tokens,
    testing::Values(
        Case{"comment", "x := 1; -- a 'comment' with \"quotes\"",
             {id("x"), {ASSIGN}, kNumber, {';'}}},
        Case{"comment_alone", "--", {}},
        Case{"comment_ends_at_line_end", "a -- b\nc", {id("a"), id("c")}},
        Case{"comment_glued", "a--b", {id("a")}},
        Case{"minus_minus_apart", "a - - b", {id("a"), {'-'}, {'-'}, id("b")}},
        Case{"form_feed_vertical_tab", "\f x \v", {id("x")}},
        Case{"stray_bytes", "a#b$c?d@e[f]g\\h^i`j{k}l~m",
             {id("a"), id("b"), id("c"), id("d"), id("e"), id("f"), id("g"), id("h"), id("i"),
              id("j"), id("k"), id("l"), id("m")}},
        Case{"nul_byte", std::string("a\0b", 3), {id("a"), id("b")}},
        Case{"delete_byte", "a\x7f" "b", {id("a"), id("b")}}),
    case_name);

// ---------------------------------------------------------------- Ada 2022 mode

// What Ada 2022 adds, and how the same bytes scan by default.
struct ModeCase {
  const char* name;
  std::string source;
  Lexemes ada95;
  Lexemes ada2022;
};

class Ada2022Mode : public testing::TestWithParam<ModeCase> {};

TEST_P(Ada2022Mode, AddsItsTokensAndOnlyThose) {
  EXPECT_EQ(lexemes(GetParam().source), GetParam().ada95);
  EXPECT_EQ(lexemes(GetParam().source, AdaMode::kAda2022), GetParam().ada2022);
}

INSTANTIATE_TEST_SUITE_P(
    All, Ada2022Mode,
    testing::Values(
        ModeCase{"brackets", "[1, X]", {kNumber, {','}, id("X")},
                 {{'['}, kNumber, {','}, id("X"), {']'}}},
        ModeCase{"target_name", "X := @ + 1", {id("X"), {ASSIGN}, {'+'}, kNumber},
                 {id("X"), {ASSIGN}, {'@'}, {'+'}, kNumber}},
        ModeCase{"parallel_is_a_word_with_its_text", "parallel PARALLEL parallels",
                 {id("parallel"), id("PARALLEL"), id("parallels")},
                 {text(KW_PARALLEL, "parallel"), text(KW_PARALLEL, "PARALLEL"),
                  id("parallels")}},
        // A name ends with "@" and "]": an apostrophe after them is a tick.
        ModeCase{"tick_after_target_name", "@'First", {id("First")},
                 {{'@'}, kTick, id("First")}},
        ModeCase{"tick_after_bracket", "[A]'Reduce", {id("A"), kTick, id("Reduce")},
                 {{'['}, id("A"), {']'}, kTick, id("Reduce")}},
        // "[" ends no name: a character literal may follow.
        ModeCase{"character_after_bracket", "X ['a']",
                 {id("X"), kTick, id("a"), kTick},
                 {id("X"), {'['}, kChar, {']'}}}),
    [](const testing::TestParamInfo<ModeCase>& info) { return std::string(info.param.name); });

// Every byte that starts no token is dropped and still takes one column.
TEST(DroppedBytes, EachTakesOneColumn) {
  std::string dropped = "#$?@[]\\^_`{}~\"%'\x7f";
  for (int c = 0; c < 0x20; ++c)
    if (c != '\t' && c != '\n' && c != '\r') dropped += static_cast<char>(c);
  for (int c = 0x80; c < 0x100; ++c) dropped += static_cast<char>(c);
  for (char c : dropped) {
    std::vector<ScannedToken> tokens = scan(std::string(1, c) + " Z");
    ASSERT_EQ(tokens.size(), 1u) << "byte " << (c & 0xff);
    EXPECT_EQ(tokens[0].code, IDENTIFIER) << "byte " << (c & 0xff);
    EXPECT_EQ(tokens[0].line, 1) << "byte " << (c & 0xff);
    EXPECT_EQ(tokens[0].column, 3) << "byte " << (c & 0xff);
  }
}

// A NUL byte is data, a stray byte like 0x01, whatever follows it.
TEST(DroppedBytes, NulIsLikeByteOne) {
  for (int c = 0; c < 0x100; ++c) {
    std::string after = std::string(1, static_cast<char>(c)) + "x 'a' \"s\" y";
    std::vector<ScannedToken> with_nul = scan(std::string(1, '\0') + after);
    std::vector<ScannedToken> with_one = scan("\x01" + after);
    ASSERT_EQ(with_nul.size(), with_one.size()) << "byte " << c;
    for (size_t i = 0; i < with_nul.size(); ++i) {
      EXPECT_EQ(with_nul[i].code, with_one[i].code) << "byte " << c << ", token " << i;
      EXPECT_EQ(with_nul[i].text, with_one[i].text) << "byte " << c << ", token " << i;
      EXPECT_EQ(with_nul[i].column, with_one[i].column) << "byte " << c << ", token " << i;
    }
  }
}

// ---------------------------------------------------------------- token value

TEST(TokenValue, TextIsLeftAloneByTokensWithoutText) {
  FILE* file = stream_with("X : Integer := 16#FF#;");
  scanner_restart(file);
  const int expected[] = {IDENTIFIER, ':', IDENTIFIER, ASSIGN, NUMERIC_LITERAL, ';'};
  const char* text_during[std::size(expected)];
  for (size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(lex(), expected[i]);
    text_during[i] = lexed().text;
  }
  EXPECT_STREQ(text_during[4], "Integer");
  EXPECT_EQ(text_during[4], text_during[2]);  // the same copy, not a new one
  EXPECT_EQ(lex(), 0);
  EXPECT_STREQ(lexed().text, "Integer");
  std::fclose(file);
}

TEST(TokenValue, EachTextIsAFreshCopy) {
  FILE* file = stream_with("a a");
  scanner_restart(file);
  ASSERT_EQ(lex(), IDENTIFIER);
  const char* first = lexed().text;
  ASSERT_EQ(lex(), IDENTIFIER);
  EXPECT_NE(lexed().text, first);
  EXPECT_STREQ(first, "a");
  std::fclose(file);
}

TEST(TokenValue, CopiesLiveInTheArena) {
  scan_context().arena.reset();
  FILE* file = stream_with("abc 'x' \"s\" 1 until");
  scanner_restart(file);
  while (lex() != 0) {
  }
  // abc, the apostrophe, "s" and until, each with its NUL; the number has none.
  EXPECT_EQ(scan_context().arena.bytes_in_use(), 4u + 2u + 4u + 6u);
  std::fclose(file);
  scan_context().arena.reset();
}

// ---------------------------------------------------------------- positions

struct Placed {
  int code;
  int64_t line;
  int64_t column;
  bool operator==(const Placed&) const = default;
};
void PrintTo(const Placed& p, std::ostream* out) {
  *out << token_name(p.code) << " at " << p.line << ":" << p.column;
}

std::vector<Placed> placed(std::string_view source, AdaMode mode = AdaMode::kAda95) {
  std::vector<Placed> out;
  for (const ScannedToken& token : scan(source, mode))
    out.push_back({token.code, token.line, token.column});
  return out;
}

struct PositionCase {
  const char* name;
  std::string source;
  std::vector<Placed> expected;
};

void PrintTo(const PositionCase& c, std::ostream* out) { *out << testing::PrintToString(c.source); }

class Positions : public testing::TestWithParam<PositionCase> {};

TEST_P(Positions, Scan) { EXPECT_EQ(placed(GetParam().source), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    All, Positions,
    testing::Values(
        PositionCase{"three_spaces", "   X", {{IDENTIFIER, 1, 4}}},
        PositionCase{"tab", "\tX", {{IDENTIFIER, 1, 2}}},
        PositionCase{"assignment", "A := B;",
                     {{IDENTIFIER, 1, 1}, {ASSIGN, 1, 3}, {IDENTIFIER, 1, 6}, {';', 1, 7}}},
        PositionCase{"after_comment_line", "-- comment\n   X", {{IDENTIFIER, 2, 4}}},
        PositionCase{"comment_after_token", "A -- c\nB", {{IDENTIFIER, 1, 1}, {IDENTIFIER, 2, 1}}},
        PositionCase{"crlf", "A;\r\n  B\r\n", {{IDENTIFIER, 1, 1}, {';', 1, 2}, {IDENTIFIER, 2, 3}}},
        PositionCase{"carriage_return_mid_line", "a\rb c",
                     {{IDENTIFIER, 1, 1}, {IDENTIFIER, 1, 2}, {IDENTIFIER, 1, 4}}},
        PositionCase{"form_feed_and_tab", "\f\v\tx", {{IDENTIFIER, 1, 4}}},
        PositionCase{"multibyte_counts_bytes", "caf\xC3\xA9s", {{IDENTIFIER, 1, 1}, {IDENTIFIER, 1, 6}}},
        PositionCase{"empty_lines", "\n\n\n  x", {{IDENTIFIER, 4, 3}}},
        PositionCase{"long_tokens", "Ada.Text_IO'(\"ab\")",
                     {{IDENTIFIER, 1, 1}, {'.', 1, 4}, {IDENTIFIER, 1, 5}, {TICK, 1, 12},
                      {'(', 1, 13}, {STRING_LITERAL, 1, 14}, {')', 1, 18}}},
        PositionCase{"no_final_newline", "end P;",
                     {{KW_END, 1, 1}, {IDENTIFIER, 1, 5}, {';', 1, 6}}}),
    [](const testing::TestParamInfo<PositionCase>& info) { return std::string(info.param.name); });

std::string with_crlf(std::string_view source) {
  std::string out;
  for (char c : source) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

TEST(Positions, WindowsLineEndsChangeNothing) {
  const std::string source =
      "package body P is\n"
      "   -- comment\n"
      "   X : constant String := \"a\"\"b\";\n"
      "\n"
      "begin\tnull; end P;\n";
  std::vector<ScannedToken> unix_tokens = scan(source);
  std::vector<ScannedToken> windows_tokens = scan(with_crlf(source));
  ASSERT_EQ(unix_tokens.size(), windows_tokens.size());
  ASSERT_EQ(unix_tokens.size(), 17u);
  for (size_t i = 0; i < unix_tokens.size(); ++i) {
    EXPECT_EQ(windows_tokens[i].code, unix_tokens[i].code) << i;
    EXPECT_EQ(windows_tokens[i].text, unix_tokens[i].text) << i;
    EXPECT_EQ(windows_tokens[i].line, unix_tokens[i].line) << i;
    EXPECT_EQ(windows_tokens[i].column, unix_tokens[i].column) << i;
  }
}

// By default only LF ends a line and a comment; the modern mode reads line
// ends as GNAT does: CR, CR LF and LF end a line, VT and FF a comment only
// (GNAT's own messages count the columns on through them).
struct LineEndCase {
  const char* name;
  std::string source;
  std::vector<Placed> ada95;
  std::vector<Placed> ada2022;
};

void PrintTo(const LineEndCase& c, std::ostream* out) { *out << c.name; }

class LineEnds : public testing::TestWithParam<LineEndCase> {};

TEST_P(LineEnds, EndLinesAndCommentsAsEachModeReadsThem) {
  EXPECT_EQ(placed(GetParam().source), GetParam().ada95);
  EXPECT_EQ(placed(GetParam().source, AdaMode::kAda2022), GetParam().ada2022);
}

INSTANTIATE_TEST_SUITE_P(
    All, LineEnds,
    testing::Values(
        LineEndCase{"cr_ends_a_comment", "A -- c\rB\nC",
                    {{IDENTIFIER, 1, 1}, {IDENTIFIER, 2, 1}},
                    {{IDENTIFIER, 1, 1}, {IDENTIFIER, 2, 1}, {IDENTIFIER, 3, 1}}},
        // CR LF is one line end, LF CR two.
        LineEndCase{"cr_lf_and_lf_cr", "A\r\n\n\r B", {{IDENTIFIER, 1, 1}, {IDENTIFIER, 3, 2}},
                    {{IDENTIFIER, 1, 1}, {IDENTIFIER, 4, 2}}},
        LineEndCase{"form_feed_ends_a_comment_not_the_line", "A -- c\fB;",
                    {{IDENTIFIER, 1, 1}},
                    {{IDENTIFIER, 1, 1}, {IDENTIFIER, 1, 8}, {';', 1, 9}}},
        LineEndCase{"line_ends_past_sixteen_bytes",
                    "-- abcdefghijklmnopqrstuvwxyz\fB -- 0123456789abcdefghij\rC",
                    {},
                    {{IDENTIFIER, 1, 31}, {IDENTIFIER, 2, 1}}},
        LineEndCase{"comment_longer_than_the_buffer", "-- " + std::string(40000, 'c') + "\vX",
                    {},
                    {{IDENTIFIER, 1, 40005}}},
        LineEndCase{"no_string_across_a_cr", "\"a\rb\"",
                    {{STRING_LITERAL, 1, 1}},
                    {{IDENTIFIER, 1, 2}, {IDENTIFIER, 2, 1}}},
        LineEndCase{"no_percent_string_across_a_form_feed", "%a\fb%",
                    {{STRING_LITERAL, 1, 1}},
                    {{IDENTIFIER, 1, 2}, {IDENTIFIER, 1, 4}}}),
    [](const testing::TestParamInfo<LineEndCase>& info) { return std::string(info.param.name); });

// Lexemes longer than the 16384-byte buffer make it grow.
TEST(LongLexemes, CommentLineLongerThanTheBuffer) {
  std::string source = "-- " + std::string(40000, 'c') + "\n  X";
  EXPECT_EQ(placed(source), (std::vector<Placed>{{IDENTIFIER, 2, 3}}));
}

TEST(LongLexemes, IdentifierLongerThanTheBuffer) {
  std::string name = "N" + std::string(40000, 'a');
  std::vector<ScannedToken> tokens = scan("  " + name + ";");
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].text, name);
  EXPECT_EQ(tokens[0].column, 3);
  EXPECT_EQ(tokens[1].column, 3 + static_cast<int64_t>(name.size()));
}

TEST(LongLexemes, StringLongerThanTheBuffer) {
  std::string literal = "\"" + std::string(20000, 'x') + "\"\"" + std::string(20000, 'y') + "\"";
  EXPECT_EQ(lexemes(literal + " z"), (Lexemes{str(literal), id("z")}));
}

// ---------------------------------------------------------------- end of input

TEST(EndOfInput, EmptyFile) {
  FILE* file = stream_with("");
  scanner_restart(file);
  ScannedToken token = next_token();
  EXPECT_EQ(token.code, 0);
  EXPECT_EQ(scanner().line, 1);
  EXPECT_EQ(scanner().column, 1);
  EXPECT_EQ(scanner().previous_length, 0);
  std::fclose(file);
}

struct EndCase {
  const char* name;
  std::string source;
  int last_code;  // 0: no token at all
  int line_after;
  int column_after;
};

void PrintTo(const EndCase& c, std::ostream* out) { *out << testing::PrintToString(c.source); }

class EndOfInputIn : public testing::TestWithParam<EndCase> {};

// End of input returns 0 without writing the value, every time it is asked,
// and leaves the counters where the last lexeme put them.
TEST_P(EndOfInputIn, ReturnsZeroAndLeavesValueAlone) {
  FILE* file = stream_with(GetParam().source);
  scanner_restart(file);
  int last = 0;
  for (int code = lex(); code != 0; code = lex()) last = code;
  EXPECT_EQ(last, GetParam().last_code);
  for (int i = 0; i < 2; ++i) {
    ScannedToken end = next_token();
    EXPECT_EQ(end.code, 0);
    EXPECT_EQ(end.line, kUntouched);
    EXPECT_EQ(end.column, kUntouched);
    EXPECT_FALSE(end.text.has_value());
  }
  EXPECT_EQ(scanner().line, GetParam().line_after);
  EXPECT_EQ(scanner().column, GetParam().column_after);
  std::fclose(file);
}

INSTANTIATE_TEST_SUITE_P(
    All, EndOfInputIn,
    testing::Values(EndCase{"after_name", "x", IDENTIFIER, 1, 1},
                    EndCase{"initial", "(", '(', 1, 1},
                    EndCase{"final_newline", "X;\n", ';', 2, 1},
                    EndCase{"trailing_blanks", "X  ", IDENTIFIER, 1, 2},
                    EndCase{"trailing_comment", "X -- c", IDENTIFIER, 1, 2},
                    EndCase{"only_comment", "-- c", 0, 1, 1}),
    [](const testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

// The start condition outlives end of input: bytes that arrive afterwards on
// the same stream are scanned as if they had been there all along.
TEST(EndOfInput, KeepsTheStartCondition) {
  FILE* file = stream_with("x");
  scanner_restart(file);
  ASSERT_EQ(lex(), IDENTIFIER);
  ASSERT_EQ(lex(), 0);
  long position = std::ftell(file);
  std::fseek(file, 0, SEEK_END);
  std::fputs("'a'", file);
  std::fseek(file, position, SEEK_SET);
  EXPECT_EQ(lex(), TICK);
  std::fclose(file);
}

// ---------------------------------------------------------------- file restart

TEST(FileRestart, SecondFileStartsAtLineOneColumnOne) {
  FILE* first = stream_with("package P is\nend P;");
  EXPECT_EQ(scan_stream(first).size(), 6u);
  std::fclose(first);
  FILE* second = stream_with("X");
  std::vector<ScannedToken> tokens = scan_stream(second);
  std::fclose(second);
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].line, 1);
  EXPECT_EQ(tokens[0].column, 1);
}

// A file left mid-way (an abandoned parse) leaves bytes in the buffer and the
// scanner after a name; the next file must see neither.
TEST(FileRestart, AfterAbandonedFile) {
  std::string first_source;
  for (int i = 0; i < 3000; ++i) first_source += "Name_" + std::to_string(i) + "\n";
  FILE* first = stream_with(first_source);
  scanner_restart(first);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(lex(), IDENTIFIER);
  std::fclose(first);

  FILE* second = stream_with("'a' B");
  std::vector<ScannedToken> tokens = scan_stream(second);
  std::fclose(second);
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].code, CHAR_LITERAL);
  EXPECT_EQ(tokens[0].line, 1);
  EXPECT_EQ(tokens[0].column, 1);
  EXPECT_EQ(tokens[1].text, "B");
  EXPECT_EQ(tokens[1].column, 5);
}

// ---------------------------------------------------------------- reading

std::string many_lines(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += "A := B;\n";
  return out;
}

// The stream position tells how much each read asked for: the stream has more
// than enough, so every read is served in full.
TEST(Reading, BlocksOfAtMost8192Bytes) {
  FILE* file = stream_with(many_lines(10000));
  scanner_restart(file);
  long largest_read = 0;
  int tokens = 0;
  for (long before = std::ftell(file); lex() != 0; before = std::ftell(file)) {
    ++tokens;
    largest_read = std::max(largest_read, std::ftell(file) - before);
  }
  std::fclose(file);
  EXPECT_EQ(tokens, 40000);
  EXPECT_EQ(largest_read, 8192);
}

// A stream that hands out at most `chunk` bytes per read and fails one read.
struct Source {
  std::string bytes;
  size_t chunk = 1 << 20;
  int fail_at = -1;  // number of the failing read
  int fail_with = 0;  // its errno
  size_t offset = 0;
  int reads = 0;
};

ssize_t read_source(void* cookie, char* buffer, size_t size) {
  auto* source = static_cast<Source*>(cookie);
  if (source->reads++ == source->fail_at) {
    errno = source->fail_with;
    return -1;
  }
  size_t count = std::min({size, source->chunk, source->bytes.size() - source->offset});
  std::memcpy(buffer, source->bytes.data() + source->offset, count);
  source->offset += count;
  return static_cast<ssize_t>(count);
}

FILE* open_source(Source& source) {
  cookie_io_functions_t functions{};
  functions.read = read_source;
  return fopencookie(&source, "r", functions);
}

struct InterruptCase {
  const char* name;
  size_t chunk;
  int fail_at;
};

void PrintTo(const InterruptCase& c, std::ostream* out) { *out << c.name; }

class InterruptedRead : public testing::TestWithParam<InterruptCase> {};

// Run apart: a read taken for a failure would end the whole test program.
void scan_interrupted(const InterruptCase& interrupt) {
  Source source{many_lines(3000)};
  source.chunk = interrupt.chunk;
  source.fail_at = interrupt.fail_at;
  source.fail_with = EINTR;
  size_t tokens = scan_stream(open_source(source)).size();
  std::_Exit(tokens == 12000u && source.reads > interrupt.fail_at ? 0 : 1);
}

TEST_P(InterruptedRead, IsRetried) {
  EXPECT_EXIT(scan_interrupted(GetParam()), testing::ExitedWithCode(0), "");
}

INSTANTIATE_TEST_SUITE_P(
    All, InterruptedRead,
    testing::Values(InterruptCase{"before_any_byte", 1 << 20, 1},
                    // One block read gets some bytes, then is interrupted.
                    InterruptCase{"after_some_bytes", 1000, 3}),
    [](const testing::TestParamInfo<InterruptCase>& info) { return std::string(info.param.name); });

void scan_to_end(FILE* file) {
  scanner_restart(file);
  while (lex() != 0) {
  }
}

TEST(ReadingDeathTest, ReadErrorEndsTheRun) {
  Source source{many_lines(3000)};
  source.fail_at = 1;
  source.fail_with = EIO;
  EXPECT_EXIT(scan_to_end(open_source(source)), testing::ExitedWithCode(2),
              "^input in flex scanner failed\n$");
}

TEST(ReadingDeathTest, DirectoryStreamEndsTheRun) {
  FILE* directory = std::fopen(testing::TempDir().c_str(), "r");
  ASSERT_NE(directory, nullptr);
  EXPECT_EXIT(scan_to_end(directory), testing::ExitedWithCode(2),
              "^input in flex scanner failed\n$");
  std::fclose(directory);
}

#if !defined(__SANITIZE_ADDRESS__)
// Endless comment line: the one lexeme outgrows the memory the process may have.
ssize_t read_endless_comment(void*, char* buffer, size_t size) {
  std::memset(buffer, '-', size);
  return static_cast<ssize_t>(size);
}

void scan_endless_comment_with_little_memory() {
  std::ifstream status("/proc/self/statm");
  size_t pages = 0;
  status >> pages;
  rlimit limit{};
  limit.rlim_cur = limit.rlim_max = pages * sysconf(_SC_PAGESIZE) + (2u << 20);
  setrlimit(RLIMIT_AS, &limit);
  cookie_io_functions_t functions{};
  functions.read = read_endless_comment;
  scan_to_end(fopencookie(nullptr, "r", functions));
}

TEST(ReadingDeathTest, BufferThatCannotGrowEndsTheRun) {
  EXPECT_EXIT(scan_endless_comment_with_little_memory(), testing::ExitedWithCode(2),
              "^fatal error - scanner input buffer overflow\n$");
}

// No block the size of the buffer is left, so the first call cannot make one.
void first_call_without_memory_for_a_buffer() {
  scan_context();  // the context exists; its scanner has made no buffer yet
  FILE* input = stream_with("x");  // made while there is memory for it
  rlimit limit{};
  getrlimit(RLIMIT_AS, &limit);
  std::ifstream status("/proc/self/statm");
  size_t pages = 0;
  status >> pages;
  limit.rlim_cur = pages * sysconf(_SC_PAGESIZE);
  setrlimit(RLIMIT_AS, &limit);
  void* volatile block;  // kept, so that the calls are not optimised away
  do block = std::malloc(16 * 1024);
  while (block != nullptr);
  scanner_restart(input);
}

// The first call runs in a fresh process: the scanner has no buffer yet.
TEST(FirstCallDeathTest, BufferThatCannotBeMadeEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(first_call_without_memory_for_a_buffer(), testing::ExitedWithCode(2),
              "^out of dynamic memory in ac_yy_create_buffer\\(\\)\n$");
}
#endif

// A terminal is read a line at a time, so a token typed at it comes back
// without waiting for more input.
void scan_one_line_from_terminal() {
  alarm(5);
  int controller = -1;
  int terminal = -1;
  if (openpty(&controller, &terminal, nullptr, nullptr, nullptr) != 0) std::_Exit(3);
  if (write(controller, "Hello\n", 6) != 6) std::_Exit(3);
  FILE* file = fdopen(terminal, "r");
  scanner_restart(file);
  ScannedToken token = next_token();
  std::_Exit(token.code == IDENTIFIER && token.text == "Hello" ? 0 : 1);
}

TEST(ReadingDeathTest, TerminalIsReadALineAtATime) {
  EXPECT_EXIT(scan_one_line_from_terminal(), testing::ExitedWithCode(0), "");
}

// Without a file restart the first call reads standard input.
void first_call_reads_standard_input() {
  FILE* file = stream_with("From_Stdin");
  if (dup2(fileno(file), STDIN_FILENO) < 0) std::_Exit(3);
  ScannedToken token = next_token();
  std::_Exit(token.code == IDENTIFIER && token.text == "From_Stdin" ? 0 : 1);
}

TEST(FirstCallDeathTest, ReadsStandardInputWithoutRestart) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(first_call_reads_standard_input(), testing::ExitedWithCode(0), "");
}

// Real sources read with Windows line ends give the same tokens and places.
TEST(RealSources, RuntimeFileWithWindowsLineEnds) {
  const std::filesystem::path path = "/usr/lib/gcc/x86_64-linux-gnu/12/adainclude/a-textio.adb";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " not installed";
  std::ifstream in(path, std::ios::binary);
  std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<ScannedToken> unix_tokens = scan(source);
  std::vector<ScannedToken> windows_tokens = scan(with_crlf(source));
  ASSERT_GT(unix_tokens.size(), 1000u);
  ASSERT_EQ(unix_tokens.size(), windows_tokens.size());
  for (size_t i = 0; i < unix_tokens.size(); ++i) {
    ASSERT_EQ(windows_tokens[i].code, unix_tokens[i].code) << i;
    ASSERT_EQ(windows_tokens[i].text, unix_tokens[i].text) << i;
    ASSERT_EQ(windows_tokens[i].line, unix_tokens[i].line) << i;
    ASSERT_EQ(windows_tokens[i].column, unix_tokens[i].column) << i;
  }
}

}  // namespace
