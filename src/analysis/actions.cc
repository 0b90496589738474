#include "analysis/actions.h"

#include <cstring>
#include <deque>
#include <string>

#include "analysis/arena.h"
#include "analysis/scanner.h"
#include "driver/memory.h"
#include "driver/messages.h"

namespace {

// One program unit being parsed.
struct NestingEntry {
  char* name;
  uint32_t flags;
  NameList* with_names;  // per-file nodes, like the pending names
  NestingEntry* next;
};

NestingEntry* nesting_top = nullptr;
int32_t entry_count = 0;
int32_t depth = 0;

// With-clause names live as long as the file's analysis: a record that
// takes them makes its own copy. Their texts are in the arena.
std::deque<NameList> with_name_nodes;
NameList* pending_head = nullptr;  // source order
NameList* pending_tail = nullptr;

std::string subunit_prefix;
bool subunit_mode = false;

void pop_entry() {
  NestingEntry* entry = nesting_top;
  nesting_top = entry->next;
  --entry_count;
  release_block(entry->name);
  release_block(entry);
}

void release_nesting_stack() {
  while (nesting_top != nullptr) pop_entry();
}

bool is_operator_symbol(const char* name) { return name[0] == '"'; }

void set_position(CompilationUnit* unit, const TokenValue& end) {
  if (unit == nullptr || (unit->line != 0 && unit->column != 0)) return;
  unit->line = end.line;
  unit->column = end.column;
}

void report_operator_at_library_level() {
  report(Msg::kOperatorAtLibraryLevel, {current_file_name(), std::to_string(ac_yylineno)});
}

}  // namespace

const char* join_names(const char* left, const char* separator, const char* right) {
  return arena_join(left, separator, right);
}

NameList* with_name(const char* name, NameList* rest) {
  with_name_nodes.push_back(NameList{const_cast<char*>(name), rest});
  return &with_name_nodes.back();
}

void add_pending_with_names(NameList* newest_first) {
  NameList* oldest_first = nullptr;
  NameList* last = newest_first;
  while (newest_first != nullptr) {
    NameList* next = newest_first->next;
    newest_first->next = oldest_first;
    oldest_first = newest_first;
    newest_first = next;
  }
  if (oldest_first == nullptr) return;
  if (pending_tail != nullptr)
    pending_tail->next = oldest_first;
  else
    pending_head = oldest_first;
  pending_tail = last;
}

void enter_unit(const char* name, uint32_t flags) {
  auto* entry = static_cast<NestingEntry*>(checked_alloc(sizeof(NestingEntry)));
  const char* text = name ? name : "";
  entry->name = checked_strndup(text, std::strlen(text));
  entry->flags = flags;
  entry->next = nesting_top;
  nesting_top = entry;
  ++entry_count;
  ++depth;
}

void take_pending_with_names() {
  if (nesting_top == nullptr) return;
  nesting_top->with_names = pending_head;
  pending_head = pending_tail = nullptr;
}

// After a recovery that skipped the end of a unit the stack can be short of
// entries; leaving then only lowers the depth.
void leave_unit() {
  --depth;
  if (nesting_top != nullptr) pop_entry();
}

uint32_t entry_flags() { return nesting_top ? nesting_top->flags : 0; }

void open_protected_definition() { ++depth; }
void close_protected_definition() { --depth; }

CompilationUnit* record_unit(int32_t kind, uint32_t flags) {
  if (depth != 1 || nesting_top == nullptr) return nullptr;
  const char* name = nesting_top->name;
  if (is_operator_symbol(name)) {
    report_operator_at_library_level();
    return nullptr;
  }
  std::string full_name = name;
  if (subunit_mode) {
    flags |= UNIT_SUBUNIT;
    full_name = subunit_prefix + "." + name;
  } else if (std::strchr(name, '.') != nullptr) {
    flags |= UNIT_CHILD;
  }
  CompilationUnit* unit =
      append_unit(kind, flags, full_name.c_str(), name, nesting_top->with_names);
  nesting_top->with_names = nullptr;
  return unit;
}

void record_and_leave(int32_t kind, uint32_t flags) {
  record_unit(kind, flags);
  leave_unit();
}

void finish_unit(int32_t kind, uint32_t flags, const TokenValue& end, const char* renaming_target) {
  CompilationUnit* unit = record_unit(kind, flags);
  if (unit != nullptr && renaming_target != nullptr)
    unit->renaming_target = checked_strndup(renaming_target, std::strlen(renaming_target));
  set_position(unit, end);
  leave_unit();
}

void position_last_unit(const TokenValue& end) { set_position(last_unit(), end); }

void begin_subunit(const char* parent) {
  subunit_prefix = parent ? parent : "";
  subunit_mode = true;
}

void end_subunit() {
  subunit_prefix.clear();
  subunit_mode = false;
}

void report_not_ada95() {
  report(Msg::kNotAda95,
         {current_file_name(), std::to_string(ac_yylineno), std::to_string(ac_yycolumn)});
}

void report_not_ada2022() {
  report(Msg::kNotAda2022,
         {current_file_name(), std::to_string(ac_yylineno), std::to_string(ac_yycolumn)});
}

int32_t nesting_depth() { return depth; }
int32_t nesting_entry_count() { return entry_count; }

void set_nesting_depth(int32_t value) { depth = value; }

void empty_nesting_stack() { release_nesting_stack(); }

void reset_recogniser() {
  release_nesting_stack();
  depth = 0;
  end_subunit();
  pending_head = pending_tail = nullptr;
  with_name_nodes.clear();
}
