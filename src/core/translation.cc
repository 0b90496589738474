#include "core/translation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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

// False when the catalogue needs the toolkit and it cannot be loaded.
bool install_catalogue(const std::string& directory, const std::string& file_name) {
  std::optional<std::string> path = find_catalogue(directory, file_name);
  if (!path) return true;
  const ToolkitInterface* loaded = toolkit();
  if (loaded == nullptr) return false;
  if (loaded->install_catalogue(path->c_str())) catalogue_installed = true;
  return true;
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

bool catalogue_for_locale() {
  const char* korvodir = std::getenv("KORVODIR");
  if (korvodir == nullptr || *korvodir == '\0') return false;
  std::string directory = std::string(korvodir) + "/lib/locale";
  std::string locale = locale_name();
  return find_catalogue(directory, "vlkchoptags_" + locale) ||
         find_catalogue(directory, "kvident_" + locale);
}

bool setup_translation() {
  init_locale();
  const char* korvodir = std::getenv("KORVODIR");
  if (korvodir == nullptr || *korvodir == '\0') {
    std::fputs("Fatal Error: please setup KORVODIR environment variable.\n", stderr);
    return false;
  }
  std::string locale_directory = std::string(korvodir) + "/lib/locale";
  if (!is_directory_path(locale_directory)) {
    print_message(stderr, locale_directory, "Fatal Error: directory doesn't exist '%s'\n");
    return false;
  }
  std::string locale = locale_name();
  return install_catalogue(locale_directory, "vlkchoptags_" + locale) &&
         install_catalogue(locale_directory, "kvident_" + locale);
}

std::string translate(const char* context, const char* source, const char* comment) {
  if (!catalogue_installed) return source;
  std::string out;
  toolkit()->translate(context, source, comment, out);
  return out;
}
