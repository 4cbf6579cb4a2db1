// The password rules of the settings, apart from the dialogs that ask for it.
#pragma once

#include "settings/settings_record.h"

#include <string>

// Longest password the record holds, in bytes of UTF-8; the entries never take more
// characters than that.
inline constexpr int kPasswordMaxLength = sizeof(SettingsRecord::password) - 1;

// The stored password. One loaded without a terminator counts as the 55 characters an
// entry can hold, so that it can still be typed.
std::string stored_password();

// With no password stored there is nothing to get wrong.
bool typed_password_wrong(const std::string& typed);
