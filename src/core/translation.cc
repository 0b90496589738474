#include "core/translation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "core/exit_status.h"
#include "core/locale.h"
#include "core/messages.h"
#include "core/toolkit.h"

namespace {

bool is_readable_file(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         ::access(path.c_str(), R_OK) == 0;
}

bool is_directory_path(const std::string& path) {
  struct stat status;
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool catalogue_installed = false;

// A locale with a catalogue needs the toolkit. It is loaded before main, where
// the libraries a program is linked with start: their own start-up ends the
// process when memory is short, and must not do so in the middle of a run.
// A run without a catalogue never loads it.
__attribute__((constructor)) void preload_toolkit_for_catalogues() {
  const char* korvodir = std::getenv("KORVODIR");
  if (korvodir == nullptr || *korvodir == '\0') return;
  std::string directory = std::string(korvodir) + "/lib/locale";
  std::string locale = locale_name();
  if (find_catalogue(directory, "vlkchoptags_" + locale) ||
      find_catalogue(directory, "kvident_" + locale))
    preload_toolkit();
}

void install_catalogue(const std::string& directory, const std::string& file_name) {
  std::optional<std::string> path = find_catalogue(directory, file_name);
  if (path && toolkit().install_catalogue(path->c_str())) catalogue_installed = true;
}

}  // namespace

std::optional<std::string> find_catalogue(const std::string& directory,
                                          const std::string& file_name) {
  std::string prefix = directory;
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  std::string name = file_name;
  for (;;) {
    if (is_readable_file(prefix + name)) return prefix + name;
    if (is_readable_file(prefix + name + ".qm")) return prefix + name + ".qm";
    size_t cut = name.find_last_of("_.");
    if (cut == std::string::npos || cut == 0) return std::nullopt;
    name.resize(cut);
  }
}

void setup_translation() {
  init_locale();
  const char* korvodir = std::getenv("KORVODIR");
  if (korvodir == nullptr || *korvodir == '\0') {
    std::fputs("Fatal Error: please setup KORVODIR environment variable.\n", stderr);
    throw RunEnd{ExitStatus::kError};
  }
  std::string locale_directory = std::string(korvodir) + "/lib/locale";
  if (!is_directory_path(locale_directory)) {
    print_message(stderr, locale_directory, "Fatal Error: directory doesn't exist '%s'\n");
    throw RunEnd{ExitStatus::kError};
  }
  std::string locale = locale_name();
  install_catalogue(locale_directory, "vlkchoptags_" + locale);
  install_catalogue(locale_directory, "kvident_" + locale);
}

std::string translate(const char* context, const char* source, const char* comment) {
  if (!catalogue_installed) return source;
  std::string out;
  toolkit().translate(context, source, comment, out);
  return out;
}
