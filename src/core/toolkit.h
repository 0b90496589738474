// The text toolkit (translation catalogues, ISO dates) lives in a module of
// its own, loaded the first time a catalogue or a date needs it: its
// libraries take longer to load than a run with nothing changed takes to do
// its work.
#pragma once

#include <string>

// What the module offers; the only code that uses the toolkit.
struct ToolkitInterface {
  // Makes the application object, once.
  void (*start)();
  // Installs the catalogue at `path` (made the application object first);
  // false when the file is not a catalogue.
  bool (*install_catalogue)(const char* path);
  // `source` as the catalogues installed translate it, in UTF-8.
  void (*translate)(const char* context, const char* source, const char* comment,
                    std::string& out);
  // ISO 8601 texts of a date and of a time of day.
  void (*iso_date)(int year, int month, int day, std::string& out);
  void (*iso_time)(int hour, int minute, int second, std::string& out);
};

// The module's one entry point.
extern "C" const ToolkitInterface* vantlink_toolkit_interface();

// The module, loaded on the first call. When it cannot be loaded: for lack
// of memory, the run ends as fail_allocation ends it; otherwise the reason
// is printed and the result is null (the run then ends with status 7).
const ToolkitInterface* toolkit();

// Loads the module and makes its application object if it can, quietly:
// for use before main, where nothing can be reported.
void preload_toolkit();
