#include "core/toolkit.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/exit_status.h"
#include "core/memory.h"
#include "core/messages.h"

namespace {

constexpr const char* kModuleName = "libvantlink_toolkit.so";

// <prefix>/lib/vantlink/<module> for the program <prefix>/bin/vantlink. By
// name alone, when the program's own path is unknown: its run path names the
// same directory, but a library that wraps the loader (a sanitizer) would
// search with its own.
std::string module_path() {
  std::string program(256, '\0');
  for (;;) {
    ssize_t length = ::readlink("/proc/self/exe", program.data(), program.size());
    if (length <= 0) return kModuleName;
    if (static_cast<size_t>(length) < program.size()) {
      program.resize(static_cast<size_t>(length));
      break;
    }
    program.resize(program.size() * 2);  // cut short: any length
  }
  size_t slash = program.rfind('/');
  if (slash == std::string::npos) return kModuleName;
  return program.substr(0, slash) + "/../lib/vantlink/" + kModuleName;
}

bool is_lack_of_memory(const char* why) {
  return why == nullptr || std::strstr(why, "out of memory") != nullptr ||
         std::strstr(why, std::strerror(ENOMEM)) != nullptr;
}

[[noreturn]] void fail_to_load(const char* why) {
  if (is_lack_of_memory(why)) fail_allocation(0);
  print_message(stderr, why, "Fatal Error: cannot load the text toolkit: %s\n");
  throw RunEnd{ExitStatus::kError};
}

const ToolkitInterface* load_toolkit() {
  void* module = ::dlopen(module_path().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) fail_to_load(::dlerror());
  using Entry = const ToolkitInterface* (*)();
  auto entry = reinterpret_cast<Entry>(::dlsym(module, "vantlink_toolkit_interface"));
  if (entry == nullptr) fail_to_load(::dlerror());
  return entry();
}

const ToolkitInterface* loaded = nullptr;

}  // namespace

void preload_toolkit() {
  if (loaded != nullptr) return;
  void* module = ::dlopen(module_path().c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    ::dlerror();  // toolkit() tries again and says why
    return;
  }
  using Entry = const ToolkitInterface* (*)();
  auto entry = reinterpret_cast<Entry>(::dlsym(module, "vantlink_toolkit_interface"));
  if (entry == nullptr) return;
  loaded = entry();
  // The module's thread-local data is made on first use, and the loader ends
  // the process when it cannot allocate it: made here, with the rest of the
  // start-up.
  loaded->start();
}

const ToolkitInterface& toolkit() {
  if (loaded == nullptr) loaded = load_toolkit();
  return *loaded;
}

bool toolkit_loaded() { return loaded != nullptr; }
