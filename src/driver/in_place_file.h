// Rewriting a file where it stands: for a link file that may be written but
// beside which no temporary file can be made (its directory is not
// writable). Not atomic: a failure part-way leaves a damaged file, and is
// reported as a failure.
#pragma once

#include <cstdint>
#include <string_view>

// Writes `content` over the file open for writing on `fd` from its start,
// cuts the file to that length, dates it no later than `latest_time` where
// the file's owner allows it, flushes it to disk and closes `fd`. False on
// any failure that touches the content.
bool rewrite_in_place(int fd, std::string_view content, int64_t latest_time);
