// The three fixed screens: banner, version information and usage.
#pragma once

#include "driver/extensions.h"

constexpr const char* kVersionText = "8.3.0.1.342.020";
// The build's own part of the version: its last two fields.
constexpr const char* kBuildNumberText = kVersionText + 8;

void print_banner();

// Banner, build date and build system; false, printing nothing but the
// reason, when the toolkit that writes the dates cannot be loaded.
bool print_version();

// Usage with the extension lists in force, then the banner.
void print_usage(const ExtensionLists& extensions);
