#include "driver/extensions.h"

#include <cstdlib>
#include <cstring>
#include <optional>

#include "core/memory.h"
#include "core/messages.h"

namespace {

// A run that ends on a list it could not read leaves nothing behind.
void release_extension_list(ExtensionEntry* list) {
  while (list != nullptr) {
    ExtensionEntry* next = list->next;
    release_block(list->text);
    release_block(list);
    list = next;
  }
}

}  // namespace

ExtensionEntry* append_extension(ExtensionEntry* list, const char* text) {
  auto* entry = static_cast<ExtensionEntry*>(checked_alloc(sizeof(ExtensionEntry)));
  size_t length = std::strlen(text);
  entry->text = checked_strndup(text, length);
  entry->length = static_cast<int32_t>(length);
  if (list == nullptr) return entry;
  ExtensionEntry* last = list;
  while (last->next != nullptr) last = last->next;
  entry->position = last->position + 1;
  last->next = entry;
  return list;
}

const ExtensionEntry* find_extension(const ExtensionEntry* list, const char* name,
                                     size_t name_length) {
  if (name == nullptr) return nullptr;
  for (const ExtensionEntry* entry = list; entry != nullptr; entry = entry->next) {
    size_t length = static_cast<size_t>(entry->length);
    if (length < name_length && std::memcmp(name + name_length - length, entry->text, length) == 0)
      return entry;
  }
  return nullptr;
}

bool add_extension_segment(ExtensionEntry** list, const char* start, size_t length) {
  if (length == 0) return true;
  if (length > kMaxExtensionLength) return false;
  char buffer[kMaxExtensionLength + 2];
  std::memcpy(buffer, start, length);
  buffer[length] = '\0';
  *list = append_extension(*list, buffer);
  return true;
}

std::optional<ExtensionEntry*> read_extension_list(const char* variable) {
  const char* value = std::getenv(variable);
  ExtensionEntry* list = nullptr;
  if (value == nullptr) return list;
  const char* segment = value;
  for (const char* at = value;; ++at) {
    if (*at != ':' && *at != '\0') continue;
    if (!add_extension_segment(&list, segment, static_cast<size_t>(at - segment))) {
      report(Msg::kExtensionOverflow);
      release_extension_list(list);
      return std::nullopt;
    }
    if (*at == '\0') return list;
    segment = at + 1;
  }
}

std::optional<ExtensionLists> setup_extension_lists() {
  ExtensionLists lists{};
  std::optional<ExtensionEntry*> authorized = read_extension_list("VANTLINK_EXT");
  if (!authorized) return std::nullopt;
  lists.authorized = *authorized;
  if (lists.authorized == nullptr) {
    lists.default_extensions_in_use = true;
    for (const char* text : {".ads", ".adb", ".ada"})
      lists.authorized = append_extension(lists.authorized, text);
  }
  std::optional<ExtensionEntry*> forbidden = read_extension_list("VANTLINK_NOEXT");
  if (!forbidden) {
    release_extension_list(lists.authorized);
    return std::nullopt;
  }
  lists.forbidden = *forbidden;
  return lists;
}
