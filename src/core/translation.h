// Start-up of the message catalogues below $KORVODIR/lib/locale.
#pragma once

#include <optional>
#include <string>

// Ends the run with status 7 when KORVODIR is unset or empty, or when its
// lib/locale directory does not exist; otherwise installs the catalogues
// found for the locale ("vlkchoptags_" first, then "kvident_", which wins);
// the toolkit is loaded only when one is found.
void setup_translation();

// `source` as the catalogues installed translate it (UTF-8); as it is when
// none is installed.
std::string translate(const char* context, const char* source, const char* comment);

// The catalogue file that `file_name` resolves to in `directory`, trying the
// name, then the name with ".qm", then cutting at the last '_' or '.'.
std::optional<std::string> find_catalogue(const std::string& directory,
                                          const std::string& file_name);
