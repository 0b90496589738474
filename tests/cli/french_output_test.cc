// The shipped French catalogue as a user meets it: usage, errors, analysis
// warnings and the final line in French, written in the locale's encoding
// (or the one its name gives when the locale is not installed); English for a
// locale without a catalogue.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "cli_runner.h"

namespace {

// What one locale shows, as the exact bytes expected.
struct LocaleCase {
  const char* name;
  std::map<std::string, std::string> env;
  std::string usage_line;  // a line of the -h screen
  std::string banner_line;
  std::string not_a_directory;  // the whole error for "nosuch"
  std::string warning_tail;     // after "bad.adb:<line>:<column>:"
  std::string created;          // the end of standard output
};

const std::string kUtf8UsageLine = "Extensions autorisées par défaut : \".ads\", \".adb\", \".ada\"\n";
const std::string kUtf8Error = "Erreur : \"nosuch\" n'est pas un nom de répertoire.\n";
const std::string kUtf8Warning = " Avertissement, ce fichier n'est peut-être pas compilable en Ada 95.\n";
const std::string kUtf8Created = "\nFichier \"links.txt\" créé \n";
const std::string kUtf8Banner = "Tous droits réservés.\n";

// The same texts in ISO-8859-1 bytes.
const std::string kLatin1UsageLine =
    "Extensions autoris\xe9" "es par d\xe9" "faut : \".ads\", \".adb\", \".ada\"\n";
const std::string kLatin1Error = "Erreur : \"nosuch\" n'est pas un nom de r\xe9pertoire.\n";
const std::string kLatin1Warning =
    " Avertissement, ce fichier n'est peut-\xea" "tre pas compilable en Ada 95.\n";
const std::string kLatin1Created = "\nFichier \"links.txt\" cr\xe9\xe9 \n";
const std::string kLatin1Banner = "Tous droits r\xe9serv\xe9s.\n";

const std::string kEnglishUsageLine = "Authorized default extensions : \".ads\", \".adb\", \".ada\"\n";
const std::string kEnglishError = "Error : \"nosuch\" is not a directory name.\n";
const std::string kEnglishWarning = " Warning, this file may not be Ada 95 compilable.\n";
const std::string kEnglishCreated = "\nFile \"links.txt\" created \n";
const std::string kEnglishBanner = "All rights reserved.\n";

const LocaleCase kCases[] = {
    // fr_FR.UTF-8 finds vlkchoptags_fr.qm by cutting the name; whether the
    // locale is installed or not, its name says UTF-8.
    {"FrenchUtf8", {{"LANG", "fr_FR.UTF-8"}}, kUtf8UsageLine, kUtf8Banner, kUtf8Error,
     kUtf8Warning, kUtf8Created},
    {"FrenchLanguageOnly", {{"LANG", "fr"}}, kUtf8UsageLine, kUtf8Banner, kUtf8Error,
     kUtf8Warning, kUtf8Created},
    {"LcMessagesBeforeLang", {{"LC_MESSAGES", "fr_FR.UTF-8"}, {"LANG", "de_DE.UTF-8"}},
     kUtf8UsageLine, kUtf8Banner, kUtf8Error, kUtf8Warning, kUtf8Created},
    {"LcAllBeforeLang", {{"LC_ALL", "de_DE.UTF-8"}, {"LANG", "fr_FR.UTF-8"}}, kEnglishUsageLine,
     kEnglishBanner, kEnglishError, kEnglishWarning, kEnglishCreated},
    // No German catalogue: the English source texts.
    {"GermanHasNoCatalogue", {{"LANG", "de_DE.UTF-8"}}, kEnglishUsageLine, kEnglishBanner,
     kEnglishError, kEnglishWarning, kEnglishCreated},
    // A Latin-1 locale name: Latin-1 bytes, installed or not.
    {"FrenchLatin1ByName", {{"LANG", "fr_FR.ISO-8859-1"}}, kLatin1UsageLine, kLatin1Banner,
     kLatin1Error, kLatin1Warning, kLatin1Created},
};

// A scratch tree with one Ada file and one file that is not Ada, and runs of
// vantlink in it.
class ScratchTree : public testing::Test {
 protected:
  void SetUp() override {
    make_directory(work_ / "src");
    write_file(work_ / "src/hello.ads", "package Hello is\nend Hello;\n");
    write_file(work_ / "src/bad.adb", "this is not Ada at all ;;\n");
  }

