// How a run ends: the statuses the program returns.
#pragma once

#include <cstdint>

enum class ExitStatus : int {
  kSuccess = 0,
  kScannerInput = 2,  // the scanner's input failed
  kError = 7,         // the run ended on an error of its own
  kOutOfMemory = 9,   // memory exhausted, or an extension too long
};
