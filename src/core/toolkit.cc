#include "core/toolkit.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

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

void report_failed_load(const char* why) {
  if (is_lack_of_memory(why)) fail_allocation(0);
  print_message(stderr, why, "Fatal Error: cannot load the text toolkit: %s\n");
}

// The module's interface, or null with the loader's reason in `why`.
const ToolkitInterface* open_module(const char*& why) {
  void* module = ::dlopen(module_path().c_str(), RTLD_NOW | RTLD_LOCAL);
  using Entry = const ToolkitInterface* (*)();
  auto entry = module ? reinterpret_cast<Entry>(::dlsym(module, "vantlink_toolkit_interface"))
                      : nullptr;
  why = entry ? nullptr : ::dlerror();
  return entry ? entry() : nullptr;
}

const ToolkitInterface* loaded = nullptr;

}  // namespace

void preload_toolkit() {
  const char* why;  // toolkit() tries again and says why
  if (loaded != nullptr || (loaded = open_module(why)) == nullptr) return;
  // The module's thread-local data is made on first use, and the loader ends
  // the process when it cannot allocate it: made here, with the rest of the
  // start-up.
  loaded->start();
}

const ToolkitInterface* toolkit() {
  if (loaded == nullptr) {
    const char* why;
    loaded = open_module(why);
    if (loaded == nullptr) report_failed_load(why);
  }
  return loaded;
}
