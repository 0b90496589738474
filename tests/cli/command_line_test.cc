// The command line: set-up errors, options, positional arguments, the fixed
// screens and their exit statuses.
#include <filesystem>

#include <gtest/gtest.h>

#include "cli_runner.h"

namespace {

const std::string kBanner =
    "vantlink, the Ada link file builder 8.3.0.1.342.020\n"
    "Build Number:  342.020\n"
    "Copyright (c) the vantlink developers.\n"
    "All rights reserved.\n";

const std::string kVersion = kBanner +
                             "   Date : 2020-12-07 10:38:00\n"
                             "     OS : Linux 2.6.32-696.6.3.el6.x86_64 #1 SMP Fri Jun 30 "
                             "13:24:18 EDT 2017 x86_64\n";

std::string usage(const std::string& extension_lines) {
  return "\n"
         "Usage: vantlink [options] <link-file-name> <directory> {<directory>} ...\n"
         "options:\n"
         " -v,-version : generate version informations.\n"
         " -r          : generate relative path rather then absolute path.\n"
         " -s,-silent  : be silent, except for errors.\n"
         " -f          : force analyse (do not run in incremental mode).\n"
         " -h,-help    : this help.\n"
         "\n" +
         extension_lines +
         "\n"
         "You can use VANTLINK_EXT environment variable to set authorized extensions\n"
         "and use VANTLINK_NOEXT environment variable to forbid extensions.\n"
         "For example : authorize \".ada\" and forbid \"_.ada\" extension.\n"
         "You can use dot in your extension name but it's not mandatory.\n"
         "\n" +
         kBanner;
}

const std::string kDefaultExtensions =
    "Authorized default extensions : \".ads\", \".adb\", \".ada\"\n"
    "Forbidden extensions : none.\n";

const std::string kSetupMissing = "Fatal Error: please setup KORVODIR environment variable.\n";
const std::string kHelpHint = "Please use -h command line option for more detail.\n";

struct Case {
  const char* name;
  std::vector<std::string> args;
  std::map<std::string, std::string> env;
  std::string out;
  std::string err;
  int status;
};

class CommandLine : public testing::TestWithParam<Case> {};

TEST_P(CommandLine, PrintsAndEndsAsExpected) {
  const Case& c = GetParam();
  ScratchDir scratch;
  CliResult result = run_vantlink({c.args, c.env, {}, scratch.path()});
  EXPECT_EQ(result.out, c.out);
  EXPECT_EQ(result.err, c.err);
  EXPECT_EQ(result.status, c.status);
}

const std::string kMissingLink = "Error : missing link file name on command line.\n" + kHelpHint;
const std::string kMissingDir = "Error : missing at last one directory on command line.\n" + kHelpHint;

INSTANTIATE_TEST_SUITE_P(
    Screens, CommandLine,
    testing::Values(
        Case{"Version", {"-v"}, {}, kVersion, "", 0},
        Case{"LongVersion", {"-version"}, {}, kVersion, "", 0},
        Case{"VersionEndsScan", {"-s", "-v", "-h"}, {}, kVersion, "", 0},
        Case{"Help", {"-h"}, {}, usage(kDefaultExtensions), "", 7},
        Case{"LongHelp", {"-help", "links", "dir"}, {}, usage(kDefaultExtensions), "", 7},
        Case{"HelpAfterSilent", {"-s", "-h"}, {}, usage(kDefaultExtensions), "", 7},
        Case{"HelpWithLists",
             {"-h"},
             {{"VANTLINK_EXT", ".ada"}, {"VANTLINK_NOEXT", "_.ada"}},
             usage("Authorized VANTLINK_EXT extensions : \".ada\"\n"
                   "Forbidden VANTLINK_NOEXT extensions : \"_.ada\"\n"),
             "",
             7},
        Case{"HelpWithSeveralForbidden",
             {"-h"},
             {{"VANTLINK_EXT", "::.adb:%s.ads:"}, {"VANTLINK_NOEXT", "_.ada:x%1:.b"}},
             usage("Authorized VANTLINK_EXT extensions : \".adb\", \"%s.ads\"\n"
                   "Forbidden VANTLINK_NOEXT extensions : \"_.ada\", \"x%1\", \".b\"\n"),
             "",
             7},
        Case{"ColonsOnlyGiveDefaults", {"-h"}, {{"VANTLINK_EXT", ":::"}}, usage(kDefaultExtensions), "", 7}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLine,
    testing::Values(
        Case{"NoArgument", {}, {}, "", kMissingLink, 7},
        Case{"OnlyOptions", {"-s"}, {}, "", kMissingLink, 7},
        Case{"OnlySwitches", {"-f", "-r", "-a"}, {}, "", kMissingLink, 7},
        Case{"NoDirectory", {"links.txt"}, {}, "", kMissingDir, 7},
        Case{"LookalikeIsLinkFile", {"-versions"}, {}, "", kMissingDir, 7},
        Case{"CapitalV", {"-V"}, {}, "", kMissingDir, 7},
        Case{"DoubleDashHelp", {"--help"}, {}, "", kMissingDir, 7},
        Case{"JoinedOptions", {"-rf"}, {}, "", kMissingDir, 7},
        Case{"MissingListFile",
             {"-s", "links.txt", "@missing.txt", "ignored"},
             {},
             "",
             "Problem when attempting to read the dir list file \"missing.txt\"\n",
             7},
        Case{"LinkFileIsDirectory",
             {"-s", ".", "dir"},
             {},
             "",
             "Problem when attempting to create link file \".\"\nMaybe a directory with the same "
             "name exists\n",
             7},
        Case{"ExtensionOf254Bytes", {"-f"}, {{"VANTLINK_EXT", std::string(254, 'x')}}, "", kMissingLink, 7}),
    [](const auto& info) { return std::string(info.param.name); });

const std::string kOverflow =
    "Internal Error : buffer overflow while retrieving VANTLINK_EXT environment variable.\n";

INSTANTIATE_TEST_SUITE_P(
    SetUp, CommandLine,
    testing::Values(
        Case{"KorvodirEmptyHelp", {"-h"}, {{"KORVODIR", ""}}, "", kSetupMissing, 7},
        Case{"KorvodirEmptyVersion", {"-v"}, {{"KORVODIR", ""}}, "", kSetupMissing, 7},
        Case{"NoLocaleDirectory",
             {"-v"},
             {{"KORVODIR", "/opt/tools"}},
             "",
             "Fatal Error: directory doesn't exist '/opt/tools/lib/locale'\n",
             7},
        Case{"TrailingSlashDoubled",
             {"-h"},
             {{"KORVODIR", "/opt/tools/"}},
             "",
             "Fatal Error: directory doesn't exist '/opt/tools//lib/locale'\n",
             7},
        Case{"AuthorizedTooLong", {"-h"}, {{"VANTLINK_EXT", std::string(255, 'x')}}, "", kOverflow, 9},
        Case{"ForbiddenTooLong",
             {"-v"},
             {{"VANTLINK_NOEXT", ".b:" + std::string(255, 'x')}},
             "",
             kOverflow,
             9}),
    [](const auto& info) { return std::string(info.param.name); });

// The toolkit takes some options for itself (a debugger option and the
// argument after it); the run still sees every argument as given.
TEST(CommandLineSetUp, ToolkitOptionsAreOrdinaryArguments) {
  ScratchDir scratch;
  make_directory(scratch / "src");
  write_file(scratch / "src/a.ads", "package A is end A;\n");
  CliResult result = run_vantlink({{"-r", "l.txt", "-qmljsdebugger", "src"}, {}, {}, scratch.path()});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "Error : \"-qmljsdebugger\" is not a directory name.\n");
  EXPECT_NE(read_file(scratch / "l.txt").find("\"src/a.ads\" A SPEC\n"), std::string::npos);
}

TEST(CommandLineSetUp, UnsetKorvodirStopsEveryCall) {
  for (std::vector<std::string> args : {std::vector<std::string>{}, {"-h"}, {"-v"}, {"l", "d"}}) {
    CliResult result = run_vantlink({args, {}, {"KORVODIR"}});
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, kSetupMissing);
    EXPECT_EQ(result.status, 7);
  }
}

