// The dependency file beside the link file (VANTLINK_DEPS): what every unit
// of every selected file withs, in link-file order, reused like the link
// file's records but only where the previous dependency file vouches for
// them. Written before the link file is replaced: see write_dependency_file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "analysis/analysis.h"
#include "driver/file_list.h"
#include "driver/link_file.h"
#include "formats/dependency_file.h"

struct Dependencies {
  const char* name = nullptr;  // null: no dependency file in this run
  // Rules of the previous file by key; empty unless that file can be trusted
  // whole (read to its end, well-formed, its checksum, version and mode).
  DependencyFile previous;
  std::unordered_map<std::string_view, const DependencyRule*> previous_by_key;
  // The second this run began reading files, from the file system; the
  // next run trusts only files older than that.
  int64_t started = 0;
};

// VANTLINK_DEPS, or null when unset or empty.
const char* dependency_file_name();

// False, once the link file's message is printed, when `name` cannot be the
// dependency file: something other than a regular file, or a file the user
// may not write (the run ends with status 7).
bool check_dependency_target(const char* name);

// The previous dependency file is only a cache: one larger than this, for a
// previous link file of `link_file_size` bytes, is set aside unread. Every
// rule's key and units are in the link file too; what only the dependency
// file holds is the withs, about 70 bytes each: 64 bytes per byte of link file
// is a hundred withs for every unit, far beyond any tree (the GNAT runtime has
// 2.3 bytes per byte). Reading costs about eight times the file's size.
inline constexpr uint64_t kDependencyBytesPerLinkByte = 64;
inline constexpr uint64_t kDependencyBytesBeyond = 16 << 20;
uint64_t dependency_file_limit(uint64_t link_file_size);

// Reads the previous dependency file (unless `force`, or `previous`, the
// previous link file, has no record) and takes the second the run starts
// in. Called before any file is read.
void start_dependencies(Dependencies& deps, const char* name, AdaMode mode, bool force,
                        const PreviousRecords& previous);

// True when the entry, matched to its previous link-file record, may keep
// it: the previous dependency file holds its rule for the same key and time,
// from a run that began after that time. The rule is kept on the entry.
bool dependencies_vouch(const Dependencies& deps, SourceFileEntry& entry);

// Writes the dependency file for `files` and puts it in place, like the link
// file. On failure prints why, leaves the previous file as it was, returns
// false.
bool write_dependency_file(const Dependencies& deps, const FileList& files, AdaMode mode);
