// Descriptors 0, 1 and 2 always stand for the standard streams.
#pragma once

// Opens /dev/null on each of descriptors 0, 1 and 2 that is closed. Called
// first thing: otherwise the next descriptor the run opens (a directory, the
// temporary link file) would take the place of a standard stream, and a
// message would be written into it.
void open_standard_descriptors();
