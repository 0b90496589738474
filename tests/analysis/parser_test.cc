// The grammar and its diagnostics: which sources parse, where the warning
// points, how the parser recovers and when it gives up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "analysis_helper.h"

namespace {

using Strings = std::vector<std::string>;

struct ParseCase {
  const char* name;
  std::string source;
  bool accepted;
  Strings warnings;  // "line:column" of each warning
};

std::string case_name(const testing::TestParamInfo<ParseCase>& info) { return info.param.name; }

class Grammar : public testing::TestWithParam<ParseCase> {};

TEST_P(Grammar, AcceptsOrWarns) {
  const ParseCase& c = GetParam();
  AnalysisSeen seen = analyse_source(c.source);
  EXPECT_EQ(seen.accepted, c.accepted) << c.source;
  EXPECT_EQ(seen.warnings, c.warnings) << seen.diagnostics;
}

// What the grammar accepts, especially where reserved words double as names.
INSTANTIATE_TEST_SUITE_P(
    Acceptance, Grammar,
    testing::Values(
        ParseCase{"EmptyFile", "", true, {}},
        ParseCase{"OnlyPragmas", "pragma Ada_95;\npragma Style_Checks (Off);\n", true, {}},
        ParseCase{"PragmasBeforeFirstUnit", "pragma Ada_2005;\npackage P is end P;\n", true, {}},
        ParseCase{
            "AbstractSubprogramAtLibraryLevel", "procedure P is abstract;\n", false, {"1:24"}},
        ParseCase{"AbstractSubprogramInPackageSpec",
                  "package Q is\n   procedure P is abstract;\nend Q;\n",
                  true,
                  {}},
        ParseCase{"AbstractSubprogramInBodyDeclarations",
                  "package body Q is\n   procedure P is abstract;\nend Q;\n",
                  false,
                  {"2:27"}},
        ParseCase{"StatementStartingWithRequeueVariable",
                  "procedure P is\nbegin\n   requeue := 1;\nend P;\n",
                  true,
                  {"3:12"}},
        ParseCase{"ObjectNamedProtectedInSpec",
                  "package Q is\n   protected : Integer;\nend Q;\n",
                  false,
                  {"2:14"}},
        ParseCase{"ObjectNamedProtectedInBody",
                  "procedure P is\n   protected : Integer;\nbegin\n   "
                  "null;\nend P;\n",
                  false,
                  {"2:14"}},
        ParseCase{"ProtectedAndRequeueInExpression",
                  "procedure P is\nbegin\n   X := protected + requeue;\nend P;\n",
                  true,
                  {}},
        ParseCase{"LaterWordsAsIdentifiers",
                  "package Q is\n   Abstract, Tagged : Integer;\n"
                  "   Interface : Boolean := Some and Overriding;\n"
                  "   Synchronized : T := Aliased (Until);\nend Q;\n",
                  true,
                  {}},
        ParseCase{"RequeueStatement",
                  "procedure P is\nbegin\n   requeue E with abort;\n   requeue "
                  "F;\nend P;\n",
                  true,
                  {}},
        ParseCase{
            "LimitedPrivateWith", "limited private with A.B;\npackage P is end P;\n", true, {}},
        ParseCase{"LimitedWith", "limited with A.B, C;\npackage P is end P;\n", true, {}},
        ParseCase{"PrivateWith", "private with A.B;\npackage P is end P;\n", false, {"1:9"}},
        ParseCase{"PrivateWithAfterWith",
                  "with C;\nprivate with A.B;\npackage P is end P;\n",
                  false,
                  {"2:9"}},
        ParseCase{"PrivateChildPackage", "private package P.C is end P.C;\n", true, {}},
        ParseCase{
            "UseClauseBeforeFirstWith", "use A;\nwith B;\npackage P is end P;\n", false, {"1:1"}},
        ParseCase{"UseClausesAndPragmasAfterWith",
                  "with A; use A; use type A.T; pragma Elaborate (A);\npackage "
                  "P is end P;\n",
                  true,
                  {}},
        ParseCase{"OneAspect", "package P with Pure is end P;\n", true, {}},
        ParseCase{"InstantiationWithAspect", "package I with Preelaborate is new G;\n", true, {}},
        ParseCase{"NamesOfEveryForm",
                  "package Q is\n"
                  "   C : Character := 'a';\n"
                  "   function \"and\" (L, R : T) return T;\n"
                  "   A : Address := X'Access;\n"
                  "   D : Integer := T'Digits + T'Delta + P.\"and\" (1, 2) + "
                  "P.'x'.all;\n"
                  "end Q;\n",
                  true,
                  {}},
        ParseCase{"OperatorCalledByItsSymbol",
                  "procedure P is\nbegin\n   X := \"and\" (A, B);\nend P;\n",
                  true,
                  {}},
        ParseCase{"InterfaceTypesAndNotNullAccess",
                  "package Q is\n"
                  "   type I is interface;\n"
                  "   type J is interface I and K.L;\n"
                  "   type A is not null access all T;\n"
                  "   procedure Op (X : not null access T);\n"
                  "end Q;\n",
                  true,
                  {}},
        ParseCase{"SubtypeIndicationWithEmptyParentheses",
                  "package Q is\n   X : T ();\nend Q;\n",
                  true,
                  {}},
        ParseCase{"CodeStatement", "procedure P is\nbegin\n   Asm_Insn'(Nop);\nend P;\n", true, {}},
        ParseCase{"TaskingStatements",
                  "procedure P is\nbegin\n"
                  "   select\n      accept E (X : Integer) do\n         "
                  "null;\n      end E;\n"
                  "   or\n      delay until T;\n   or\n      terminate;\n   "
                  "end select;\n"
                  "   select\n      C.E;\n   then abort\n      null;\n   end "
                  "select;\n"
                  "   abort T1, T2;\nend P;\n",
                  true,
                  {}},
        ParseCase{"RecordsVariantsAndRepresentation",
                  "package Q is\n"
                  "   type R (D : Boolean) is record\n"
                  "      case D is\n         when True => X : Integer;\n"
                  "         when others => null;\n      end case;\n   end record;\n"
                  "   for R use record\n      D at 0 range 0 .. 7;\n   end record;\n"
                  "   for R'Size use 64;\nend Q;\n",
                  true,
                  {}},
        ParseCase{"UnitStartingWithIdentifier", "Foo;\npackage P is end P;\n", false, {"1:1"}}),
    case_name);

// Reports, recovery and giving up.
INSTANTIATE_TEST_SUITE_P(Diagnostics, Grammar,
                         testing::Values(
                             // The second error comes before three tokens were shifted again.
                             ParseCase{"TwoErrorsWithinThreeTokens",
                                       "procedure P is\nbegin\n   requeue := 1; := 2;\nend P;\n",
                                       true,
                                       {"3:12"}},
                             ParseCase{"TwoErrorsFurtherApart",
                                       "procedure P is\nbegin\n   requeue := 1;\n   null;\n   "
                                       "requeue := 2;\nend P;\n",
                                       true,
                                       {"3:12", "5:12"}},
                             ParseCase{"ErrorInIfStatementRecovers",
                                       "procedure P is\nbegin\n   if then;\n   null;\nend P;\n",
                                       true,
                                       {"3:7"}},
                             ParseCase{"ErrorInParenthesesRecovers",
                                       "package Q is\n   type E is (A, B C);\nend Q;\n",
                                       true,
                                       {"2:20"}},
                             ParseCase{
                                 "ErrorInRecordRecovers",
                                 "package Q is\n   type R is record\n      X Integer;\n   end "
                                 "record;\nend Q;\n",
                                 true,
                                 {"3:9"}},
                             // At end of input the fallback to compilation : error completes the
                             // compilation, so the parser accepts after its warning.
                             ParseCase{"EndOfFileAfterNewline", "package P is\n", true, {"2:1"}},
                             ParseCase{"EndOfFileWithoutNewline", "package P is", true, {"1:11"}},
                             ParseCase{"ErrorOutsideRecoverableConstruct",
                                       "package A is end A;\npackage P is begin end;\npackage B is "
                                       "end B;\n",
                                       false,
                                       {"2:14"}}),
                         case_name);

TEST(Diagnostics, WarningTextNamesFileLineAndColumn) {
  AnalysisSeen seen = analyse_source("procedure P is\nbegin\n   requeue := 1;\nend P;\n");
  EXPECT_EQ(seen.diagnostics, "unit.ada:3:12: Warning, this file may not be Ada 95 compilable.\n");
}

TEST(Diagnostics, OperatorAtLibraryLevelIsAnErrorButParsingGoesOn) {
  AnalysisSeen seen = analyse_source("function \"+\" (L, R : T)\n  return T;\nprocedure After;\n");
  EXPECT_TRUE(seen.accepted);
  EXPECT_EQ(seen.diagnostics, "Error unit.ada:2: operator not allowed at library level\n");
  EXPECT_EQ(unit_summaries(seen), Strings{"After SPEC"});
}

std::string nested_parentheses(int depth) {
  return "package P is\n   X : Integer := " + std::string(depth, '(') + "1" +
         std::string(depth, ')') + ";\nend P;\n";
}

// The stacks hold 500 entries and never grow.
TEST(StackLimit, DeepNestingWithinTheStacksParses) {
  AnalysisSeen seen = analyse_source(nested_parentheses(480));
  EXPECT_TRUE(seen.accepted);
  EXPECT_EQ(seen.warnings, Strings{});
  EXPECT_EQ(unit_summaries(seen), Strings{"P SPEC"});
}

TEST(StackLimit, DeeperNestingWarnsOnceAndAbandons) {
  AnalysisSeen seen = analyse_source(nested_parentheses(500));
  EXPECT_FALSE(seen.accepted);
  ASSERT_EQ(seen.warnings.size(), 1u) << seen.diagnostics;
  EXPECT_EQ(seen.warnings[0].substr(0, 2), "2:");
  EXPECT_EQ(unit_summaries(seen), Strings{});
}

TEST(StackLimit, NextFileStartsFromItsOwnFirstByteWithoutStaleState) {
  // The overflow leaves a subunit prefix, a nesting entry and more than a
  // buffer's worth of unread bytes behind.
  std::string first =
      "with Stale;\nseparate (Parent)\nprocedure R is\n   X : Integer := " + std::string(600, '(') +
      "1" + std::string(600, ')') + ";\nbegin\n";
  while (first.size() < 40000) first += "   Stale_Call;\n";
  first += "end R;\n";
  AnalysisSeen abandoned = analyse_source(first);
  EXPECT_FALSE(abandoned.accepted);
  EXPECT_EQ(abandoned.warnings.size(), 1u) << abandoned.diagnostics;

  AnalysisSeen next = analyse_source("procedure Main;\nprocedure Other;\n");
  EXPECT_TRUE(next.accepted);
  EXPECT_EQ(next.diagnostics, "");
  ASSERT_EQ(unit_summaries(next), (Strings{"Main SPEC", "Other SPEC"}));
  EXPECT_EQ(next.units[0].flags, UNIT_DECLARATION | UNIT_PROCEDURE);
  EXPECT_EQ(next.units[0].line, 1);
  EXPECT_EQ(next.units[0].column, 15);
  EXPECT_EQ(next.units[0].with_names, Strings{});
}

}  // namespace
