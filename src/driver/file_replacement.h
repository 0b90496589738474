// Putting a new link file (or dependency file) in place of the old one: in
// one step, through a temporary file beside the real target and a rename;
// or, when the directory refuses new files for lack of permission, over the
// old file in place (the one case not atomic). Who may write the file does
// not depend on how it is replaced: an existing file the user may not open
// for writing is refused either way.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string_view>

// Takes the content block by block; false once a write has failed.
using ContentSink = std::function<bool(std::string_view block)>;

// Replaces the file `name` (a symbolic link is followed and stays a link)
// with what `produce` hands its sink, dated no later than `latest_time`.
// `produce` returns false once the sink has refused a block. On failure
// prints why, naming `name` with the link file's messages, leaves the old
// file as it was and returns false.
bool replace_file(const char* name, const std::function<bool(const ContentSink&)>& produce,
                  int64_t latest_time = std::numeric_limits<int64_t>::max());
