#include "driver/banner.h"

#include <cstdlib>
#include <string>

#include "core/exit_status.h"
#include "core/messages.h"
#include "core/toolkit.h"

namespace {

// The build this tool describes itself as.
constexpr const char* kBuildYear = "2020";
constexpr const char* kBuildMonth = "12";
constexpr const char* kBuildDay = "7";
constexpr const char* kBuildHour = "10";
constexpr const char* kBuildMinute = "38";
constexpr const char* kBuildOs =
    "Linux 2.6.32-696.6.3.el6.x86_64 #1 SMP Fri Jun 30 13:24:18 EDT 2017 x86_64";

void out(const std::string& text) { print_message(stdout, text); }

void print_extension_list(const ExtensionEntry* list) {
  const char* separator = "";
  for (const ExtensionEntry* entry = list; entry != nullptr; entry = entry->next) {
    // Extension texts are shown as the bytes they are.
    std::fprintf(stdout, "%s\"%s\"", separator, entry->text);
    separator = ", ";
  }
}

}  // namespace

void print_banner() {
  std::string text = substitute("%1 %2\n", {format_message(Msg::kBannerProduct), kVersionText});
  text += substitute("%1 %2\n", {format_message(Msg::kBuildNumber), kVersionText + 8});
  text += substitute("%1\n", {format_message(Msg::kBannerOwnership)});
  text += substitute("%1\n", {format_message(Msg::kBannerRights)});
  out(text);
}

void print_version() {
  // Loaded before anything is printed: a module that cannot be loaded ends
  // the run with its error alone, not after half the screen.
  const ToolkitInterface& text_toolkit = toolkit();
  print_banner();
  std::string iso_date, iso_time;
  text_toolkit.iso_date(std::atoi(kBuildYear), std::atoi(kBuildMonth), std::atoi(kBuildDay),
                        iso_date);
  text_toolkit.iso_time(std::atoi(kBuildHour), std::atoi(kBuildMinute), 0, iso_time);
  out(format_message(Msg::kVersionDate, {iso_date, iso_time}) +
      format_message(Msg::kVersionOs, {kBuildOs}));
  throw RunEnd{ExitStatus::kSuccess};
}

void print_usage(const ExtensionLists& extensions) {
  out("\n");
  for (Msg line : {Msg::kUsageSyntax, Msg::kUsageOptions, Msg::kUsageVersion, Msg::kUsageRelative,
                   Msg::kUsageSilent, Msg::kUsageForce, Msg::kUsageHelp})
    out(format_message(line));
  out("\n");
  out(format_message(extensions.default_extensions_in_use ? Msg::kUsageDefaultExtensions
                                                          : Msg::kUsageEnvExtensions));
  print_extension_list(extensions.authorized);
  out("\n");
  if (extensions.forbidden != nullptr) {
    out(format_message(Msg::kUsageForbiddenExtensions));
    print_extension_list(extensions.forbidden);
  } else {
    out(format_message(Msg::kUsageNoForbidden));
  }
  out("\n\n");
  for (Msg line : {Msg::kUsageHowToSet, Msg::kUsageHowToForbid, Msg::kUsageExample,
                   Msg::kUsageDot})
    out(format_message(line));
  out("\n");
  print_banner();
  throw RunEnd{ExitStatus::kError};
}
