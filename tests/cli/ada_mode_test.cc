// VANTLINK_ADA: which grammar analyses the files, the mode line of the link
// file, and that a previous link file is reused only by a run of its own mode.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace {

using Env = std::map<std::string, std::string>;

// Modern code, whose unit only the Ada 2022 analysis finds, and a file that
// either grammar reads.
constexpr const char* kModern = "package M is\n   function F return Integer is (1);\nend M;\n";
constexpr const char* kPlain = "package O is end O;\n";

const std::string kAda95Links =
    "--file-info:src/m.ads:1500000001\n"
    "--file-info:src/o.ads:1500000002\n\"src/o.ads\" O SPEC\n";
const std::string kAda2022Links =
    "--ada-mode:2022\n"
    "--file-info:src/m.ads:1500000001\n\"src/m.ads\" M SPEC\n"
    "--file-info:src/o.ads:1500000002\n\"src/o.ads\" O SPEC\n";
const std::string kAda95Warning = "m.ads:2:33: Warning, this file may not be Ada 95 compilable.\n";

class AdaMode : public testing::Test {
 protected:
  void SetUp() override {
    make_directory(scratch_ / "src");
    write_file(scratch_ / "src/m.ads", kModern);
    write_file(scratch_ / "src/o.ads", kPlain);
    set_file_time(scratch_ / "src/m.ads", 1500000001);
    set_file_time(scratch_ / "src/o.ads", 1500000002);
  }

  // `vantlink -s -r links.txt src` with VANTLINK_ADA set to `mode`, or unset
  // when `mode` is null.
  CliResult run(const char* mode) {
    CliCall call{{"-s", "-r", "links.txt", "src"}, {}, {"VANTLINK_ADA"}, scratch_.path()};
    if (mode != nullptr) call.env["VANTLINK_ADA"] = mode;
    return run_vantlink(call);
  }

  std::string links() const { return read_file(scratch_ / "links.txt"); }

  ScratchDir scratch_;
};

// Unset, empty and "95" are the same run, byte for byte; "2022" adds the
// modern unit and the mode line.
TEST_F(AdaMode, ValueChoosesTheGrammar) {
  struct Case {
    const char* value;
    std::string err;
    std::string links;
  };
  const Case cases[] = {{nullptr, kAda95Warning, kAda95Links},
                        {"", kAda95Warning, kAda95Links},
                        {"95", kAda95Warning, kAda95Links},
                        {"2022", "", kAda2022Links}};
  for (const Case& c : cases) {
    std::filesystem::remove(scratch_ / "links.txt");
    CliResult result = run(c.value);
    std::string name = c.value ? c.value : "(unset)";
    EXPECT_EQ(result.status, 0) << name;
    EXPECT_EQ(result.out, "") << name;
    EXPECT_EQ(result.err, c.err) << name;
    EXPECT_EQ(links(), c.links) << name;
  }
}

// A previous link file is reused only by a run of the mode it was written
// in: o.ads changes its unit but not its time, so a run that still shows O
// has reused it.
TEST_F(AdaMode, SwitchingModesAnalysesEverything) {
  struct Case {
    const char* first;
    const char* second;
    bool reused;
  };
  const Case cases[] = {{"2022", "2022", true}, {nullptr, "95", true},   {"", nullptr, true},
                        {nullptr, "2022", false}, {"2022", nullptr, false}, {"2022", "95", false}};
  for (const Case& c : cases) {
    write_file(scratch_ / "src/o.ads", kPlain);
    set_file_time(scratch_ / "src/o.ads", 1500000002);
    ASSERT_EQ(run(c.first).status, 0);
    write_file(scratch_ / "src/o.ads", "package O2 is end O2;\n");
    set_file_time(scratch_ / "src/o.ads", 1500000002);
    ASSERT_EQ(run(c.second).status, 0);
    std::string name = std::string(c.first ? c.first : "(unset)") + " then " +
                       (c.second ? c.second : "(unset)");
    EXPECT_EQ(links().find("\"src/o.ads\" O SPEC\n") != std::string::npos, c.reused) << name;
    EXPECT_EQ(links().find("\"src/o.ads\" O2 SPEC\n") != std::string::npos, !c.reused) << name;
    bool modern = c.second != nullptr && std::string(c.second) == "2022";
    EXPECT_EQ(links().starts_with("--ada-mode:2022\n"), modern) << name;
  }
}

// Only the first line of a link file tells its mode; a mode this program
// does not know is no run's mode.
TEST_F(AdaMode, FirstLineTellsTheModeOfAPreviousFile) {
  struct Case {
    const char* name;
    std::string head;  // lines before the record
    bool reused_by_95;
    bool reused_by_2022;
  };
  const Case cases[] = {
      {"NoModeLine", "", true, false},
      {"Ada2022", "--ada-mode:2022\n", false, true},
      {"UnknownMode", "--ada-mode:2030\n", false, false},
      {"ModeLineNotFirst", "\n--ada-mode:2022\n", true, false},
  };
  for (const Case& c : cases) {
    for (const char* mode : {"95", "2022"}) {
      write_file(scratch_ / "links.txt",
                 c.head + "--file-info:src/o.ads:1500000002\n\"src/o.ads\" Kept SPEC\n");
      ASSERT_EQ(run(mode).status, 0);
      bool reused = std::string(mode) == "95" ? c.reused_by_95 : c.reused_by_2022;
      EXPECT_EQ(links().find("Kept SPEC") != std::string::npos, reused) << c.name << " " << mode;
    }
  }
}

// Any other value ends the run before anything is read or written, with a
// message that names the accepted values.
TEST_F(AdaMode, OtherValueIsAnError) {
  write_file(scratch_ / "links.txt", "old\n");
  for (const char* value : {"2012", "83", " 2022", "2022 ", "ada2022", "Ada_2022"}) {
    CliCall call{{"links.txt", "src"}, {{"VANTLINK_ADA", value}}, {}, scratch_.path()};
    CliResult result = run_vantlink(call);
    EXPECT_EQ(result.status, 7) << value;
    EXPECT_EQ(result.out, "") << value;
    EXPECT_EQ(result.err, "Error : VANTLINK_ADA is \"" + std::string(value) +
                              "\", which is no Ada mode: use \"95\" (the default, also when it "
                              "is unset or empty) or \"2022\".\n")
        << value;
    EXPECT_EQ(links(), "old\n") << value;
  }
  // Only once the options are scanned: -h and -v answer whatever it says.
  for (auto [option, status] : {std::pair{"-h", 7}, std::pair{"-v", 0}}) {
    CliResult screen = run_vantlink({{option}, {{"VANTLINK_ADA", "2"}}, {}, scratch_.path()});
    EXPECT_EQ(screen.status, status) << option;
    EXPECT_NE(screen.out, "") << option;
    EXPECT_EQ(screen.err, "") << option;
  }
}

TEST_F(AdaMode, ErrorInFrench) {
  CliResult result = run_vantlink(
      {{"links.txt", "src"}, {{"VANTLINK_ADA", "x"}, {"LANG", "fr_FR.UTF-8"}}, {"LC_ALL"},
       scratch_.path()});
  EXPECT_EQ(result.status, 7);
  EXPECT_EQ(result.err,
            "Erreur : VANTLINK_ADA vaut \"x\", qui n'est pas un mode Ada : utilisez \"95\" (par "
            "défaut, aussi quand la variable est absente ou vide) ou \"2022\".\n");
}

}  // namespace
