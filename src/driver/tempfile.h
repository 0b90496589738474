// Temporary files the run has made beside their targets and not yet put in
// place. Their owner removes them on a failure it sees; whatever ends the
// process instead (memory running out) removes every one still listed.
#pragma once

// Lists `path`, which must stay valid until it is taken off the list.
// False when the list is full (a handful of files at once).
bool register_temporary_file(const char* path);
void unregister_temporary_file(const char* path);

// Removes every listed file. Allocates nothing and takes no lock.
void remove_temporary_files();
