// One directory name of the run: checked, entered, listed (never descending),
// its Ada source files selected and ordered, each reused from the previous
// link file or analysed, then back to the start directory.
#pragma once

#include <string>

#include "driver/analysis_queue.h"
#include "driver/run.h"

// Processes or skips `name` (relative to the start directory, which is the
// working directory on entry and on return). Ends the run with status 7 when
// the working directory cannot be read or the start directory re-entered.
// Its messages, and the analysis of its files, go through `out`.
void process_directory(const std::string& name, Run& run, AnalysisQueue& out);
