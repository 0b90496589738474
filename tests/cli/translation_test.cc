// Catalogue lookup below KORVODIR, for the locale in force, with catalogues
// compiled from tests/cli/data.
#include <filesystem>

#include <gtest/gtest.h>

#include "cli_runner.h"
#include "scratch.h"

namespace {

class Translation : public testing::Test {
 protected:
  void SetUp() override { make_directory(korvodir_ / "lib/locale"); }

  void install(const std::string& catalogue, const std::string& as_name) {
    std::filesystem::copy_file(std::string(TEST_CATALOGUE_DIR) + "/" + catalogue + ".qm",
                               korvodir_ / ("lib/locale/" + as_name));
  }

  CliResult run(std::vector<std::string> args, std::map<std::string, std::string> env = {}) {
    env["KORVODIR"] = korvodir_.path();
    env["LANG"] = "fr_FR.UTF-8";
    return run_vantlink({std::move(args), env, {"LC_ALL"}});
  }

  ScratchDir korvodir_;
};

TEST_F(Translation, LanguageCatalogueServesTerritoryLocale) {
  install("first_catalogue", "vlkchoptags_fr.qm");
  CliResult result = run({});
  EXPECT_EQ(result.err, "CAT1 nom manquant.\nCAT1 aide.\n");
  EXPECT_EQ(result.status, 7);
}

TEST_F(Translation, SecondCatalogueWins) {
  install("first_catalogue", "vlkchoptags_fr_FR.UTF-8");
  install("second_catalogue", "kvident_fr_FR.qm");
  CliResult result = run({});
  EXPECT_EQ(result.err, "CAT1 nom manquant.\nCAT2 aide.\n");
}

TEST_F(Translation, MessageWithCommentIsTranslated) {
  install("first_catalogue", "vlkchoptags_fr.qm");
  CliResult with_env = run({"-h"}, {{"VANTLINK_EXT", ".a%1"}});
  // The placeholder in the translation is not filled: this text takes none.
  EXPECT_NE(with_env.out.find("CAT1 extensions « %1 » : \".a%1\"\n"), std::string::npos) << with_env.out;
}

TEST_F(Translation, OtherLocaleKeepsSourceTexts) {
  install("first_catalogue", "vlkchoptags_fr.qm");
  CliResult result = run_vantlink({{}, {{"KORVODIR", korvodir_.path()}, {"LANG", "de_DE.UTF-8"}}, {"LC_ALL"}});
  EXPECT_EQ(result.err,
            "Error : missing link file name on command line.\n"
            "Please use -h command line option for more detail.\n");
}

// The toolkit is loaded only for a catalogue or for -v: a copy of the program
// without its module still runs in a locale without a catalogue, and says
// clearly why it cannot run in one that has one.
TEST_F(Translation, ToolkitModuleLoadedOnlyWhenNeeded) {
  install("first_catalogue", "vlkchoptags_fr.qm");
  ScratchDir work;
  make_directory(work / "bin");
  std::filesystem::copy_file(built_binary(), work / "bin/vantlink");
  std::filesystem::permissions(work / "bin/vantlink", std::filesystem::perms::owner_all);
  make_directory(work / "src");
  write_file(work / "src/a.ads", "package A is\nend A;\n");
  write_file(work / "links.txt", "PREVIOUS\n");
  struct Case {
    const char* label;
    std::vector<std::string> args;
    const char* lang;
    bool runs;
  };
  const Case cases[] = {
      {"no catalogue", {"links.txt", "src"}, "de_DE.UTF-8", true},
      {"catalogue", {"links.txt", "src"}, "fr_FR.UTF-8", false},
      {"version", {"-v"}, "de_DE.UTF-8", false},
  };
  for (const Case& c : cases) {
    CliResult result = run_vantlink({c.args, {{"KORVODIR", korvodir_.path()}, {"LANG", c.lang}},
                                     {"LC_ALL"}, work.path(), 60, false, false, {},
                                     work / "bin/vantlink"});
    if (c.runs) {
      EXPECT_EQ(result.status, 0) << c.label << ": " << result.err;
      EXPECT_EQ(read_file(work / "links.txt").rfind("--file-info:", 0), 0u) << c.label;
      write_file(work / "links.txt", "PREVIOUS\n");
    } else {
      EXPECT_EQ(result.status, 7) << c.label;
      EXPECT_EQ(result.err.rfind("Fatal Error: cannot load the text toolkit: ", 0), 0u)
          << c.label << ": " << result.err;
      EXPECT_EQ(read_file(work / "links.txt"), "PREVIOUS\n") << c.label;
    }
  }
}

}  // namespace