  CliResult run(std::vector<std::string> args, std::map<std::string, std::string> env) {
    CliCall call{std::move(args), std::move(env), {"LC_ALL"}, work_.path()};
    return run_vantlink(call);
  }

  ScratchDir work_;
};

class FrenchOutput : public ScratchTree, public testing::WithParamInterface<LocaleCase> {};

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The standard error of the run, line by line: the error for "nosuch" and
// the analysis warning for bad.adb, in whatever order the directories give.
void expect_errors(const std::string& err, const LocaleCase& c) {
  EXPECT_NE(err.find(c.not_a_directory), std::string::npos) << err;
  size_t at = err.find("bad.adb:");
  ASSERT_NE(at, std::string::npos) << err;
  std::string warning = err.substr(at, err.find('\n', at) + 1 - at);
  EXPECT_TRUE(ends_with(warning, ":" + c.warning_tail)) << warning;
  EXPECT_EQ(err.size(), c.not_a_directory.size() + warning.size()) << err;
}

TEST_P(FrenchOutput, UsageScreen) {
  const LocaleCase& c = GetParam();
  CliResult result = run({"-h"}, c.env);
  EXPECT_EQ(result.status, 7);
  EXPECT_NE(result.out.find(c.usage_line), std::string::npos) << result.out;
  EXPECT_TRUE(ends_with(result.out, c.banner_line)) << result.out;
  EXPECT_EQ(result.err, "");
}

TEST_P(FrenchOutput, ErrorWarningAndCreatedLine) {
  const LocaleCase& c = GetParam();
  CliResult result = run({"links.txt", "src", "nosuch"}, c.env);
  EXPECT_EQ(result.status, 0);
  expect_errors(result.err, c);
  EXPECT_TRUE(ends_with(result.out, c.created)) << result.out;
}

INSTANTIATE_TEST_SUITE_P(Locales, FrenchOutput, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// An installed ISO-8859-1 locale, made with localedef in a scratch directory
// that LOCPATH names.
class InstalledLatin1 : public ScratchTree {
 protected:
  void SetUp() override {
    ScratchTree::SetUp();
    // Exit status 1 only means warnings; the files tell whether it was made.
    std::string command = "localedef -i fr_FR -f ISO-8859-1 '" + (locales_ / "fr_FR.ISO-8859-1") +
                          "' >/dev/null 2>&1";
    int status = std::system(command.c_str());
    if (!std::filesystem::exists(locales_ / "fr_FR.ISO-8859-1/LC_CTYPE"))
      GTEST_SKIP() << "localedef could not build fr_FR.ISO-8859-1 (status " << status
                   << "); it needs the fr_FR sources and the ISO-8859-1 charmap of the "
                      "locales package";
  }

  std::map<std::string, std::string> env() const {
    return {{"LANG", "fr_FR.ISO-8859-1"}, {"LOCPATH", locales_.path()}};
  }

  ScratchDir locales_;
};

bool has_utf8_sequence(const std::string& text) {
  for (unsigned char c : text)
    if (c == 0xC3) return true;
  return false;
}

TEST_F(InstalledLatin1, WritesLatin1Bytes) {
  CliResult usage = run({"-h"}, env());
  EXPECT_NE(usage.out.find(kLatin1UsageLine), std::string::npos) << usage.out;
  EXPECT_TRUE(ends_with(usage.out, kLatin1Banner)) << usage.out;
  EXPECT_FALSE(has_utf8_sequence(usage.out));
  EXPECT_EQ(usage.err, "");

  CliResult result = run({"links.txt", "src", "nosuch"}, env());
  EXPECT_EQ(result.status, 0);
  expect_errors(result.err, {"", {}, "", "", kLatin1Error, kLatin1Warning, ""});
  EXPECT_TRUE(ends_with(result.out, kLatin1Created)) << result.out;
  EXPECT_FALSE(has_utf8_sequence(result.out + result.err));
}

// File names are bytes: a UTF-8 name stays UTF-8 in a French UTF-8 message.
TEST_F(ScratchTree, NamesKeepTheirBytes) {
  CliResult result = run({"links.txt", "répertoire"}, {{"LANG", "fr_FR.UTF-8"}});
  EXPECT_NE(result.err.find("Erreur : \"répertoire\" n'est pas un nom de répertoire.\n"),
            std::string::npos)
      << result.err;
}

}  // namespace
