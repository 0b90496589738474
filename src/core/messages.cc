#include "core/messages.h"

#include <iterator>

#include "core/locale.h"
#include "core/translation.h"

namespace {

constexpr bool kErr = true;
constexpr bool kOut = false;

constexpr MessageDef kMessages[] = {
    {Msg::kCannotAllocate, "Fatal Error", "\nFatal Error: cannot allocate %1 bytes\n",
     "%1 is the unallocatable size (a number)", kErr},
    {Msg::kExtensionOverflow, "Internal Error",
     "Internal Error : buffer overflow while retrieving VANTLINK_EXT environment variable.\n",
     nullptr, kErr},
    {Msg::kMissingLinkFileName, "Error", "Error : missing link file name on command line.\n",
     nullptr, kErr},
    {Msg::kMissingDirectory, "Error", "Error : missing at last one directory on command line.\n",
     nullptr, kErr},
    {Msg::kUseHelpOption, "Error", "Please use -h command line option for more detail.\n", nullptr,
     kErr},
    {Msg::kCannotReadDirList, "Error", "Problem when attempting to read the dir list file \"%1\"\n",
     "%1 is a file name", kErr},
    {Msg::kNotADirectory, "Error", "Error : \"%1\" is not a directory name.\n", "%1 is a string",
     kErr},
    {Msg::kCannotChangeDirectory, "Error",
     "Error : Cannot change current working directory to \"%1\"\n", "%1 is a directory name", kErr},
    {Msg::kCannotComeBack, "Error", "Error : Cannot come back to directory \"%1\"\n",
     "%1 is a directory name", kErr},
    {Msg::kCannotGetDirectoryEntry, "Error", "Error : cannot get directory entry for \"%1\"\n",
     "%1 is a directory name", kErr},
    {Msg::kCannotGetWorkingDirectory, "Error", "Error : Cannot get current working directory.\n",
     nullptr, kErr},
    {Msg::kCannotOpenFile, "Error", "Error : can't open file \"%1\"\n", "%1 is a file name", kErr},
    {Msg::kCannotCreateLinkFile, "Error",
     "Problem when attempting to create link file \"%1\"\nMaybe a directory with the same name "
     "exists\n",
     "%1 is a file name", kErr},
    {Msg::kCannotOpenLinkFile, "Error", "Error : Can't open link file \"%1\" for writting.\n",
     "%1 is a file name", kErr},
    {Msg::kCannotWriteLinkFile, "Error", "Error : Can't write link file \"%1\".\n",
     "%1 is a file name", kErr},
    {Msg::kLineEndInName, "Error",
     "Error : \"%1\" holds a line end and cannot stand in the link file (skipped).\n",
     "%1 is a file or directory name", kErr},
    {Msg::kBadJobCount, "Error",
     "Error : VANTLINK_JOBS must be a positive whole number, not \"%1\".\n",
     "VANTLINK_JOBS is an environment variable name; %1 is its value", kErr},
    {Msg::kNoDescriptorLeft, "Error",
     "Error : too many files open to read \"%1\": the run cannot go on.\n",
     "%1 is a file or directory name", kErr},
    {Msg::kDependencyFileIsLinkFile, "Error",
     "Error : VANTLINK_DEPS names the link file \"%1\": the dependency file needs a file of "
     "its own.\n",
     "VANTLINK_DEPS is an environment variable name; %1 is a file name", kErr},
    {Msg::kOperatorAtLibraryLevel, "Error", "Error %1:%2: operator not allowed at library level\n",
     "%1 is a file name, %2 a line number", kErr},
    {Msg::kNotAda95, "Warning", "%1:%2:%3: Warning, this file may not be Ada 95 compilable.\n",
     "%1 is a file name, %2 and %3 line and column numbers", kErr},
    {Msg::kNotAda2022, "Warning", "%1:%2:%3: Warning, this file may not be Ada 2022 compilable.\n",
     "%1 is a file name, %2 and %3 line and column numbers", kErr},
    {Msg::kUnknownAdaMode, "Error",
     "Error : VANTLINK_ADA is \"%1\", which is no Ada mode: use \"95\" (the default, also when "
     "it is unset or empty) or \"2022\".\n",
     "%1 is the value of the environment variable VANTLINK_ADA; \"95\" and \"2022\" are values "
     "to keep as they are",
     kErr},
    {Msg::kDuplicateDirectory, "Message",
     "Warning: Duplicate directory on command line (ignored): \"%1\"\n", "%1 is a directory name",
     kOut},
    {Msg::kCheckingDirectory, "Message", "Checking directory \"%1\" ...\n",
     "%1 is a directory name", kOut},
    {Msg::kFileCreated, "Message", "\nFile \"%1\" created \n", "%1 is a file name", kOut},
    {Msg::kBuildNumber, "Version", "Build Number: ", nullptr, kOut},
    {Msg::kVersionDate, "Version", "   Date : %1 %2\n", "%1 is an ISO date string, %2 an ISO hour",
     kOut},
    {Msg::kVersionOs, "Version", "     OS : %1\n", "%1 is an operating system name", kOut},
    {Msg::kBannerProduct, "KVIdent", "vantlink, the Ada link file builder", nullptr, kOut},
    {Msg::kBannerOwnership, "KVIdent", "Copyright (c) the vantlink developers.", nullptr, kOut},
    {Msg::kBannerRights, "KVIdent", "All rights reserved.", nullptr, kOut},
    {Msg::kUsageSyntax, "Vlk Usage",
     "Usage: vantlink [options] <link-file-name> <directory> {<directory>} ...\n", nullptr, kOut},
    {Msg::kUsageOptions, "Vlk Usage", "options:\n", nullptr, kOut},
    {Msg::kUsageVersion, "Vlk Usage", " -v,-version : generate version informations.\n", nullptr,
     kOut},
    {Msg::kUsageRelative, "Vlk Usage",
     " -r          : generate relative path rather then absolute path.\n", nullptr, kOut},
    {Msg::kUsageSilent, "Vlk Usage", " -s,-silent  : be silent, except for errors.\n", nullptr,
     kOut},
    {Msg::kUsageForce, "Vlk Usage",
     " -f          : force analyse (do not run in incremental mode).\n", nullptr, kOut},
    {Msg::kUsageHelp, "Vlk Usage", " -h,-help    : this help.\n", nullptr, kOut},
    {Msg::kUsageDefaultExtensions, "Vlk Usage", "Authorized default extensions : ", nullptr, kOut},
    {Msg::kUsageEnvExtensions, "Vlk Usage",
     "Authorized VANTLINK_EXT extensions : ", "VANTLINK_EXT is an environment variable name", kOut},
    {Msg::kUsageForbiddenExtensions, "Vlk Usage", "Forbidden VANTLINK_NOEXT extensions : ", nullptr,
     kOut},
    {Msg::kUsageNoForbidden, "Vlk Usage", "Forbidden extensions : none.", nullptr, kOut},
    {Msg::kUsageHowToSet, "Vlk Usage",
     "You can use VANTLINK_EXT environment variable to set authorized extensions\n", nullptr, kOut},
    {Msg::kUsageHowToForbid, "Vlk Usage",
     "and use VANTLINK_NOEXT environment variable to forbid extensions.\n", nullptr, kOut},
    {Msg::kUsageExample, "Vlk Usage",
     "For example : authorize \".ada\" and forbid \"_.ada\" extension.\n", nullptr, kOut},
    {Msg::kUsageDot, "Vlk Usage",
     "You can use dot in your extension name but it's not mandatory.\n", nullptr, kOut},
};
// Each message stands at its own id's place: the table is indexed by id.
constexpr bool in_id_order() {
  for (size_t i = 0; i < std::size(kMessages); ++i)
    if (kMessages[i].id != static_cast<Msg>(i)) return false;
  return std::size(kMessages) == static_cast<size_t>(Msg::kCount);
}
static_assert(in_id_order(), "kMessages must list every Msg once, in the order of the enum");

}  // namespace

