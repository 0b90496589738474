#include "core/translation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "core/exit_status.h"
#include "core/locale.h"
#include "core/messages.h"

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

// Loads the catalogue from memory so that the file found is the file used:
// QTranslator's own search tries the ".qm" name first.
void install_catalogue(const std::string& directory, const std::string& file_name) {
  // Both live until the process ends: the translator reads from the bytes.
  static std::deque<QByteArray> catalogue_bytes;
  static std::deque<QTranslator> translators;
  std::optional<std::string> path = find_catalogue(directory, file_name);
  if (!path) return;
  QFile file(QString::fromLocal8Bit(path->c_str()));
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray& bytes = catalogue_bytes.emplace_back(file.readAll());
  QTranslator& translator = translators.emplace_back();
  if (translator.load(reinterpret_cast<const uchar*>(bytes.constData()),
                      static_cast<int>(bytes.size())))
    QCoreApplication::installTranslator(&translator);
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
