#include "analysis/units.h"

#include <cstring>
#include <string>

#include "driver/memory.h"

namespace {

CompilationUnit* list_head = nullptr;
CompilationUnit* list_tail = nullptr;

std::string file_name;
std::string directory_text;
bool has_directory_text = false;

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

}  // namespace

const char* unit_kind_text(const CompilationUnit& unit) {
  switch (unit.kind) {
    case KIND_SPEC:
      return "SPEC";
    case KIND_BODY:
      return "BODY";
    case KIND_PROC:
      return "PROC";
    default:
      return "<UNKOWN>";
  }
}

CompilationUnit* take_unit_list() {
  CompilationUnit* head = list_head;
  list_head = list_tail = nullptr;
  return head;
}

void release_unit_list(CompilationUnit* head) {
  while (head != nullptr) {
    CompilationUnit* next = head->next;
    for (NameList* name = head->with_names; name != nullptr;) {
      NameList* following = name->next;
      release_block(name->name);
      release_block(name);
      name = following;
    }
    release_block(head->full_name);
    release_block(head->simple_name);
    release_block(head->file_name);
    release_block(head->directory);
    release_block(head->renaming_target);
    release_block(head);
    head = next;
  }
}

void set_current_file_name(const char* name) { file_name = name; }

void set_current_directory_text(const char* text) {
  has_directory_text = text != nullptr;
  directory_text = text ? text : "";
}

const char* current_file_name() { return file_name.c_str(); }

CompilationUnit* append_unit(int32_t kind, uint32_t flags, const char* full_name,
                             const char* simple_name, NameList* with_names) {
  auto* unit = static_cast<CompilationUnit*>(checked_alloc(sizeof(CompilationUnit)));
  unit->kind = kind;
  unit->flags = flags;
  unit->full_name = permanent_copy(full_name);
  unit->simple_name = permanent_copy(simple_name);
  unit->file_name = checked_strndup(file_name.data(), file_name.size());
  if (has_directory_text)
    unit->directory = checked_strndup(directory_text.data(), directory_text.size());
  unit->with_names = permanent_names(with_names);
  if (list_tail != nullptr)
    list_tail->next = unit;
  else
    list_head = unit;
  list_tail = unit;
  return unit;
}

CompilationUnit* last_unit() { return list_tail; }
