// The toolkit's application object, made for a tool that runs no event loop
// and serves only to translate.
#pragma once

#include <QCoreApplication>
#include <vector>

class ToolkitApplication {
 public:
  ToolkitApplication(int argc, char** argv);
  ToolkitApplication(const ToolkitApplication&) = delete;
  ToolkitApplication& operator=(const ToolkitApplication&) = delete;

 private:
  // The toolkit gets a copy of the argument list: it removes the arguments
  // it takes for itself (a debugger option and the one after it), and the
  // run must see every argument as given.
  int argc_;
  std::vector<char*> argv_;
  // Set before the application object exists, which would make its own.
  bool idle_dispatcher_;
  QCoreApplication application_;
};
