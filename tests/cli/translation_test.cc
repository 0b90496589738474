// Catalogue lookup below KORVODIR, for the locale in force, with catalogues
// compiled from tests/cli/data.
#include <filesystem>

#include <gtest/gtest.h>

#include "cli_runner.h"

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

}  // namespace
