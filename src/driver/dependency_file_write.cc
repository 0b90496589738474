// Writing the dependency file. It is put in place before the link file: the
// link file then never stands for files whose with clauses are not on disk,
// and after a failure between the two renames the next run finds a
// dependency file newer than the link file, whose every rule was read at the
// time it gives, so whatever both vouch for is right.
#include <cstring>

#include "driver/ada_mode.h"
#include "driver/dependencies.h"
#include "driver/file_replacement.h"
#include "driver/link_file.h"

namespace {

constexpr size_t kBlock = 64 * 1024;

std::string_view subunit_parent(const CompilationUnit& unit) {
  if (!(unit.flags & UNIT_SUBUNIT) || unit.full_name == nullptr || unit.simple_name == nullptr)
    return {};
  std::string_view full = unit.full_name;
  size_t simple = std::strlen(unit.simple_name);
  return full.size() > simple ? full.substr(0, full.size() - simple - 1) : std::string_view();
}

uint32_t marks_of(const WithClause& with) {
  uint32_t marks = 0;
  if (with.marks & WITH_LIMITED) marks |= kWithLimited;
  if (with.marks & WITH_PRIVATE) marks |= kWithPrivate;
  return marks;
}

void append_rule(DependencyWriter& out, const SourceFileEntry& entry, int64_t trusted_before,
                 std::string& key) {
  // The time the link file writes: the two files keep agreeing. A reused
  // file is older than the second the run began reading (see
  // analyse_and_write), so its rule is copied as it stands.
  FileTime time = written_record_time(entry, trusted_before);
  if (entry.state == EntryState::kReused && entry.previous_dependencies != nullptr) {
    out.copy_rule(entry.previous_dependencies->text);
    return;
  }
  key.clear();
  append_record_key(key, entry.directory_text ? entry.directory_text : "", entry.file_name);
  // Clean: its status read, the file opened and analysed without a syntax warning.
  bool clean = entry.state == EntryState::kAnalysed && entry.listed.known && entry.read.known &&
               !entry.warned;
  out.begin_rule(key, time.known ? written_time(time.seconds) : 0, clean);
  if (entry.state == EntryState::kAnalysed) {
    for (const CompilationUnit* unit = entry.units; unit != nullptr; unit = unit->next) {
      out.add_unit(unit->full_name ? unit->full_name : "", unit_kind_text(*unit),
                   subunit_parent(*unit), (unit->flags & UNIT_GENERIC) != 0 || unit->generic_package);
      for (const WithClause* with = unit->with_clauses; with != nullptr; with = with->next)
        out.add_with(with->name, marks_of(*with));
    }
  }
  out.end_rule();
}

// Every rule, handed to `sink` in blocks; false once it has refused one.
bool write_rules(const Dependencies& deps, const FileList& files, AdaMode mode,
                 int64_t trusted_before, const ContentSink& sink) {
  DependencyWriter out(mode_name(mode), deps.started);
  std::string key;
  for (const SourceFileEntry* entry = files.head; entry != nullptr; entry = entry->next) {
    append_rule(out, *entry, trusted_before, key);
    if (out.pending_size() >= kBlock && !sink(out.take())) return false;
  }
  out.finish();
  return sink(out.take());
}

// Every file reused with its previous rule, in the previous file's order:
// the file would be the same but for its trusted second, and the older one
// it holds trusts no more than this run's would.
bool unchanged(const Dependencies& deps, const FileList& files) {
  const std::vector<DependencyRule>& rules = deps.previous.rules;
  size_t index = 0;
  for (const SourceFileEntry* entry = files.head; entry != nullptr; entry = entry->next, ++index)
    if (index >= rules.size() || entry->state != EntryState::kReused ||
        entry->previous_dependencies != &rules[index])
      return false;
  return index == rules.size() && !deps.previous_by_key.empty();
}

}  // namespace

bool write_dependency_file(const Dependencies& deps, const FileList& files, AdaMode mode,
                           int64_t trusted_before) {
  if (unchanged(deps, files)) return true;
  return replace_file(deps.name, [&](const ContentSink& sink) {
    return write_rules(deps, files, mode, trusted_before, sink);
  });
}
