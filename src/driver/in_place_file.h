// Rewriting a file where it stands: for a link file that may be written but
// beside which no temporary file can be made (its directory is not
// writable). Not atomic: a failure part-way leaves a damaged file, and is
// reported as a failure.
#pragma once

#include <cstdint>
#include <string_view>

// The temporary file could not be made for lack of permission (`error`):
// the one reason to rewrite in place. No space, no inode, no descriptor or a
// read-only file system would make the rewrite fail part way and damage the
// old file.
bool refused_for_permission(int error);

// The system lets this process set the times of the file open on `fd`: only
// its owner (or a privileged user) may, whoever may write it.
bool can_date(int fd);

// Writes `content` over the file open for writing on `fd` from its start,
// cuts the file to that length, dates it no later than `latest_time` (pass
// the largest value when can_date said no), flushes it to disk and closes
// `fd`. Under an advisory lock, so that two runs rewriting it at once do not
// interleave; once the lock is held, the signals that end a run wait until
// the file is whole again (while it waits for the lock, they end it at
// once). False on any failure that touches the content or the date.
bool rewrite_in_place(int fd, std::string_view content, int64_t latest_time);
