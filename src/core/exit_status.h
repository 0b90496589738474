// How a run ends. Only the run function decides the status of a run that
// ends on an error (it catches RunEnd); the fatal ends (memory exhausted,
// the scanner's input failing) are the documented exceptions.
#pragma once

#include <cstdint>

enum class ExitStatus : int {
  kSuccess = 0,
  kScannerInput = 2,  // the scanner's input failed
  kError = 7,         // the run ended on an error of its own
  kOutOfMemory = 9,   // memory exhausted, or an extension too long
};

// Thrown, once its message is printed, by whatever ends the run early; the
// run function catches it and returns the status.
struct RunEnd {
  ExitStatus status;
};

// A fatal end met by the analysis of one file: the driver prints it in its
// place among the other output and ends the run. It holds no allocated
// text, so that it can be made when memory has run out.
struct FatalEnd {
  ExitStatus status;  // kScannerInput, kOutOfMemory, or kError
  const char* text;   // kScannerInput: the scanner's own (untranslated) message
  uint64_t size;      // kOutOfMemory: the size that could not be allocated
};

// Prints a fatal end's message on standard error, as the process that met it
// would have printed it.
void print_fatal_end(const FatalEnd& fatal);
