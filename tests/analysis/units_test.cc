// Unit recognition: which library units a file yields, with their full
// names, kinds, construct bits, end positions, with-names and renaming
// targets; and the state the recogniser keeps between files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "analysis_helper.h"

namespace {

using Strings = std::vector<std::string>;
using Units = std::vector<UnitSeen>;

constexpr uint32_t kPackageSpec = UNIT_DECLARATION | UNIT_PACKAGE;
constexpr uint32_t kPackageBody = UNIT_BODY_PART | UNIT_PACKAGE;

UnitSeen unit(std::string name, std::string kind, uint32_t flags, int64_t line, int64_t column,
              Strings with_names = {}, std::string renaming_target = {}) {
  return {std::move(name),       std::move(kind),           flags, line, column,
          std::move(with_names), std::move(renaming_target)};
}

struct UnitCase {
  const char* name;
  std::string source;
  Units expected;
};

std::string case_name(const testing::TestParamInfo<UnitCase>& info) { return info.param.name; }

class Recognition : public testing::TestWithParam<UnitCase> {};

TEST_P(Recognition, YieldsTheLibraryUnits) {
  const UnitCase& c = GetParam();
  AnalysisSeen seen = analyse_source(c.source);
  EXPECT_EQ(seen.diagnostics, "");
  EXPECT_TRUE(seen.accepted);
  EXPECT_EQ(seen.units, c.expected) << c.source;
  // A parse that completes every construct leaves the recogniser balanced.
  EXPECT_EQ(nesting_depth(), 0);
  EXPECT_EQ(nesting_entry_count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, Recognition,
    testing::Values(
        UnitCase{"EmptyFile", "", {}},
        UnitCase{"OnlyPragmas", "pragma Ada_95;\npragma Restrictions (No_Tasking);\n", {}},
        UnitCase{"PackageSpecWithNestedProcedure",
                 "package P is\n   procedure Q;\nend P;\n",
                 {unit("P", "SPEC", kPackageSpec, 3, 6)}},
        UnitCase{"ChildPackageBody",
                 "package body A.B is\nend A.B;\n",
                 {unit("A.B", "BODY", kPackageBody | UNIT_CHILD, 2, 8)}},
        UnitCase{"MainProcedure",
                 "procedure Main is\nbegin\n   null;\nend Main;\n",
                 {unit("Main", "PROC", UNIT_BODY_PART | UNIT_PROCEDURE, 4, 9)}},
        UnitCase{"ProcedureSpec",
                 "procedure Main;\n",
                 {unit("Main", "SPEC", UNIT_DECLARATION | UNIT_PROCEDURE, 1, 15)}},
        UnitCase{"FunctionSpec",
                 "function F (X : Integer) return Integer;\n",
                 {unit("F", "SPEC", UNIT_DECLARATION | UNIT_FUNCTION, 1, 40)}},
        UnitCase{"FunctionBody",
                 "function F return Integer is\nbegin\n   return 1;\nend F;\n",
                 {unit("F", "PROC", UNIT_BODY_PART | UNIT_FUNCTION, 4, 6)}},
        UnitCase{"ChildProcedureBody",
                 "procedure A.B.Run is\nbegin\n   null;\nend A.B.Run;\n",
                 {unit("A.B.Run", "PROC", UNIT_BODY_PART | UNIT_PROCEDURE | UNIT_CHILD, 4, 12)}},
        UnitCase{"PrivateChildPackage",
                 "private package P.C is\nend P.C;\n",
                 {unit("P.C", "SPEC", kPackageSpec | UNIT_CHILD, 2, 8)}},
        UnitCase{"PackageWithAspectAndPrivatePart",
                 "package P with Preelaborate is\nprivate\n   X : "
                 "Integer;\nend P;\n",
                 {unit("P", "SPEC", kPackageSpec, 4, 6)}},
        UnitCase{"LetterCaseKept",
                 "PACKAGE My_Pkg IS END MY_PKG;\n",
                 {unit("My_Pkg", "SPEC", kPackageSpec, 1, 29)}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Subunits, Recognition,
    testing::Values(
        UnitCase{"Procedure",
                 "separate (P)\nprocedure R is\nbegin\n   null;\nend R;\n",
                 {unit("P.R", "PROC", UNIT_BODY_PART | UNIT_PROCEDURE | UNIT_SUBUNIT, 5, 6)}},
        UnitCase{"TaskBody",
                 "separate (P)\ntask body T is\nbegin\n   null;\nend T;\n",
                 {unit("P.T", "BODY", UNIT_BODY_PART | UNIT_TASK | UNIT_SUBUNIT, 5, 6)}},
        // In subunit mode the dotted name is not a child.
        UnitCase{"PackageBodyOfChildParent",
                 "separate (A.B)\npackage body C is\nend C;\n",
                 {unit("A.B.C", "BODY", kPackageBody | UNIT_SUBUNIT, 3, 6)}},
        UnitCase{"ProtectedBody",
                 "separate (P)\nprotected body PO is\n"
                 "   procedure Op is\n   begin\n      null;\n   end Op;\nend PO;\n",
                 {unit("P.PO", "BODY", UNIT_BODY_PART | UNIT_PROTECTED | UNIT_SUBUNIT, 7, 7)}},
        UnitCase{"PrefixEndsWithTheSubunit",
                 "separate (P)\nprocedure R is\nbegin\n   null;\nend R;\n"
                 "separate (Q)\nprocedure S is\nbegin\n   null;\nend S;\nprocedure "
                 "T;\n",
                 {unit("P.R", "PROC", UNIT_BODY_PART | UNIT_PROCEDURE | UNIT_SUBUNIT, 5, 6),
                  unit("Q.S", "PROC", UNIT_BODY_PART | UNIT_PROCEDURE | UNIT_SUBUNIT, 10, 6),
                  unit("T", "SPEC", UNIT_DECLARATION | UNIT_PROCEDURE, 11, 12)}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    GenericsAndInstances, Recognition,
    testing::Values(
        // Recorded by its package specification, positioned by the generic's
        // ";".
        UnitCase{"GenericPackage",
                 "generic\n   type T is private;\npackage G is\nend G;\n",
                 {unit("G", "SPEC", kPackageSpec, 4, 6)}},
        UnitCase{"GenericPackageWithFormalPackage",
                 "generic\n   with package PP is new G (<>);\n"
                 "   with function \"<\" (L, R : T) return Boolean is <>;\n"
                 "package H is\nend H;\n",
                 {unit("H", "SPEC", kPackageSpec, 5, 6)}},
        UnitCase{"GenericProcedure",
                 "generic\n   with procedure Step;\nprocedure G;\n",
                 {unit("G", "SPEC", UNIT_GENERIC | UNIT_DECLARATION | UNIT_PROCEDURE, 3, 12)}},
        UnitCase{"PackageInstantiation",
                 "package I is new G (Integer);\n",
                 {unit("I", "SPEC", UNIT_INSTANCE | UNIT_PACKAGE, 1, 29)}},
        UnitCase{"ProcedureInstantiation",
                 "procedure I is new G (T);\n",
                 {unit("I", "SPEC", UNIT_INSTANCE | UNIT_BODY_PART | UNIT_PROCEDURE, 1, 25)}},
        UnitCase{"FunctionInstantiation",
                 "function F is new G;\n",
                 {unit("F", "SPEC", UNIT_INSTANCE | UNIT_BODY_PART | UNIT_FUNCTION, 1, 20)}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Renamings, Recognition,
    testing::Values(
        UnitCase{
            "Package",
            "package R renames P.Q;\n",
            {unit("R", "SPEC", UNIT_DECLARATION | UNIT_RENAMING | UNIT_PACKAGE, 1, 22, {}, "P.Q")}},
        UnitCase{"Procedure",
                 "procedure Q renames P.X;\n",
                 {unit("Q", "SPEC", UNIT_DECLARATION | UNIT_RENAMING | UNIT_PROCEDURE, 1, 24, {},
                       "P.X")}},
        UnitCase{"GenericPackage",
                 "generic package GR renames G;\n",
                 {unit("GR", "SPEC", UNIT_GENERIC | UNIT_RENAMING | UNIT_PACKAGE, 1, 29, {}, "G")}},
        UnitCase{
            "GenericProcedure",
            "generic procedure GP renames G;\n",
            {unit("GP", "SPEC", UNIT_GENERIC | UNIT_DECLARATION | UNIT_RENAMING | UNIT_PROCEDURE, 1,
                  31, {}, "G")}},
        // The reserved word after a tick has no text of its own.
        UnitCase{"TargetWithAttribute",
                 "function F return T renames Pkg.Obj'Access;\n",
                 {unit("F", "SPEC", UNIT_DECLARATION | UNIT_RENAMING | UNIT_FUNCTION, 1, 43, {},
                       "Pkg.Obj'access")}},
        UnitCase{"TargetDropsIndexing",
                 "procedure Q renames Table (1).Op;\n",
                 {unit("Q", "SPEC", UNIT_DECLARATION | UNIT_RENAMING | UNIT_PROCEDURE, 1, 33, {},
                       "Table.Op")}},
        UnitCase{"TargetWithOperatorSymbol",
                 "function Plus (L, R : T) return T renames P.\"+\";\n",
                 {unit("Plus", "SPEC", UNIT_DECLARATION | UNIT_RENAMING | UNIT_FUNCTION, 1, 48, {},
                       "P.\"+\"")}},
        // A character literal's text is its apostrophe.
        UnitCase{"TargetWithCharacterLiteral",
                 "function A return Character renames P.'a';\n",
                 {unit("A", "SPEC", UNIT_DECLARATION | UNIT_RENAMING | UNIT_FUNCTION, 1, 42, {},
                       "P.'")}},
        UnitCase{"TargetWithAll",
                 "procedure Q renames Ptr.all.Op;\n",
                 {unit("Q", "SPEC", UNIT_DECLARATION | UNIT_RENAMING | UNIT_PROCEDURE, 1, 31, {},
                       "Ptr.all.Op")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    WithClauses, Recognition,
    testing::Values(
        UnitCase{"InSourceOrder",
                 "with A, B.C;\nwith D;\nprocedure P;\n",
                 {unit("P", "SPEC", UNIT_DECLARATION | UNIT_PROCEDURE, 3, 12, {"A", "B.C", "D"})}},
        UnitCase{"ProcedureBody",
                 "with Ada.Text_IO; use Ada.Text_IO;\nprocedure Main "
                 "is\nbegin\n   null;\nend Main;\n",
                 {unit("Main", "PROC", UNIT_BODY_PART | UNIT_PROCEDURE, 5, 9, {"Ada.Text_IO"})}},
        UnitCase{"LimitedPrivate",
                 "limited private with A.B;\nprocedure P;\n",
                 {unit("P", "SPEC", UNIT_DECLARATION | UNIT_PROCEDURE, 2, 12, {"A.B"})}},
        UnitCase{"OnlyProceduresTakeThem",
                 "with A;\nfunction F return T;\n",
                 {unit("F", "SPEC", UNIT_DECLARATION | UNIT_FUNCTION, 2, 20)}},
        // Names no procedure took stay pending for the next one in the file.
        UnitCase{"PendingAcrossUnits",
                 "with A;\npackage P is\nend P;\nwith B;\nprocedure Q;\n",
                 {unit("P", "SPEC", kPackageSpec, 3, 6),
                  unit("Q", "SPEC", UNIT_DECLARATION | UNIT_PROCEDURE, 5, 12, {"A", "B"})}},
        UnitCase{"NestedProcedureTakesThem",
                 "with A;\npackage P is\n   procedure Inner;\nend P;\nprocedure "
                 "Q;\n",
                 {unit("P", "SPEC", kPackageSpec, 4, 6),
                  unit("Q", "SPEC", UNIT_DECLARATION | UNIT_PROCEDURE, 5, 12)}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Nesting, Recognition,
    testing::Values(UnitCase{"SeveralUnitsInSourceOrder",
                             "package Alpha is\nend Alpha;\npackage body Alpha is\nend Alpha;\n"
                             "procedure beta_Main is\nbegin\n   null;\nend beta_Main;\n",
                             {unit("Alpha", "SPEC", kPackageSpec, 2, 10),
                              unit("Alpha", "BODY", kPackageBody, 4, 10),
                              unit("beta_Main", "PROC", UNIT_BODY_PART | UNIT_PROCEDURE, 8, 14)}},
                    UnitCase{"TasksAndProtectedInSpec",
                             "package P is\n   task T;\n   task type TT is\n      entry "
                             "E;\n   end TT;\n"
                             "   protected PO is\n      procedure Op;\n      function F "
                             "return Integer;\n"
                             "   private\n      X : Integer;\n   end PO;\n"
                             "   protected type PT (D : Integer) is\n      entry E;\n   "
                             "end PT;\n"
                             "   procedure After;\nend P;\n",
                             {unit("P", "SPEC", kPackageSpec, 16, 6)}},
                    UnitCase{"BodiesStubsAndBlocksInBody",
                             "package body P is\n"
                             "   task body T is\n   begin\n      null;\n   end T;\n"
                             "   protected body PO is\n"
                             "      procedure Op is\n      begin\n         null;\n      end "
                             "Op;\n"
                             "      function F return Integer;\n"
                             "      entry E when True is\n      begin\n         null;\n      "
                             "end E;\n"
                             "   end PO;\n"
                             "   procedure Q is separate;\n   package body N is separate;\n"
                             "   task body U is separate;\n   protected body V is separate;\n"
                             "   package I is new G;\n   procedure J is new G;\n"
                             "begin\n   declare\n      procedure K is\n      begin\n         "
                             "null;\n"
                             "      end K;\n   begin\n      null;\n   end;\nend P;\n",
                             {unit("P", "BODY", kPackageBody, 32, 6)}},
                    UnitCase{"AbstractSubprogramInSpec",
                             "package P is\n   procedure Q is abstract;\n   function F "
                             "return T is abstract;\n"
                             "end P;\n",
                             {unit("P", "SPEC", kPackageSpec, 4, 6)}},
                    UnitCase{"NestedPackageDoesNotMoveEarlierRecord",
                             "package A is end A;\npackage P is\n   package Inner is\n   "
                             "end Inner;\nend P;\n",
                             {unit("A", "SPEC", kPackageSpec, 1, 19),
                              unit("P", "SPEC", kPackageSpec, 5, 6)}},
                    UnitCase{"OperatorInsidePackage",
                             "package P is\n   function \"+\" (L, R : T) return T;\nend P;\n",
                             {unit("P", "SPEC", kPackageSpec, 3, 6)}},
                    UnitCase{"SubprogramBodyWithNestedUnits",
                             "procedure Main is\n   procedure Inner;\n"
                             "   procedure Inner is\n   begin\n      null;\n   end Inner;\n"
                             "   package Local is\n   end Local;\nbegin\n   null;\nend Main;\n",
                             {unit("Main", "PROC", UNIT_BODY_PART | UNIT_PROCEDURE, 11, 9)}}),
    case_name);

TEST(OperatorSymbol, LibraryLevelFunctionIsNotRecorded) {
  AnalysisSeen seen = analyse_source("function \"+\" (L, R : T) return T;\n");
  EXPECT_EQ(seen.diagnostics, "Error unit.ada:1: operator not allowed at library level\n");
  EXPECT_EQ(seen.units, Units{});
}

TEST(Recovery, RecordsBeforeAnErrorStayAndNothingAfterIt) {
  AnalysisSeen seen =
      analyse_source("package A is end A;\npackage P is begin end;\npackage B is end B;\n");
  EXPECT_FALSE(seen.accepted);
  EXPECT_EQ(unit_summaries(seen), Strings{"A SPEC"});
}

TEST(Recovery, ErrorInBodyKeepsThatUnitAndLaterOnes) {
  AnalysisSeen seen =
      analyse_source("procedure P is\nbegin\n   requeue := 1;\nend P;\nprocedure Q;\n");
  EXPECT_TRUE(seen.accepted);
  EXPECT_EQ(seen.warnings, Strings{"3:12"});
  EXPECT_EQ(seen.units, (Units{unit("P", "PROC", UNIT_BODY_PART | UNIT_PROCEDURE, 4, 6),
                               unit("Q", "SPEC", UNIT_DECLARATION | UNIT_PROCEDURE, 5, 12)}));
}

// Nothing a file leaves behind, even when its parse was abandoned, reaches
// the next file.
TEST(StateBetweenFiles, AbandonedSubunitLeavesNoPrefix) {
  AnalysisSeen abandoned = analyse_source("separate (Parent)\nprocedure R is\n   X Y;\n");
  EXPECT_FALSE(abandoned.accepted);
  EXPECT_EQ(abandoned.warnings, Strings{"3:6"});
  AnalysisSeen next = analyse_source("procedure Main;\n");
  EXPECT_EQ(next.units, Units{unit("Main", "SPEC", UNIT_DECLARATION | UNIT_PROCEDURE, 1, 15)});
}

TEST(StateBetweenFiles, UntakenWithNamesStayInTheirFile) {
  analyse_source("with A;\npackage P is\nend P;\n");
  AnalysisSeen next = analyse_source("procedure Q;\n");
  EXPECT_EQ(next.units, Units{unit("Q", "SPEC", UNIT_DECLARATION | UNIT_PROCEDURE, 1, 12)});
}

TEST(StateBetweenFiles, AbandonedNestingIsReleased) {
  analyse_source("package P is\n   package Q is\n      procedure R is\n");
  EXPECT_GT(nesting_entry_count(), 0);
  analyse_source("");
  EXPECT_EQ(nesting_entry_count(), 0);
  EXPECT_EQ(nesting_depth(), 0);
}

TEST(Records, CarryFileNameAndDirectoryText) {
  std::string path = scratch_path("records.ads");
  write_file(path, "package P is end P;\n");
  for (const char* directory : {"/src/lib", static_cast<const char*>(nullptr)}) {
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    FileAnalysis analysis = test_analyser().analyse_stream(file, "p.ads", directory);
    std::fclose(file);
    ASSERT_NE(analysis.units, nullptr);
    EXPECT_STREQ(analysis.units->file_name, "p.ads");
    EXPECT_STREQ(analysis.units->simple_name, "P");
    if (directory)
      EXPECT_STREQ(analysis.units->directory, directory);
    else
      EXPECT_EQ(analysis.units->directory, nullptr);
    release_unit_list(analysis.units);
  }
  std::remove(path.c_str());
}

TEST(Records, SimpleNameOfSubunitIsItsOwnName) {
  std::string path = scratch_path("subunit.adb");
  write_file(path, "separate (A.B)\nprocedure C is\nbegin\n   null;\nend C;\n");
  FILE* file = std::fopen(path.c_str(), "rb");
  ASSERT_NE(file, nullptr);
  FileAnalysis analysis = test_analyser().analyse_stream(file, "subunit.adb");
  std::fclose(file);
  ASSERT_NE(analysis.units, nullptr);
  EXPECT_STREQ(analysis.units->full_name, "A.B.C");
  EXPECT_STREQ(analysis.units->simple_name, "C");
  release_unit_list(analysis.units);
  std::remove(path.c_str());
}

TEST(KindText, NamesEachKind) {
  CompilationUnit record{};
  const std::pair<int32_t, const char*> kinds[] = {
      {0, "SPEC"}, {1, "BODY"}, {2, "PROC"}, {3, "<UNKOWN>"}, {-1, "<UNKOWN>"}};
  for (auto [kind, text] : kinds) {
    record.kind = kind;
    EXPECT_STREQ(unit_kind_text(record), text) << kind;
  }
}

TEST(AnalyseFile, UnreadableFileIsReportedAndYieldsNothing) {
  FileAnalysis analysis = test_analyser().analyse({"/nonexistent/dir/x.ads"});
  EXPECT_EQ(printed(analysis), "Error : can't open file \"/nonexistent/dir/x.ads\"\n");
  EXPECT_EQ(analysis.units, nullptr);
  EXPECT_FALSE(analysis.opened);
}

TEST(AnalyseFile, ObservesTheTimeOfTheFileItRead) {
  std::string path = scratch_path("timed.ads");
  write_file(path, "package Timed is end Timed;\n");
  struct timespec times[2] = {{1000000000, 0}, {1234567890, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  FileAnalysis analysis = test_analyser().analyse({path.c_str()});
  CompilationUnit* units = analysis.units;
  EXPECT_TRUE(analysis.opened);
  EXPECT_EQ(analysis.modified, 1234567890);
  ASSERT_NE(units, nullptr);
  EXPECT_STREQ(units->full_name, "Timed");
  EXPECT_STREQ(units->file_name, path.c_str());
  release_unit_list(units);
  std::remove(path.c_str());
}

// Everything but the records is released per file: analysing the same
// sources again and again must not make the heap grow.
TEST(Memory, RepeatedAnalysisDoesNotGrow) {
  std::string corpus;
  for (int i = 0; i < 300; ++i) {
    std::string n = std::to_string(i);
    corpus += "with Ada.Text_IO, Lib" + n + ";\npackage body P" + n + " is\n" +
              "   procedure Q is\n   begin\n      Ada.Text_IO.Put_Line (\"" + n + "\");\n" +
              "      requeue := 1;\n   end Q;\n   package I is new G "
              "(X'Access);\nend P" +
              n + ";\n";
  }
  const std::string sources[] = {
      corpus,
      "separate (Parent)\nprocedure R is\n   X : Integer := " + std::string(600, '(') + "1;\n",
      "with A;\npackage P is\n   package Q is\n      procedure R is\n"};
  auto analyse_all = [&] {
    for (const std::string& source : sources) {
      analyse_source(source);
      EXPECT_EQ(arena_bytes_in_use(), 0u);
    }
  };
  analyse_all();
  size_t before = mallinfo2().uordblks;
  for (int round = 0; round < 10; ++round) analyse_all();
  size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, before + 16 * 1024) << "heap in use grew from " << before << " to " << after;
}

}  // namespace
