#include "analysis/recogniser.h"

#include <cstring>

#include "core/memory.h"

namespace {

char* permanent_copy(const char* text) { return checked_strndup(text, std::strlen(text)); }

// The with-names a record keeps outlive the arena they were built in.
NameList* permanent_names(const NameList* names) {
  NameList* head = nullptr;
  NameList** tail = &head;
  for (; names != nullptr; names = names->next) {
    auto* node = static_cast<NameList*>(checked_alloc(sizeof(NameList)));
    node->name = permanent_copy(names->name);
    *tail = node;
    tail = &node->next;
  }
  return head;
}

WithClause* permanent_clauses(const std::vector<Recogniser::ContextName>& names) {
  WithClause* head = nullptr;
  WithClause** tail = &head;
  for (const Recogniser::ContextName& name : names) {
    auto* node = static_cast<WithClause*>(checked_alloc(sizeof(WithClause)));
    *tail = node;  // linked first: a failure below leaves nothing unreachable
    tail = &node->next;
    node->marks = name.marks;
    node->name = permanent_copy(name.name);
  }
  return head;
}

}  // namespace

Recogniser::~Recogniser() {
  release_nesting_stack();
  release_unit_list(take_unit_list());
}

void Recogniser::start_file(const char* name, const char* directory) {
  release_nesting_stack();
  depth = 0;
  subunit_prefix.clear();
  subunit_mode = false;
  pending_head = pending_tail = nullptr;
  with_name_nodes.clear();
  context_clause.clear();
  with_marks = 0;
  release_unit_list(take_unit_list());
  doubtful_from = SIZE_MAX;
  indented.clear();
  unit_first_record = 0;
  nameless_body = false;
  file_name = name;
  has_directory_text = directory != nullptr;
  directory_text = directory ? directory : "";
}

CompilationUnit* Recogniser::append_unit(int32_t kind, uint32_t flags, const char* full_name,
                                         const char* simple_name, const NameList* with_names) {
  // Room first: once the record is linked, its place in `records` must not
  // fail to follow.
  if (records.size() == records.capacity()) records.reserve(2 * records.size() + 8);
  auto* unit = static_cast<CompilationUnit*>(checked_alloc(sizeof(CompilationUnit)));
  // Linked first, so that a failure below leaves nothing unreachable.
  if (list_tail != nullptr)
    list_tail->next = unit;
  else
    list_head = unit;
  list_tail = unit;
  records.push_back(unit);
  unit->kind = kind;
  unit->flags = flags;
  unit->full_name = permanent_copy(full_name);
  unit->simple_name = permanent_copy(simple_name);
  unit->file_name = checked_strndup(file_name.data(), file_name.size());
  if (has_directory_text)
    unit->directory = checked_strndup(directory_text.data(), directory_text.size());
  unit->with_names = permanent_names(with_names);
  unit->with_clauses = permanent_clauses(context_clause);
  return unit;
}

CompilationUnit* Recogniser::take_unit_list() {
  CompilationUnit* head = list_head;
  for (CompilationUnit** link = &head; *link != nullptr;) {
    CompilationUnit* unit = *link;
    if (!unit->withdrawn) {
      link = &unit->next;
      continue;
    }
    *link = unit->next;
    unit->next = nullptr;
    release_unit_list(unit);
  }
  records.clear();
  list_head = list_tail = nullptr;
  return head;
}

void Recogniser::push_entry(const char* name, uint32_t flags) {
  auto* entry = static_cast<NestingEntry*>(checked_alloc(sizeof(NestingEntry)));
  entry->flags = flags;
  entry->next = nesting_top;
  nesting_top = entry;
  ++entry_count;
  const char* text = name ? name : "";
  entry->name = checked_strndup(text, std::strlen(text));
}

void Recogniser::pop_entry() {
  NestingEntry* entry = nesting_top;
  nesting_top = entry->next;
  --entry_count;
  release_block(entry->name);
  release_block(entry);
}

void Recogniser::release_nesting_stack() {
  while (nesting_top != nullptr) pop_entry();
}
