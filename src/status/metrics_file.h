// Replaces a file in one step for readers that may look at any moment (a metrics
// collector): the text goes to a temporary file in the same directory, which is then
// renamed over the target. Readers see the old file or the new one, never a part.
#pragma once

#include "status/card_status.h"

#include <ctime>
#include <string>

// 0 on success, otherwise the errno of the failing step; the old file is then untouched
// and no temporary file is left behind.
int replace_file_atomically(const std::string& path, const std::string& text);

// Writes the card's metrics to path as above. After a failed read, the time of the last
// successful one is carried over from the file being replaced: a one-shot run from a timer
// has no other memory of it.
int write_metrics_file(const std::string& path, const CardStatus& card, std::time_t now);
