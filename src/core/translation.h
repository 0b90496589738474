// Start-up of the message catalogues below $KORVODIR/lib/locale.
#pragma once

#include <optional>
#include <string>

// Installs the catalogues found for the locale below $KORVODIR/lib/locale
// ("vlkchoptags_" first, then "kvident_", which wins); the toolkit is loaded
// only when one is found. False, once the reason is printed, when KORVODIR
// is unset or empty, its lib/locale directory does not exist, or the toolkit
// cannot be loaded: the run ends with status 7.
bool setup_translation();

// The locale has a catalogue below $KORVODIR/lib/locale: the run will need
// the toolkit.
bool catalogue_for_locale();

// `source` as the catalogues installed translate it (UTF-8); as it is when
// none is installed.
std::string translate(const char* context, const char* source, const char* comment);

// The catalogue file that `file_name` resolves to in `directory`, trying the
// name, then the name with ".qm", then cutting at the last '_' or '.'.
std::optional<std::string> find_catalogue(const std::string& directory,
                                          const std::string& file_name);