TEST(CommandLineSetUp, KorvodirNamingAFileIsMissingDirectory) {
  ScratchDir scratch;
  make_directory(scratch / "lib");
  write_file(scratch / "lib/locale", "not a directory");
  CliResult result = run_vantlink({{"-v"}, {{"KORVODIR", scratch.path()}}});
  EXPECT_EQ(result.err, "Fatal Error: directory doesn't exist '" + scratch.path() + "/lib/locale'\n");
  EXPECT_EQ(result.status, 7);
}

TEST(CommandLineSetUp, EmptyLocaleDirectoryKeepsEnglish) {
  ScratchDir scratch;
  make_directory(scratch / "lib/locale");
  CliResult result = run_vantlink({{"-v"}, {{"KORVODIR", scratch.path()}, {"LANG", "fr_FR.UTF-8"}}, {"LC_ALL"}});
  EXPECT_EQ(result.out, kVersion);
  EXPECT_EQ(result.status, 0);
}

// A program whose text toolkit module is missing says so and nothing else:
// -v decides before it prints.
TEST(CommandLineSetUp, VersionWithoutToolkitPrintsOnlyTheError) {
  ScratchDir scratch;
  make_directory(scratch / "bin");
  std::filesystem::copy_file(built_binary(), scratch / "bin/vantlink");
  std::filesystem::permissions(scratch / "bin/vantlink", std::filesystem::perms::owner_all);
  CliCall call{{"-v"}, {}, {}, scratch.path()};
  call.binary = scratch / "bin/vantlink";
  CliResult result = run_vantlink(call);
  EXPECT_EQ(result.out, "");
  EXPECT_TRUE(result.err.starts_with("Fatal Error: cannot load the text toolkit: ")) << result.err;
  EXPECT_EQ(result.status, 7);
}

}  // namespace
