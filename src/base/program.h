// The program's name and version, as its messages and outputs give them.
#pragma once

inline constexpr const char* kProgramName = "quorvex-monitor";
inline constexpr const char* kProgramVersion = QUORVEX_VERSION;
