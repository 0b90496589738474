// vantlink: writes the link file of the Ada units found in the given
// directories, reusing what an earlier link file says of unchanged files.
#include <QCoreApplication>

#include "driver/command_line.h"

int main(int argc, char** argv) {
  // Only for translation: no graphical interface, no event loop.
  QCoreApplication application(argc, argv);
  return run_vantlink(argc, argv);
}