const MessageDef& message_def(Msg id) { return kMessages[static_cast<size_t>(id)]; }

std::string substitute(std::string_view pattern, std::span<const std::string_view> args) {
  std::string out;
  out.reserve(pattern.size() + 64);
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      size_t n = static_cast<size_t>(pattern[i + 1] - '1');
      if (n < args.size()) {
        out.append(args[n]);
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

std::string substitute(std::string_view pattern, std::initializer_list<std::string_view> args) {
  return substitute(pattern, std::span(args.begin(), args.size()));
}

std::string format_message(Msg id, std::span<const std::string_view> args) {
  const MessageDef& def = message_def(id);
  return substitute(to_local_encoding(translate(def.context, def.source, def.comment)), args);
}

std::string format_message(Msg id, std::initializer_list<std::string_view> args) {
  return format_message(id, std::span(args.begin(), args.size()));
}

std::string format_message(const Diagnostic& diagnostic) {
  std::vector<std::string_view> args(diagnostic.args.begin(), diagnostic.args.end());
  return format_message(diagnostic.message, args);
}

void report(Msg id, std::initializer_list<std::string_view> args) {
  print_message(message_def(id).to_stderr ? stderr : stdout, format_message(id, args));
}

void report(const Diagnostic& diagnostic) {
  print_message(message_def(diagnostic.message).to_stderr ? stderr : stdout,
                format_message(diagnostic));
}

void print_message(FILE* stream, std::string_view text, const char* format) {
  if (format == nullptr || *format == '\0') {
    std::fwrite(text.data(), 1, text.size(), stream);
    return;
  }
  std::string_view pattern(format);
  size_t at = pattern.find("%s");
  std::string out(pattern.substr(0, at));
  if (at != std::string_view::npos) {
    out.append(text);
    out.append(pattern.substr(at + 2));
  }
  std::fwrite(out.data(), 1, out.size(), stream);
}
