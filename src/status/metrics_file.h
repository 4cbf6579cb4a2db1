// Replaces a file in one step for readers that may look at any moment (a metrics
// collector): the text goes to a temporary file in the same directory, which is then
// renamed over the target. Readers see the old file or the new one, never a part.
#pragma once

#include <string>

// 0 on success, otherwise the errno of the failing step; the old file is then untouched
// and no temporary file is left behind.
int replace_file_atomically(const std::string& path, const std::string& text);
