// The modern analysis: each construct that Ada 2005, 2012 and 2022 add, at
// library level and nested, yields the library units and no warning; GNAT in
// Ada 2022 mode, where installed, agrees with every expectation it can
// compile. Errors warn in the modern words and keep what was recognised.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "analysis_helper.h"
#include "gnat_helper.h"

namespace {

using Strings = std::vector<std::string>;

struct Construct {
  const char* name;
  std::string source;
  Strings units;            // "Name KIND"
  bool gnat_12_knows = true;  // GNAT 12 does not parse parallel constructs yet
  std::string gnat_switches = "";  // beyond -gnat2022: -gnatW8 (UTF-8), -gnatX (extensions)
};

// Units nested `depth` deep in each of the three ways GNAT takes far beyond
// the Ada 95 parser's fixed stack.
std::string nested_packages(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "package P" + std::to_string(i) + " is\n";
  for (int i = depth; i-- > 0;) text += "end P" + std::to_string(i) + ";\n";
  return text;
}
std::string nested_blocks(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "declare begin\n";
  text += "null;\n";
  for (int i = 0; i < depth; ++i) text += "end;\n";
  return text;
}
std::string nested_parentheses(int depth) {
  return std::string(depth, '(') + "1" + std::string(depth, ')');
}

std::string case_name(const testing::TestParamInfo<Construct>& info) { return info.param.name; }
void PrintTo(const Construct& c, std::ostream* out) { *out << c.name; }

class Ada2022Construct : public testing::TestWithParam<Construct> {};

TEST_P(Ada2022Construct, YieldsTheLibraryUnitsWithoutWarning) {
  const Construct& c = GetParam();
  AnalysisSeen seen = analyse_source(c.source, AdaMode::kAda2022);
  EXPECT_EQ(seen.diagnostics, "");
  EXPECT_TRUE(seen.accepted);
  EXPECT_EQ(unit_summaries(seen), c.units) << c.source;
  EXPECT_EQ(nesting_depth(AdaMode::kAda2022), 0);
  EXPECT_EQ(nesting_entry_count(AdaMode::kAda2022), 0);
}

// The file GNAT expects the first unit in: a.b SPEC in a-b.ads.
std::string gnat_file_name(const Strings& units) {
  std::string name = units.front().substr(0, units.front().find(' '));
  for (char& c : name) c = c == '.' ? '-' : static_cast<char>(std::tolower(c));
  return name + (units.front().ends_with(" SPEC") ? ".ads" : ".adb");
}

TEST_P(Ada2022Construct, GnatAgrees) {
  const Construct& c = GetParam();
  if (!c.gnat_12_knows) GTEST_SKIP() << "GNAT 12 does not parse this construct yet";
  if (!gnat::available()) GTEST_SKIP() << "GNAT (gcc with gnat1) is not installed";
  std::filesystem::path directory = scratch_path(c.name);
  std::filesystem::create_directories(directory);
  std::filesystem::path file = directory / gnat_file_name(c.units);
  write_file(file, c.source);
  gnat::Result gnat = gnat::units_of(file, directory, "-gnat2022 " + c.gnat_switches);
  std::filesystem::remove_all(directory);
  ASSERT_TRUE(gnat.ran) << gnat.output;
  Strings units;
  for (const gnat::Unit& unit : gnat.units) units.push_back(unit.name + " " + unit.kind);
  EXPECT_EQ(units, c.units) << gnat.output;
}

INSTANTIATE_TEST_SUITE_P(
    All, Ada2022Construct,
    testing::Values(
        Construct{"AspectsOnLibraryPackage",
                  "package Lib with Preelaborate, SPARK_Mode => On is\n"
                  "   X : Integer := 0 with Atomic;\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        Construct{"AspectsOnNestedUnits",
                  "package body Outer with SPARK_Mode => Off is\n"
                  "   package Inner with Pure is\n"
                  "      type T is new Integer with Size => 32;\n"
                  "   end Inner;\n"
                  "   procedure Run (X : Integer) with Pre => X > 0, Post => True is\n"
                  "   begin\n"
                  "      null;\n"
                  "   end Run;\n"
                  "end Outer;\n",
                  {"Outer BODY"}},
        Construct{"AspectsOnLibrarySubprogram",
                  "function Lib (X : Integer) return Integer\n"
                  "  with Pre => X > 0, Post => Lib'Result > X, Global => null;\n",
                  {"Lib SPEC"}},
        Construct{"ExpressionFunctionInLibraryPackage",
                  "package Lib is\n"
                  "   function Twice (X : Integer) return Integer is (2 * X);\n"
                  "   function Pair return Integer is (1 + 1) with Inline;\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        Construct{"ExpressionFunctionNested",
                  "procedure Lib is\n"
                  "   function Twice (X : Integer) return Integer is (2 * X);\n"
                  "   package Inner is\n"
                  "      function Zero return Integer is (0);\n"
                  "   end Inner;\n"
                  "begin\n"
                  "   null;\n"
                  "end Lib;\n",
                  {"Lib PROC"}},
        Construct{"ConditionalExpressionsInLibraryUnit",
                  "package Lib is\n"
                  "   function Max (A, B : Integer) return Integer is (if A > B then A elsif A = B then B else B);\n"
                  "   function Name (X : Integer) return String is\n"
                  "     (case X is when 0 => \"zero\", when 1 .. 9 => \"digit\", when others => \"many\");\n"
                  "   function Sign (X : Integer) return Integer is\n"
                  "     (declare Zero : constant Integer := 0; begin (if X < Zero then -1 else 1));\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        Construct{"QuantifiedExpressionsNested",
                  "package body Outer is\n"
                  "   type Arr is array (1 .. 3) of Integer;\n"
                  "   procedure Check (A : Arr) is\n"
                  "   begin\n"
                  "      pragma Assert (for all X of A => X > 0);\n"
                  "      if (for some I in A'Range => A (I) = 0) then\n"
                  "         null;\n"
                  "      end if;\n"
                  "   end Check;\n"
                  "end Outer;\n",
                  {"Outer BODY"}},
        Construct{"RaiseWithMessageInLibraryProcedure",
                  "procedure Lib (X : Integer) is\n"
                  "   Bad : exception;\n"
                  "begin\n"
                  "   if X < 0 then\n"
                  "      raise Bad with \"negative\";\n"
                  "   end if;\n"
                  "   pragma Assert (X < 10 or else raise Bad with \"large\");\n"
                  "end Lib;\n",
                  {"Lib PROC"}},
        Construct{"RaiseExpressionInNestedContract",
                  "package Lib is\n"
                  "   Bad : exception;\n"
                  "   procedure Run (X : Integer) with Pre => X > 0 or else raise Bad with \"not positive\";\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        Construct{"ExtendedReturnInLibraryFunction",
                  "function Lib return String is\n"
                  "begin\n"
                  "   return S : String (1 .. 3) := \"abc\" with Relaxed_Initialization do\n"
                  "      S (1) := 'x';\n"
                  "   end return;\n"
                  "end Lib;\n",
                  {"Lib PROC"}},
        Construct{"ExtendedReturnNested",
                  "package body Outer is\n"
                  "   function Make return Integer is\n"
                  "   begin\n"
                  "      return R : Integer := 1;\n"
                  "   end Make;\n"
                  "   function Make2 return Integer is\n"
                  "   begin\n"
                  "      return R : constant Integer := 2 do\n"
                  "         null;\n"
                  "      end return;\n"
                  "   end Make2;\n"
                  "end Outer;\n",
                  {"Outer BODY"}},
        Construct{"OverridingIndicators",
                  "package Lib is\n"
                  "   type T is tagged null record;\n"
                  "   procedure P (X : T);\n"
                  "   type D is new T with null record;\n"
                  "   overriding procedure P (X : D);\n"
                  "   not overriding procedure Q (X : D);\n"
                  "   overriding function \"=\" (L, R : D) return Boolean is (True);\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        Construct{"OverridingNested",
                  "package body Outer is\n"
                  "   package Inner is\n"
                  "      type T is tagged null record;\n"
                  "      procedure P (X : T) is null;\n"
                  "      type D is new T with null record;\n"
                  "      overriding procedure P (X : D);\n"
                  "   end Inner;\n"
                  "   package body Inner is\n"
                  "      overriding procedure P (X : D) is\n"
                  "      begin\n"
                  "         null;\n"
                  "      end P;\n"
                  "   end Inner;\n"
                  "end Outer;\n",
                  {"Outer BODY"}},
        Construct{"NullProcedureAtLibraryLevel",
                  "procedure Lib is null;\n",
                  {"Lib SPEC"}},
        Construct{"NullProcedureNested",
                  "package Lib is\n"
                  "   procedure Ignore (X : Integer) is null;\n"
                  "   procedure Skip is null with Inline;\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        Construct{"BracketAndDeltaAggregates",
                  "package Lib is\n"
                  "   type Arr is array (Positive range <>) of Integer;\n"
                  "   type Rec is record A, B : Integer; end record;\n"
                  "   None : constant Arr := [];\n"
                  "   Three : constant Arr := [1, 2, 3];\n"
                  "   Squares : constant Arr := [for I in 1 .. 4 => I * I];\n"
                  "   Base : constant Rec := (A => 1, B => 2);\n"
                  "   Moved : constant Rec := (Base with delta B => 3);\n"
                  "   Fixed : constant Arr := [Three with delta 1 => 0];\n"
                  "   Sum : constant Integer := [for I in 1 .. 4 => I]'Reduce (\"+\", 0);\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        Construct{"BracketAggregatesNested",
                  "procedure Lib is\n"
                  "   type Arr is array (1 .. 2) of Integer;\n"
                  "   procedure Inner is\n"
                  "      A : Arr := [others => 0];\n"
                  "   begin\n"
                  "      A := [A with delta 2 => 5];\n"
                  "   end Inner;\n"
                  "begin\n"
                  "   null;\n"
                  "end Lib;\n",
                  {"Lib PROC"}},
        Construct{"TargetName",
                  "procedure Lib is\n"
                  "   Count : Integer := 0;\n"
                  "   procedure Inner is\n"
                  "   begin\n"
                  "      Count := @ + 1;\n"
                  "   end Inner;\n"
                  "begin\n"
                  "   Count := @ * 2 + @;\n"
                  "end Lib;\n",
                  {"Lib PROC"}},
        Construct{"ForOfIterators",
                  "procedure Lib is\n"
                  "   type Arr is array (1 .. 3) of Integer;\n"
                  "   A : Arr := (others => 1);\n"
                  "begin\n"
                  "   for E of A loop\n"
                  "      E := E + 1;\n"
                  "   end loop;\n"
                  "   for E : Integer of reverse A loop\n"
                  "      null;\n"
                  "   end loop;\n"
                  "   for I in A'Range when I > 1 loop\n"
                  "      null;\n"
                  "   end loop;\n"
                  "end Lib;\n",
                  {"Lib PROC"}},
        Construct{"ForOfIteratorsNested",
                  "package body Outer is\n"
                  "   task body Worker is\n"
                  "      A : array (1 .. 2) of Integer := (0, 0);\n"
                  "   begin\n"
                  "      Outer_Loop : for E of A loop\n"
                  "         exit Outer_Loop when E > 0;\n"
                  "      end loop Outer_Loop;\n"
                  "   end Worker;\n"
                  "end Outer;\n",
                  {"Outer BODY"}},
        Construct{"InterfacesAndSynchronized",
                  "package Lib is\n"
                  "   type Shape is limited interface;\n"
                  "   function Area (S : Shape) return Float is abstract;\n"
                  "   type Lockable is synchronized interface;\n"
                  "   type Runner is task interface and Lockable;\n"
                  "   type Guard is protected interface;\n"
                  "   type Square is new Shape with null record;\n"
                  "   overriding function Area (S : Square) return Float is (1.0);\n"
                  "   type Ext is synchronized new Lockable with private;\n"
                  "private\n"
                  "   protected type Ext is new Lockable with\n"
                  "      procedure Lock;\n"
                  "   end Ext;\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        Construct{"InterfacesNested",
                  "package body Outer is\n"
                  "   package Inner is\n"
                  "      type I is interface;\n"
                  "      type J is interface and I;\n"
                  "      task type T is new I with\n"
                  "         entry Start;\n"
                  "      end T;\n"
                  "   end Inner;\n"
                  "   package body Inner is\n"
                  "      task body T is\n"
                  "      begin\n"
                  "         accept Start;\n"
                  "      end T;\n"
                  "   end Inner;\n"
                  "end Outer;\n",
                  {"Outer BODY"}},
        Construct{"SubtypePredicates",
                  "package Lib is\n"
                  "   subtype Even is Integer with Dynamic_Predicate => Even mod 2 = 0;\n"
                  "   subtype Small is Integer with Static_Predicate => Small in 1 | 3 | 5 .. 7;\n"
                  "   type Pos is new Integer with Static_Predicate => Pos > 0, Default_Value => 1;\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        Construct{"SubtypePredicatesNested",
                  "procedure Lib is\n"
                  "   package Inner is\n"
                  "      subtype Letter is Character with Static_Predicate => Letter in 'a' .. 'z' | 'A' .. 'Z';\n"
                  "   end Inner;\n"
                  "begin\n"
                  "   null;\n"
                  "end Lib;\n",
                  {"Lib PROC"}},
        Construct{"GenericWithModernFormals",
                  "generic\n"
                  "   type T is private;\n"
                  "   type Index is (<>) or use Integer;\n"
                  "   with function \"=\" (L, R : T) return Boolean is <>;\n"
                  "   with procedure Visit (X : T) is null;\n"
                  "package Lib with Pure is\n"
                  "   function Same (X : T) return T is (X);\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        Construct{"InstantiationWithAspects",
                  "with Lib;\n"
                  "package Inst is new Lib (Integer) with Preelaborate;\n",
                  {"Inst SPEC"}},
        Construct{"RenamingWithAspects",
                  "with Ada.Text_IO;\n"
                  "package Lib renames Ada.Text_IO with Obsolescent;\n",
                  {"Lib SPEC"}},
        Construct{"ObjectRenamingWithoutSubtype",
                  "procedure Lib is\n"
                  "   X : Integer := 1;\n"
                  "   Y renames X;\n"
                  "begin\n"
                  "   Y := 2;\n"
                  "end Lib;\n",
                  {"Lib PROC"}},
        Construct{"SubunitWithAspects",
                  "separate (Outer)\n"
                  "procedure Run (X : Integer) with SPARK_Mode is\n"
                  "begin\n"
                  "   null;\n"
                  "end Run;\n",
                  {"Outer.Run PROC"}},
        Construct{"UseAllTypeAndLimitedPrivateWith",
                  "limited private with Ada.Text_IO;\n"
                  "with Ada.Strings.Unbounded; use all type Ada.Strings.Unbounded.Unbounded_String;\n"
                  "package Lib is\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        Construct{"ParallelLoopsAndBlock",
                  "procedure Lib is\n"
                  "   X : Integer := 0;\n"
                  "begin\n"
                  "   parallel for I in 1 .. 10 loop\n"
                  "      null;\n"
                  "   end loop;\n"
                  "   parallel (4) for E of Some_Array loop\n"
                  "      null;\n"
                  "   end loop;\n"
                  "   parallel do\n"
                  "      X := 1;\n"
                  "   and\n"
                  "      null;\n"
                  "   end do;\n"
                  "end Lib;\n",
                  {"Lib PROC"},
                  false},
        Construct{"ParallelNested",
                  "package body Outer is\n"
                  "   function Sum return Integer is\n"
                  "     ([parallel for I in 1 .. 3 => I]'Reduce (\"+\", 0));\n"
                  "   procedure Run is\n"
                  "   begin\n"
                  "      parallel (Chunk in 1 .. 2) for I in 1 .. 10 loop\n"
                  "         null;\n"
                  "      end loop;\n"
                  "   end Run;\n"
                  "end Outer;\n",
                  {"Outer BODY"},
                  false},
        Construct{"ParallelAsAName",
                  "package Parallel is\n"
                  "   Parallel : Integer := 1;\n"
                  "   Next : Integer := Parallel + 1;\n"
                  "end Parallel;\n",
                  {"Parallel SPEC"}},
        // GNAT: Lib (spec).
        Construct{"AspectsOnParameters",
                  "package Lib is\n"
                  "   procedure P (X : Integer with Unreferenced; Y : in out Integer := 0 with Unreferenced);\n"
                  "   function F (A : access Integer with Unreferenced) return Integer;\n"
                  "   type Callback is access procedure (X : Integer with Unreferenced);\n"
                  "   type Func is access function (X : Integer := 1 with Unreferenced) return Integer;\n"
                  "   task type T is\n"
                  "      entry E (X : Integer with Unreferenced);\n"
                  "      entry Family (1 .. 2) (Y : Integer with Unreferenced);\n"
                  "   end T;\n"
                  "   generic\n"
                  "      with procedure G (X : Integer with Unreferenced);\n"
                  "   package Gen is end Gen;\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        // GNAT: Outer (body).
        Construct{"AspectsOnParametersNested",
                  "package body Outer is\n"
                  "   task body T is\n"
                  "   begin\n"
                  "      accept E (X : Integer with Unreferenced) do\n"
                  "         null;\n"
                  "      end E;\n"
                  "      accept Family (1) (Y : Integer with Unreferenced);\n"
                  "   end T;\n"
                  "   procedure P (X : not null access Integer with Unreferenced) is\n"
                  "   begin\n"
                  "      null;\n"
                  "   end P;\n"
                  "end Outer;\n",
                  {"Outer BODY"}},
        // GNAT: Lib (spec), Main (body).
        Construct{"PragmaNamedByReservedWord",
                  "package Lib is\n"
                  "   procedure F;\n"
                  "   pragma Interface (C, F);\n"
                  "end Lib;\n"
                  "pragma Interface (Ada, Lib);\n"
                  "procedure Main is\n"
                  "   procedure G;\n"
                  "   pragma Interface (C, G);\n"
                  "begin\n"
                  "   G;\n"
                  "end Main;\n",
                  {"Lib SPEC", "Main PROC"}},
        // GNAT: Lib (body).
        Construct{"ParallelAsCalledName",
                  "procedure Lib is\n"
                  "   type Arr is array (1 .. 3) of Integer;\n"
                  "   Parallel : Arr := (others => 0);\n"
                  "   procedure Run (N : Integer) is null;\n"
                  "   package Inner is\n"
                  "      procedure Parallel (N : Integer) is null;\n"
                  "   end Inner;\n"
                  "begin\n"
                  "   Parallel (1) := 2;\n"
                  "   Parallel (2) := Parallel (1) + 1;\n"
                  "   Run (Parallel (3));\n"
                  "   Inner.Parallel (3);\n"
                  "   declare\n"
                  "      procedure Parallel (N : Integer) is null;\n"
                  "   begin\n"
                  "      Parallel (4);\n"
                  "      Parallel (N => 5);\n"
                  "   end;\n"
                  "end Lib;\n",
                  {"Lib PROC"}},
        // GNAT: Caf\xe9 (spec): Latin-1, the name as written.
        Construct{"Latin1Letters",
                  "package Caf\xe9 is\n"
                  "   \xc9t\xe9 : Integer := 1;\n"
                  "   C : Character := '\xe9';\n"
                  "   S : String := \"\xe0 la\";\n"
                  "end CAF\xc9;\n",
                  {"Caf\xe9 SPEC"}},
        // GNAT: Stra\xc3\x9f" "e (spec): UTF-8 after a byte-order mark.
        Construct{"Utf8WithByteOrderMark",
                  "\xef\xbb\xbfpackage Stra\xc3\x9f" "e is\n"
                  "   \xce\xbb : Integer := 1;\n"
                  "   C : Wide_Character := '\xce\xbb';\n"
                  "   S : Wide_String := \"\xce\xb1\xce\xb2\";\n"
                  "   N : Wide_Character := '\xc2\xa0';\n"
                  "   F : Wide_Wide_Character := '\xf0\x9f\x98\x80';\n"
                  "end STRA\xc3\x9f" "E;\n",
                  {"Stra\xc3\x9f" "e SPEC"}},
        // GNAT: Sp (spec): UTF-8 spaces (no-break, em) and line ends (next
        // line, line separator) separate words, also right after a name.
        Construct{"Utf8SpacesAndLineEnds",
                  "\xef\xbb\xbfpackage\xc2\xa0Sp\xc2\xa0is\n"
                  "   X\xc2\xa0: Integer;\xc2\x85   Y\xe2\x80\x83: Integer;\xe2\x80\xa8"
                  "end Sp\xc2\xa0;\n",
                  {"Sp SPEC"}},
        // GNAT with -gnatW8: Caf\xc3\xa9 (spec).
        Construct{"Utf8WithoutMark",
                  "with Ada.Text_IO;\n"
                  "package Caf\xc3\xa9 is\n"
                  "   \xc3\xa9t\xc3\xa9_\xce\xbb : Integer := 1;\n"
                  "end Caf\xc3\xa9;\n",
                  {"Caf\xc3\xa9 SPEC"},
                  true,
                  "-gnatW8"},
        // GNAT: Lib (spec). A wide character in brackets is one character.
        Construct{"BracketNotation",
                  "package Lib is\n"
                  "   X[\"03bb\"] : Integer := 1;\n"
                  "   Y[\"03BB\"]z : Integer := X[\"03BB\"];\n"
                  "   S : Wide_String := \"[\"03B1\"]\";\n"
                  "   C : Wide_Character := '[\"03B1\"]';\n"
                  "   T : String := \"[\" & \"]\";\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        // GNAT: Lib (spec). A string in percent signs ends at its first
        // single percent sign.
        Construct{"OverridingSubunitBody",
                  "separate (Hub)\noverriding\nfunction Size (X : T) return Natural is\n"
                  "begin\n   return 0;\nend Size;\n",
                  {"Hub.Size PROC"}},
        // A pragma may stand before any alternative of a select statement.
        Construct{"PragmasBeforeSelectAlternatives",
                  "procedure Lib is\n   task T is entry E; end T;\n   task body T is\n   begin\n"
                  "      select pragma Page; accept E;\n"
                  "      or pragma Page; terminate; pragma Page;\n      end select;\n"
                  "      select when True => pragma Page; accept E;\n"
                  "      or delay 1.0;\n      end select;\n   end T;\nbegin\n"
                  "   select pragma Page; T.E;\n   or pragma Page; delay 1.0;\n   end select;\n"
                  "   select pragma Page; delay 1.0;\n   then abort null;\n   end select;\n"
                  "end Lib;\n",
                  {"Lib PROC"}},
        // GNAT ends a line, and so a comment, at CR, VT and FF as at LF.
        Construct{"LineEndsOtherThanLineFeed",
                  "package Lib is\r   -- c\r   X : Integer;\f   -- d\f   Y : Integer;\v"
                  "   -- e\vend Lib;",
                  {"Lib SPEC"}},
        Construct{"PercentStrings",
                  "package Lib is\n"
                  "   X : String := %abc%; -- 100%\n"
                  "   Y : String := %a% & %b%%c%;\n"
                  "end Lib;\n",
                  {"Lib SPEC"}},
        // GNAT: Deep1 (spec), Deep2 (body), Deep3 (spec).
        Construct{"DeepNesting",
                  "package Deep1 is\n" + nested_packages(84) + "end Deep1;\n"
                  "procedure Deep2 is\nbegin\n" + nested_blocks(180) + "end Deep2;\n"
                  "package Deep3 is\n   X : Integer := " + nested_parentheses(500) + ";\nend Deep3;\n",
                  {"Deep1 SPEC", "Deep2 PROC", "Deep3 SPEC"}},
        // GNAT 12 rejects ";" in Global; Ada 2022 6.1.2: global_aspect_definition
        // ::= (global_aspect_element {; global_aspect_element}), with
        // global_set ::= global_name {, global_name}, and H.7 (overriding
        // modes, "use"). The 2020 draft of the manual still separates the
        // elements with ",", kept too (procedure S).
        Construct{"GlobalModesSeparatedBySemicolons",
                  "package Lib is\n"
                  "   X, Y, Z : Integer := 0;\n"
                  "   procedure P with Global => (in X; in out Y; out Z);\n"
                  "   procedure Q with Global => (in X, Y; out Z), Nonblocking;\n"
                  "   procedure R with Global => (overriding in X; use P);\n"
                  "   procedure S with Global => (in X, out Z);\n"
                  "end Lib;\n",
                  {"Lib SPEC"},
                  false},
        // GNAT 12 rejects parallel loops; Ada 2022 5.5: parallel
        // [(chunk_specification)] [aspect_specification] for ..., with
        // chunk_specification ::= integer_simple_expression | defining_identifier
        // in discrete_subtype_definition (the 2020 draft has no aspects there).
        Construct{"ChunkSpecificationWithAspects",
                  "procedure Lib is\n"
                  "begin\n"
                  "   parallel (Chunk in 1 .. 4) with Max_Chunk_Count => 4\n"
                  "   for I in 1 .. 100 loop\n"
                  "      null;\n"
                  "   end loop;\n"
                  "   Outer : parallel with Max_Chunk_Count => 2 for I in 1 .. 10 loop\n"
                  "      null;\n"
                  "   end loop Outer;\n"
                  "   parallel (8) for E of Some_Array loop\n"
                  "      null;\n"
                  "   end loop;\n"
                  "end Lib;\n",
                  {"Lib PROC"},
                  false},
        // GNAT with -gnatX: Lib (spec).
        Construct{"FixedLowerBound",
                  "package Lib is\n"
                  "   type Index is range 1 .. 10;\n"
                  "   type Vector is array (Index range 1 .. <>) of Integer;\n"
                  "   type Matrix is array (Index range 1 .. <>, Positive range <>) of Integer;\n"
                  "   subtype Text is String (1 .. <>);\n"
                  "end Lib;\n",
                  {"Lib SPEC"},
                  true,
                  "-gnatX"},
        // GNAT with -gnatX: Lib (spec).
        Construct{"ExpressionDefaultOfFormalFunction",
                  "generic\n"
                  "   type T is private;\n"
                  "   with function Default (X : T) return T is (X);\n"
                  "package Lib is\n"
                  "end Lib;\n",
                  {"Lib SPEC"},
                  true,
                  "-gnatX"},
        // GNAT with -gnatX: Lib (body).
        Construct{"ConditionalRaiseReturnGoto",
                  "function Lib (X : Integer) return Integer is\n"
                  "   Bad : exception;\n"
                  "begin\n"
                  "   raise Bad when X < 0;\n"
                  "   raise Bad with \"large\" when X > 100;\n"
                  "   goto Done when X = 7;\n"
                  "   return 1 when X = 5;\n"
                  "   <<Done>>\n"
                  "   return 0;\n"
                  "end Lib;\n",
                  {"Lib PROC"},
                  true,
                  "-gnatX"}),
    case_name);

struct Damaged {
  const char* name;
  std::string source;
  Strings units;
  Strings warnings;  // "line:column"
};

std::string damaged_name(const testing::TestParamInfo<Damaged>& info) { return info.param.name; }
void PrintTo(const Damaged& c, std::ostream* out) { *out << c.name; }

class Ada2022Recovery : public testing::TestWithParam<Damaged> {};

TEST_P(Ada2022Recovery, WarnsAndKeepsWhatWasRecognised) {
  const Damaged& c = GetParam();
  AnalysisSeen seen = analyse_source(c.source, AdaMode::kAda2022);
  EXPECT_EQ(unit_summaries(seen), c.units) << c.source;
  EXPECT_EQ(seen.warnings, c.warnings) << seen.diagnostics;
}

INSTANTIATE_TEST_SUITE_P(
    All, Ada2022Recovery,
    testing::Values(
        Damaged{"StatementError",
                "procedure A is\nbegin\n   X := ;\nend A;\nprocedure B;\n",
                {"A PROC", "B SPEC"},
                {"3:9"}},
        Damaged{"DeclarationErrorLosesItsUnitOnly",
                "package A is end A;\npackage B is\n   X : := 1;\nend B;\n",
                {"A SPEC"},
                {"3:8"}},
        Damaged{"Ada95WordAsAName",
                "package A is end A;\npackage B is\n   Some : Integer;\nend B;\n",
                {"A SPEC"},
                {"3:4"}},
        // GNAT lists First, Second, Third (and reports the missing operand):
        // the broken unit may be lost, the later ones may not.
        Damaged{"LaterUnitsAfterAnUnmendedError",
                "package First is\n   X : Integer := 1 +;\n   procedure Inner;\nend First;\n"
                "with Ada.Text_IO;\npackage Second is\n   procedure Nested;\nend Second;\n"
                "procedure Third is\nbegin\n   null;\nend Third;\n",
                {"Second SPEC", "Third PROC"},
                {"2:22"}},
        // GNAT lists First (body), Second (body): "end if;" expected. A
        // statement recovery that swallows the rest of the file stops at the
        // next unit; the nested unit after the error is not taken for one.
        Damaged{"LaterUnitsAfterAnErrorThatRecoverySwallows",
                "package body First is\n   procedure Broken is\n   begin\n      if X then\n"
                "         null;\n      end;\n   end Broken;\n   procedure Inner is\n   begin\n"
                "      null;\n   end Inner;\nend First;\n\npackage body Second is\nend Second;\n",
                {"Second BODY"},
                {"6:10"}},
        // GNAT lists A, B (and reports the missing expression). An error
        // that recovery mends keeps its unit: the private part at the start
        // of a line is no next unit.
        Damaged{"MendedErrorBeforeAPrivatePart",
                "package A is\n   type R is record\n      X : Integer := ;\n   end record;\n"
                "private\n   Y : Integer;\nend A;\npackage B is\nend B;\n",
                {"A SPEC", "B SPEC"},
                {"3:22"}},
        // GNAT lists nothing: the body's parent is lost, and "Op" is wrong.
        Damaged{"SubunitBodyWhoseParentIsLost",
                "separate (Hub)\nfoo;\nprocedure Op is begin null; end Op;\n",
                {},
                {"2:1"}},
        // GNAT lists Hub.Op, Other.
        Damaged{"NextUnitAfterABrokenSubunit",
                "separate (Hub)\nprocedure Op is\n   X : Integer := ;\nbegin null; end Op;\n"
                "procedure Other is begin null; end Other;\n",
                {"Other PROC"},
                {"3:19"}},
        // GNAT lists P (Hub.Op): the units after the error are nested.
        Damaged{"NestedUnitsAtLineStartAfterAnError",
                "package body P is\n   X : Integer := 1 +;\n"
                "procedure Inner is begin null; end Inner;\n   Y : Integer;\n"
                "procedure Other is begin null; end Other;\nbegin null; end P;\n",
                {},
                {"2:22", "4:4", "6:1"}},
        Damaged{"NestedUnitAtLineStartInABrokenSubunit",
                "separate (Hub)\nprocedure Op is\n   X : Integer := ;\n"
                "procedure Inner is begin null; end Inner;\nbegin null; end Op;\n",
                {},
                {"3:19", "5:1"}},
        // GNAT lists A. After an error, B stands until the next error; C stands.
        Damaged{"UnitsAfterErrorsBetweenUnits",
                "package A is end A;\nX : Integer;\nprocedure B is begin null; end B;\n"
                "Y : Integer;\nprocedure C is begin null; end C;\n",
                {"A SPEC", "C PROC"},
                {"2:1", "4:1"}},
        // GNAT lists P: a stray "end;" closed F, "end F;" closed P; the error
        // at "end P;" shows it, and Inner, not at a line start, is nested.
        Damaged{"IndentedUnitBeforeAnErrorBetweenUnits",
                "package body P is\n   function F return Integer is\n   begin\n"
                "      return 0;\nend;\n   end F;\n"
                "   procedure Inner is begin null; end Inner;\nend P;\n",
                {"P BODY"},
                {"8:1"}}),
    damaged_name);

// The same modern file: a warning by default, its units in Ada 2022 mode.
TEST(Ada2022Analysis, IsChosenByVersion) {
  const char* source = "function F return Integer is (1) with Inline;\npackage P is end P;\n";
  AnalysisSeen ada95 = analyse_source(source);
  EXPECT_EQ(ada95.warnings, Strings{"1:30"});
  AnalysisSeen ada2022 = analyse_source(source, AdaMode::kAda2022);
  EXPECT_EQ(ada2022.diagnostics, "");
  EXPECT_EQ(unit_summaries(ada2022), Strings{"P SPEC"});
}

}  // namespace
