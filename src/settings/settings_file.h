// Load and write of the settings file "quorvex.conf" in the working directory.
#pragma once

inline constexpr const char* kSettingsFileName = "quorvex.conf";

// Fills option3 from the file, or with the defaults when there is none. Never creates,
// truncates or changes the file. The result means nothing.
int init_enviorment();

// Writes the whole record, through symbolic links (a dangling one gets its target
// created). Where the directory allows, the file is replaced in one step (a temporary file
// beside it, with the old file's mode, owner and group, then a rename), so a failure never
// leaves a partial file; a new file is readable by its owner only, since it may hold a
// password. A writable file in a directory that refuses new files, one with other hard
// links, or one whose owner and group this user cannot give a new file, is truncated and
// written in place. Returns 0 on success, otherwise the errno of the failing step.
int write_settings_file();
