// Temporary files that must not outlive the run. Their owner removes them
// on failure; SIGINT, SIGTERM or SIGHUP removes every one still registered,
// then ends the process as the signal would have. The registry is the one
// process-wide state here: a signal handler can reach nothing else.
#pragma once

#include <signal.h>

// Makes a file from `path_template` (ending in "XXXXXX", filled in place)
// and registers it, with the cleanup signals held off in between, so that no
// signal leaves it behind. Its descriptor, or -1 with errno set.
// `path_template` must stay where it is, unchanged, until unregistered.
int create_temporary_file(char* path_template);

// The file is no longer the registry's: renamed or removed by its owner.
void unregister_temporary_file(const char* path);

// Removes every registered file. Async-signal-safe; allocates nothing.
void remove_temporary_files();

// Holds SIGINT, SIGTERM and SIGHUP off on this thread while it lives: they
// are delivered once it ends.
class CleanupSignalsHeld {
 public:
  CleanupSignalsHeld();
  ~CleanupSignalsHeld();
  CleanupSignalsHeld(const CleanupSignalsHeld&) = delete;
  CleanupSignalsHeld& operator=(const CleanupSignalsHeld&) = delete;

 private:
  sigset_t previous_;
};
