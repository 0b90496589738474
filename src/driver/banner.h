// The three fixed screens: banner, version information and usage.
#pragma once

#include "driver/extensions.h"

constexpr const char* kVersionText = "8.3.0.1.342.020";

void print_banner();

// Banner, build date and build system; ends the run with status 0.
[[noreturn]] void print_version();

// Usage with the extension lists in force, then the banner; status 7.
[[noreturn]] void print_usage(const ExtensionLists& extensions);
