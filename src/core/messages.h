// Every text the tool shows its user, and the one way to print it:
// translate (context, source text, comment), fill the placeholders, convert
// to the locale's encoding, write.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class Msg {
  kCannotAllocate,
  kExtensionOverflow,
  kMissingLinkFileName,
  kMissingDirectory,
  kUseHelpOption,
  kCannotReadDirList,
  kNotADirectory,
  kCannotChangeDirectory,
  kCannotComeBack,
  kCannotGetDirectoryEntry,
  kCannotGetWorkingDirectory,
  kCannotOpenFile,
  kCannotCreateLinkFile,
  kCannotOpenLinkFile,
  kCannotWriteLinkFile,
  kLineEndInName,
  kBadJobCount,
  kNoDescriptorLeft,
  kDependencyFileIsLinkFile,
  kOperatorAtLibraryLevel,
  kNotAda95,
  kNotAda2022,
  kUnknownAdaMode,
  kDuplicateDirectory,
  kCheckingDirectory,
  kFileCreated,
  kBuildNumber,
  kVersionDate,
  kVersionOs,
  kBannerProduct,
  kBannerOwnership,
  kBannerRights,
  kUsageSyntax,
  kUsageOptions,
  kUsageVersion,
  kUsageRelative,
  kUsageSilent,
  kUsageForce,
  kUsageHelp,
  kUsageDefaultExtensions,
  kUsageEnvExtensions,
  kUsageForbiddenExtensions,
  kUsageNoForbidden,
  kUsageHowToSet,
  kUsageHowToForbid,
  kUsageExample,
  kUsageDot,
  kCount
};

struct MessageDef {
  Msg id;
  const char* context;
  const char* source;
  const char* comment;  // nullptr: none
  bool to_stderr;
};

// The table of all translatable messages, indexed by Msg.
const MessageDef& message_def(Msg id);

// A message and its arguments, kept to be printed later (by the thread that
// prints, in its order).
struct Diagnostic {
  Msg message;
  std::vector<std::string> args;
};

// Translated text, in the locale's encoding, with %1..%3 replaced in one pass
// by `args` (inserted as the bytes they are).
std::string format_message(Msg id, std::span<const std::string_view> args);
std::string format_message(Msg id, std::initializer_list<std::string_view> args = {});
std::string format_message(const Diagnostic& diagnostic);

// format_message, then print_message to the message's own stream.
void report(Msg id, std::initializer_list<std::string_view> args = {});
void report(const Diagnostic& diagnostic);

// Writes `text` (already in the locale's encoding) to `stream`; with a
// format, the text takes the place of its one "%s". Adds nothing, no flush.
void print_message(FILE* stream, std::string_view text, const char* format = nullptr);

// Replaces each %1..%9 of `pattern` by the matching argument, in one pass, so
// an argument that itself holds "%1" comes out unchanged.
std::string substitute(std::string_view pattern, std::span<const std::string_view> args);
std::string substitute(std::string_view pattern, std::initializer_list<std::string_view> args);
