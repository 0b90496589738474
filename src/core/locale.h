// The locale as the tool sees it: the name that picks the catalogues and the
// 8-bit encoding that every message is written in.
#pragma once

#include <string>
#include <string_view>

// POSIX locale name from the first non-empty of LC_ALL, LC_MESSAGES, LANG;
// "C" when none is set.
std::string locale_name();

// `utf8` in the local codeset; characters it cannot hold become '?'.
std::string to_local_encoding(std::string_view utf8);

// Reads the locale once; called at start-up, before any message.
void init_locale();
