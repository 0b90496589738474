// The selected source files of the whole run, in link-file order: each
// directory appends its entries, already ordered, behind the ones before.
#pragma once

#include <cstdint>

#include "analysis/analysis.h"
#include "driver/extensions.h"

struct FileTime {
  bool known;       // false when the file's status could not be read
  int64_t seconds;  // modification time
};

struct PreviousRecord;
struct DependencyRule;

enum class EntryState : int32_t { kPending = 0, kAnalysed = 1, kReused = 2 };

struct SourceFileEntry {
  char* file_name;
  const char* directory_text;  // one copy per directory, shared by its entries
  const ExtensionEntry* matched_extension;
  SourceFileEntry* next;
  EntryState state;
  // Pending: the descriptor the listing opened the file with, kept so that
  // the analysis need not open it again; -1 when none is kept.
  int descriptor;
  int64_t size;  // bytes, as the listing saw them
  CompilationUnit* units;                 // kAnalysed: what the analysis found
  const PreviousRecord* previous_record;  // kReused: whose saved lines stand for it
  // kReused, with a dependency file: the previous rule that stands for it.
  const DependencyRule* previous_dependencies;
  // The modification time the listing saw: what a previous record is
  // matched against, and what the link file records for a reused one.
  FileTime listed;
  // kAnalysed: the modification time of the bytes the analysis read, which
  // the link file records (unknown when the file could not be opened).
  FileTime read;
  // kAnalysed: the analysis warned that the file may not be compilable.
  bool warned;
};

// The time the link file records for `entry`: that of what its units were
// found in. Never a later look, so a file edited during the run is analysed
// again next time.
inline FileTime recorded_time(const SourceFileEntry& entry) {
  return entry.state == EntryState::kAnalysed ? entry.read : entry.listed;
}

// Gives `entry` what its analysis found: its units (taken from `result`) and
// the time of the bytes read.
inline void take_analysis(SourceFileEntry& entry, FileAnalysis& result) {
  entry.units = result.units;
  result.units = nullptr;
  entry.read = {result.opened, result.opened ? result.modified : 0};
  entry.warned = false;
  for (const Diagnostic& diagnostic : result.diagnostics)
    if (diagnostic.message == Msg::kNotAda95 || diagnostic.message == Msg::kNotAda2022)
      entry.warned = true;
}

struct FileList {
  SourceFileEntry* head = nullptr;
  SourceFileEntry* tail = nullptr;
};

// Appends the chain `first`..`last` (linked through `next`) behind `list`.
inline void append_entries(FileList& list, SourceFileEntry* first, SourceFileEntry* last) {
  if (first == nullptr) return;
  if (list.tail == nullptr) list.head = first;
  else list.tail->next = first;
  list.tail = last;
  last->next = nullptr;
}
