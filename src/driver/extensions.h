// The authorized and forbidden file-name endings, read once from
// VANTLINK_EXT and VANTLINK_NOEXT.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

struct ExtensionEntry {
  char* text;
  int32_t length;
  int32_t position;  // place in its list, from 0
  ExtensionEntry* next;
};

struct ExtensionLists {
  ExtensionEntry* authorized;  // never empty after setup
  ExtensionEntry* forbidden;   // may be empty
  bool default_extensions_in_use;
};

// Longest extension text accepted, in bytes.
constexpr size_t kMaxExtensionLength = 254;

// Appends a copy of `text`; returns the list's first entry.
ExtensionEntry* append_extension(ExtensionEntry* list, const char* text);

// First entry that `name` ends with and is longer than; null when none.
const ExtensionEntry* find_extension(const ExtensionEntry* list, const char* name,
                                     size_t name_length);

// Appends one ':'-separated segment (empty segments are skipped); false when
// it is longer than kMaxExtensionLength.
bool add_extension_segment(ExtensionEntry** list, const char* start, size_t length);

// The list named by an environment variable; nothing, once the overflow
// message is printed, when a segment is too long (the run ends with status 9).
std::optional<ExtensionEntry*> read_extension_list(const char* variable);

// VANTLINK_EXT (or .ads, .adb, .ada) and VANTLINK_NOEXT; nothing as above.
std::optional<ExtensionLists> setup_extension_lists();
