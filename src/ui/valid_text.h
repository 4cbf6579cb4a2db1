// Texts go into widgets as valid UTF-8: a driver line, a settings field or a file name may
// hold any bytes, which the toolkit would garble and an accessibility client would choke on.
#pragma once

#include "ui/owned_handles.h"

// The text with every invalid sequence replaced by U+FFFD; `length` -1 reads up to the NUL.
inline UniqueText valid_text(const char* text, gssize length = -1) { return UniqueText(g_utf8_make_valid(text, length)); }
